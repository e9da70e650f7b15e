#!/usr/bin/env bash
# The windowed figures under a private X server (Xvfb, 1024 x 768 at 24 bits):
# the wall time of a present on each path and SDL's renderer copy for
# comparison (bench_present on the x11 driver), and the peak resident memory
# of whole runs of the game in a window and in full screen (bench_startup).
# Then the frame clock's CPU share and pacing, old against new (below).
# Usage: bench/xvfb_window.sh [build-dir] [repetitions] [parts]
# parts: any of present, memory, clock (default all three)
# The build directory defaults to build-bench, made by
#   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-bench
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-bench}")
reps=${2:-5}
parts=${3:-present memory clock}
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

if [[ " $parts " == *" present "* ]]; then
  echo "== present under Xvfb on $DISPLAY (wall time is the 'Time' column) =="
  "$build/bench/bench_present" --benchmark_filter='BM_Present|BM_SdlRendererCopy' \
    --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true 2>&1 | grep -v '^ALSA'
fi
if [[ " $parts " == *" memory "* ]]; then
  echo "== peak memory of whole runs =="
  "$build/bench/bench_startup" --benchmark_filter='^$' 2>&1 | grep -E '^peak RSS'
fi
[[ " $parts " == *" clock "* ]] || exit 0

# ---- the frame clock ----
# The game's CPU share (utime + stime from /proc/PID/stat over a stretch of
# steady running) and the spread of its frame intervals (from the wake-up
# times KESTREL_BENCH_PACELOG writes), in the menu, playing stage 1, at the
# fast pace (85 frames a second) and in full screen at 4x (1280 x 1024), in
# the menu and playing, each with the clock as it was
# (KESTREL_BENCH_OLD_CLOCK=1) and the clock now, alternately in one run. Seconds per stretch: KESTREL_BENCH_SECONDS (10).
seconds=${KESTREL_BENCH_SECONDS:-10}
command -v xdotool >/dev/null || { echo "xdotool is not installed (apt-get install xdotool)" >&2; exit 1; }
n=$((n + 1))
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
# As root, the server and the game run at a raised priority, so that the
# other work of a shared machine hides less of the clock's own pacing.
boost=()
[ "$(id -u)" -eq 0 ] && boost=(nice -n -15)
"${boost[@]}" Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
big=$!
trap 'kill $server $big 2>/dev/null; wait $server $big 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.05
done
sleep 0.5
export DISPLAY=":$n"
ticks=$(getconf CLK_TCK)
game="$build/morlo3/morlo3"

# CPU time of a process so far, in clock ticks.
cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
press() { xdotool key --window "$window" "$1"; sleep 0.5; }
# Window coordinates of the doubled 320 x 200 picture.
click() {
  xdotool mousemove --window "$window" "$1" "$2"
  sleep 0.1
  xdotool mousedown 1; sleep 0.2; xdotool mouseup 1; sleep 0.5
}
setup_menu() { press Return; }
setup_play() { press Return; sleep 1; click 150 274; sleep 0.5; press Return; }
# The same in full screen: the picture at 4x, 112 rows below the top.
setup_play_full() { press Return; sleep 1; click 300 660; sleep 0.5; press Return; }
# The median of the last 30 frame intervals, in milliseconds.
recent_interval() {
  tail -n 31 "$pace" | awk 'NR > 1 { print ($1 - last) / 1e6 } { last = $1 }' | sort -n | awk '{ v[NR] = $1 } END { print v[int(NR / 2) + 1] }'
}
# Options, faster, back; again if a click came before its button had slid in.
setup_fast() {
  press Return
  for _ in 1 2 3; do
    sleep 1; click 266 272; sleep 1.5; click 166 280; sleep 0.5; click 588 276; sleep 1
    awk -v ms="$(recent_interval)" 'BEGIN { exit !(ms < 14) }' && return
  done
  echo "fast: the pace did not change" >&2
}

# case clock answer setup rate
run_case() {
  local name=$1 clock=$2 answer=$3 setup=$4 rate=$5
  local dir
  dir=$(mktemp -d)
  pace="$dir/pace.log"
  local old=0
  [ "$clock" = before ] && old=1
  (cd "$dir" && exec "${boost[@]}" env -u KESTREL_PLATFORM KESTREL_BENCH_OLD_CLOCK=$old KESTREL_BENCH_PACELOG="$dir/pace.log" \
    KESTREL_ANSWER="$answer" SDL_VIDEODRIVER=x11 "$game" >"$dir/out.txt" 2>&1) &
  local pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name 'Morlo v3.0' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then
    echo "$name ($clock): no window" >&2
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; rm -rf "$dir"; return
  fi
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  sleep 1.5
  $setup
  sleep 1
  local t0 n0 s0 t1 n1 s1
  t0=$(cpu_ticks "$pid"); n0=$(wc -l <"$dir/pace.log"); s0=$(date +%s.%N)
  sleep "$seconds"
  t1=$(cpu_ticks "$pid"); n1=$(wc -l <"$dir/pace.log"); s1=$(date +%s.%N)
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  sed -n "$((n0 + 1)),${n1}p" "$dir/pace.log" | awk 'NR > 1 { print ($1 - last) / 1e6 } { last = $1 }' |
    sort -n | awk -v name="$name" -v clock="$clock" -v rate="$rate" -v cpu="$((t1 - t0))" -v hz="$ticks" \
      -v s0="$s0" -v s1="$s1" '
    { v[++n] = $1; if ($1 - 1000 / rate <= 1 && 1000 / rate - $1 <= 1) ok++ }
    END {
      printf "%-10s %-6s CPU %5.2f %% of a core; %5d intervals, %6.2f %% within 1 ms of %.2f ms; 1st/50th/99th percentile %.2f / %.2f / %.2f ms, longest %.2f\n",
        name, clock, 100 * cpu / hz / (s1 - s0), n, n ? 100 * ok / n : 0, 1000 / rate,
        v[int(n * 0.01) + 1], v[int(n * 0.5) + 1], v[int(n * 0.99)], v[n]
    }'
  rm -rf "$dir"
}

echo "== the frame clock under Xvfb on $DISPLAY (1280 x 1024), ${seconds} s a stretch =="
for c in "menu no setup_menu 60" "play no setup_play 60" "fast no setup_fast 85" "fullscreen yes setup_menu 60" "fullplay yes setup_play_full 60"; do
  set -- $c
  for clock in before now; do run_case "$1" "$clock" "$2" "$3" "$4"; done
done
