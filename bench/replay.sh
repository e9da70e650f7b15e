#!/usr/bin/env bash
# The whole game played from a replay script on the headless backend, as a
# process: frames a second (unpaced, start-up and shutdown included) and
# peak resident memory, in a window at depth 32, without and with the frame
# log (KESTREL_FRAMELOG), as the replay tests run it. Medians of the runs;
# frames a second of CPU time (user + system) are the steadier figure on a
# busy machine.
# Usage: bench/replay.sh [script] [build-dir] [runs]
# The script defaults to tests/replays/normal.input, the build directory to
# build-bench, made by
#   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-bench
set -euo pipefail
cd "$(dirname "$0")/.."
script=$(realpath "${1:-tests/replays/normal.input}")
build=$(realpath "${2:-build-bench}")
runs=${3:-5}
game="$build/morlo3/morlo3"
[ -x "$game" ] || { echo "missing $game; build first" >&2; exit 1; }
[ -r "$script" ] || { echo "cannot read $script" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$build/data.kpk" "$work/data.kpk"
cd "$work"
export KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_DEPTH=32 KESTREL_INPUT="$script"
# However the script ends, the run ends.
export KESTREL_MAX_FRAMES=1000000

# One run with the frame log counts the frames and checks the ending.
status=0
KESTREL_FRAMELOG=frames.log "$game" || status=$?
frames=$(wc -l <frames.log)
echo "replay $script: $frames frames, exit $status"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for log in off on; do
  : >runs.txt
  for _ in $(seq "$runs"); do
    if [ "$log" = on ]; then
      KESTREL_FRAMELOG=timed.log /usr/bin/time -f "%e %M %U %S" -o time.txt "$game" || true
    else
      /usr/bin/time -f "%e %M %U %S" -o time.txt "$game" || true
    fi
    cat time.txt >>runs.txt
  done
  seconds=$(awk '{ print $1 }' runs.txt | median)
  cpu=$(awk '{ print $3 + $4 }' runs.txt | median)
  rss=$(awk '{ print $2 }' runs.txt | median)
  peak=$(awk '{ print $2 }' runs.txt | sort -n | tail -n 1)
  awk -v f="$frames" -v s="$seconds" -v c="$cpu" -v r="$rss" -v p="$peak" -v n="$runs" -v l="$log" 'BEGIN {
    printf "frame log %s, %d runs: %.2f s a run, %.0f frames/s; %.2f s of CPU, %.0f frames/s of CPU; peak RSS %.1f MB (most %.1f MB)\n",
      l, n, s, f / (s > 0 ? s : 1), c, f / (c > 0 ? c : 1), r / 1024, p / 1024
  }'
done
