#!/usr/bin/env bash
# Builds the game and its Debian package, and runs the game in the folder it
# was started from, as an installed game would run: KRL_ERR.txt and any
# relative path given to the game are the caller's. The game of the build
# tree finds data.kpk and its texts beside itself.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")"
root=$PWD
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
cd "$caller" && exec "$root/build/morlo3/morlo3" "$@"
