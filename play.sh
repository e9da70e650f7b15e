#!/usr/bin/env bash
# Builds the game and its Debian package, and runs the game from the folder
# that holds the generated data.kpk.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh dpkg-dev file
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_TESTS=OFF -DKESTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build
# The package, made again only when the game or its data is newer than it.
version=$(build/morlo3/morlo3 --version | cut -d' ' -f2)
deb=build/morlo3_${version}_amd64.deb
if [ ! -e "$deb" ] || [ build/morlo3/morlo3 -nt "$deb" ] || [ build/data.kpk -nt "$deb" ]; then
  cmake --build build --target package >/dev/null
  echo "The package: $deb"
fi
cd build && exec ./morlo3/morlo3 "$@"
