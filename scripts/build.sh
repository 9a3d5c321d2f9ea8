#!/usr/bin/env bash
# Configures and builds Velkora into build/ (or $VELKORA_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELKORA_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=${VELKORA_BUILD_TYPE:-RelWithDebInfo} > /dev/null
cmake --build "$build" -j"$(nproc)"
