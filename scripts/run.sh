#!/usr/bin/env bash
# Installs what is missing (apt-get, as root on a fresh Debian 12), builds the program into build/ (or
# $VELKORA_BUILD_DIR) and starts it. Needs a display (or: xvfb-run -a bash scripts/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=${VELKORA_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=${VELKORA_BUILD_TYPE:-RelWithDebInfo} > /dev/null
# The program and the folders it finds beside itself (language, pst, sample).
cmake --build "$build" -j"$(nproc)" --target velkora copy_language copy_pst copy_sample
# The help file and the tutorial (hlp): without them F1 and the Help menu find nothing, but the
# program is still worth starting.
if ! cmake --build "$build" -j"$(nproc)" --target help_files; then
  echo "The help could not be built (see above): Velkora starts without its help file and tutorial." >&2
fi
exec "$build/bin/velkora"
