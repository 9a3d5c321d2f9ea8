#!/usr/bin/env bash
# Installs the Debian 12 packages Velkora needs to build, run and test; skips apt when all are there.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev libbenchmark-dev
          libegl-dev libgl-dev libopengl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0 imagemagick xvfb xauth
          libchm-dev fp-utils xdg-utils python3-ezdxf admesh giflib-tools netpbm locales)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The tests check that numbers keep their '.' under a locale whose separator is ','.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
