#!/usr/bin/env bash
# Builds the game and runs it from the folder that holds the generated data.kpk.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_TESTS=OFF -DKESTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build
cd build && exec ./morlo3/morlo3 "$@"
