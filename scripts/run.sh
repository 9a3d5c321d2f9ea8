#!/usr/bin/env bash
# Installs what is missing, builds and starts Velkora.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
exec "${VELKORA_BUILD_DIR:-build}/bin/velkora"
