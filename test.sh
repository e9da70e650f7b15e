#!/usr/bin/env bash
# Builds everything and runs every test.
# KESTREL_SANITIZE=1 builds with AddressSanitizer and UBSan into build-asan.
set -euo pipefail
cd "$(dirname "$0")"
# xfonts-base: SDL's X11 message box needs a core X font, and the private X
# server has none of its own; without it the start-up question never shows.
scripts/deps.sh xvfb xauth xdotool x11-utils desktop-file-utils xfonts-base \
  lintian appstream dpkg-dev file man-db time procps clang-format
dir=build-test
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${KESTREL_SANITIZE:-0}" = 1 ]; then
  dir=build-asan
  flags+=(-DKESTREL_SANITIZE=ON)
fi
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir"
# Two tests a core: most of the waiting shards' time is spent waiting (see
# tests/CMakeLists.txt), and a busy program counts as two. The tests run in a
# home of their own (tests/support/fresh_home.sh): nothing in the user's home
# changes a result, and no test writes there.
cd "$dir" && ../tests/support/fresh_home.sh ctest --output-on-failure -j"$((2 * $(nproc)))"
