#!/usr/bin/env bash
# The windowed figures under a private X server (Xvfb, 1024 x 768 at 24 bits):
# the wall time of a present on each path and SDL's renderer copy for
# comparison (bench_present on the x11 driver), and the peak resident memory
# of whole runs of the game in a window and in full screen (bench_startup).
# Usage: bench/xvfb_window.sh [build-dir] [repetitions]
# The build directory defaults to build-bench, made by
#   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-bench
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-bench}")
reps=${2:-5}
for program in bench/bench_present bench/bench_startup morlo3/morlo3; do
  [ -x "$build/$program" ] || { echo "missing $build/$program; build the benchmarks first" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (apt-get install xvfb)" >&2; exit 1; }

# The first free display number from 90 on.
n=90
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  kill -0 $server 2>/dev/null || { echo "Xvfb did not start on :$n" >&2; exit 1; }
  sleep 0.05
done
sleep 0.5  # the socket appears a moment before the server answers
export DISPLAY=":$n" SDL_VIDEODRIVER=x11

echo "== present under Xvfb on $DISPLAY (wall time is the 'Time' column) =="
"$build/bench/bench_present" --benchmark_filter='BM_Present|BM_SdlRendererCopy' \
  --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true 2>&1 | grep -v '^ALSA'
echo "== peak memory of whole runs =="
"$build/bench/bench_startup" --benchmark_filter='^$' 2>&1 | grep -E '^peak RSS'
