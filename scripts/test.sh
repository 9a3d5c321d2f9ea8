#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. GUI tests use Qt's offscreen platform;
# tests that need an X server or OpenGL run under Xvfb with Mesa.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
# The English fallbacks in the code and the shipped english.lng say the same.
python3 scripts/check_texts.py
build=${VELKORA_BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen
cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)" --timeout 600
