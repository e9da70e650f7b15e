#!/usr/bin/env bash
# A long soak of the real game on the sanitizer build, headless and unpaced.
#
#   scripts/soak.sh [--seed S] [FRAMES] [GAMES]    (defaults: 1000000 frames, 200 games)
#
# FRAMES frames of random play, from seeded input of its own: keys held and
# let go (the game's keys, pause and any other), pointer moves in and out of
# the window, clicks of every button, focus losses and the odd close; each
# run that ends (by "Sair", a close or its share of frames) is followed by
# another with the next seed. And GAMES whole games by the automatic player,
# half at each difficulty, each with a random start delay and sound on or
# off. The two take turns, so a soak stopped early has figures for both.
#
# A fault is a sanitizer report (or anything else on standard error), a
# crash, a hang (no frame for 10 s), a non-zero exit, a game not won, or
# anything left in TMPDIR. Each is listed with the seed that brings it back.
# Exit status: 0 with no fault, 1 otherwise.
#
# SOAK_BUILD_DIR names a build to use as it is (the test suite's slice uses
# its own); without it, build-asan is configured with the sanitizers and
# brought up to date. SOAK_KEEP=1 keeps the work folder; SOAK_VERBOSE=1
# prints a line after each run and game. Stopped early (INT or TERM), it
# prints the figures so far.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seed=1
if [ "${1:-}" = --seed ]; then
  seed=$2
  shift 2
fi
frames_wanted=${1:-1000000}
games_wanted=${2:-200}

if [ -n "${SOAK_BUILD_DIR:-}" ]; then
  build=$SOAK_BUILD_DIR
else
  build=$root/build-asan
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_SANITIZE=ON >/dev/null
  ninja -C "$build" morlo3 autoplay datagen_data >/dev/null
fi
game=$build/morlo3/morlo3
autoplay=$build/tools/autoplay/autoplay
for f in "$game" "$autoplay" "$build/data.kpk"; do
  [ -e "$f" ] || { echo "soak.sh: $f is missing" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/soak-XXXXXX")
[ "${SOAK_KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT
ln -s "$build/data.kpk" "$work/data.kpk"
mkdir -p "$work/tmp"
cd "$work"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

faults=()
peak_kb=0
frames_done=0 runs=0 random_seconds=0
games=0 won=0 won_normal=0 won_hard=0 game_frames=0 games_seconds=0

# The figures so far: at the end, or when the soak is stopped early.
summary() {
  echo "soak: random play: $frames_done frames in $runs runs ($random_seconds s)"
  echo "soak: games: $games played, $won won ($won_normal normal, $won_hard hard), $game_frames frames ($games_seconds s)"
  echo "soak: peak memory: $((peak_kb / 1024)) MB"
  echo "soak: faults: ${#faults[@]}"
  for f in "${faults[@]}"; do echo "  $f"; done
}
current=""
stop() {
  [ -n "$current" ] && kill -KILL $(pgrep -P "$current") "$current" 2>/dev/null || true
  echo "soak: stopped early"
  summary
  exit 1
}
trap stop INT TERM

# The random input of one seed, `frames` frames long, as a KESTREL_INPUT script.
make_script() {
  awk -v seed="$1" -v frames="$2" 'BEGIN {
    srand(seed)
    split("205 205 205 203 200 200 29 29 28 28 1 197", keys, " ")
    split("left left left right middle", buttons, " ")
    f = 1
    while (f < frames) {
      r = rand()
      if (r < 0.40) {
        k = rand() < 0.93 ? keys[1 + int(rand() * 12)] : int(rand() * 256)
        # Esc ends a game: pressed rarely, let go at once.
        if (k == 1 && rand() < 0.8) k = 205
        printf "%d key %d %s\n", f, k, (rand() < 0.6 ? "down" : "up")
        if (k == 1) printf "%d key 1 up\n", f + 1
      } else if (r < 0.70) {
        if (rand() < 0.9) printf "%d mouse %d %d\n", f, int(rand() * 640), int(rand() * 400)
        else printf "%d mouse %d %d\n", f, int(rand() * 1000) - 200, int(rand() * 800) - 200
      } else if (r < 0.92) {
        b = buttons[1 + int(rand() * 5)]
        printf "%d button %s down\n", f, b
        printf "%d button %s up\n", f + 1 + int(rand() * 4), b
      } else if (r < 0.995) {
        printf "%d focus lost\n", f
      } else {
        printf "%d close\n", f
      }
      f += 1 + int(rand() * 40)
    }
  }' | sort -n -s -k1,1
}

# Runs a command in the background with its frame log; answers its exit code,
# or 124 after 10 s without a new frame. Sets $mem_kb. It looks ten times a
# second, so that a short run is not kept waiting on the next look.
run_watched() {
  local log=$1
  shift
  : >"$log"
  /usr/bin/time -f %M -o "$work/mem" "$@" &
  local pid=$! last=-1 still=0 size
  current=$pid
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.1
    size=$(stat -c %s "$log" 2>/dev/null || echo 0)
    if [ "$size" = "$last" ]; then
      still=$((still + 1))
      if [ $still -ge 100 ]; then
        # time measures its child, the program itself.
        kill -KILL $(pgrep -P "$pid") "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        mem_kb=0
        return 124
      fi
    else
      still=0
      last=$size
    fi
  done
  local code=0
  wait "$pid" || code=$?
  mem_kb=$(tail -n 1 "$work/mem" 2>/dev/null | tr -dc 0-9)
  mem_kb=${mem_kb:-0}
  [ "$mem_kb" -gt "$peak_kb" ] && peak_kb=$mem_kb
  return $code
}

# Adds a fault when the run said anything, left anything, or ended badly.
judge() {
  local what=$1 code=$2 err=$3
  local why=""
  [ "$code" = 124 ] && why="hang (no frame for 10 s)"
  [ -z "$why" ] && [ "$code" -gt 128 ] && why="crash (signal $((code - 128)))"
  [ -z "$why" ] && [ "$code" != 0 ] && why="exit $code"
  if [ -z "$why" ] && grep -q . "$err"; then why="said: $(grep -m1 -E 'Sanitizer|runtime error|.' "$err")"; fi
  if [ -n "$(ls -A "$work/tmp")" ]; then
    why="${why:+$why; }left in TMPDIR: $(ls -A "$work/tmp" | tr '\n' ' ')"
    rm -rf "${work:?}/tmp/"*
  fi
  if [ -n "$why" ]; then
    faults+=("$what: $why")
    echo "FAULT $what: $why" >&2
    [ -s "$err" ] && head -n 20 "$err" >&2
  fi
  return 0
}

# ---- random play across restarts ----
random_run() {
  local s=$((seed + runs)) share left answer code played start
  start=$(date +%s)
  # Each run takes a share of 2 000 to 20 000 frames, from its seed.
  share=$((2000 + (s * 7919) % 18001))
  left=$((frames_wanted - frames_done))
  [ "$share" -gt "$left" ] && share=$left
  answer=no
  [ $((s % 4)) = 0 ] && answer=yes
  make_script "$s" "$share" >"$work/input.txt"
  code=0
  run_watched "$work/frames.txt" env TMPDIR="$work/tmp" KESTREL_PLATFORM=headless KESTREL_ANSWER=$answer \
    KESTREL_MAX_FRAMES=$share KESTREL_INPUT="$work/input.txt" KESTREL_FRAMELOG="$work/frames.txt" \
    "$game" 2>"$work/err.txt" || code=$?
  played=$(wc -l <"$work/frames.txt")
  judge "random play seed $s ($share frames, KESTREL_ANSWER=$answer; again: scripts/soak.sh --seed $s $share 0)" \
    "$code" "$work/err.txt"
  # A run that ended by itself before its share is a restart; it still counts what it played.
  [ "$played" -eq 0 ] && played=1
  frames_done=$((frames_done + played))
  runs=$((runs + 1))
  random_seconds=$((random_seconds + $(date +%s) - start))
  [ -n "${SOAK_VERBOSE:-}" ] && echo "soak: run $runs, seed $s: $played frames, $frames_done in all"
  return 0
}

# ---- whole games by the automatic player ----
game_run() {
  local i=$games s=$((seed + games)) level delay quiet cmd code start
  start=$(date +%s)
  level=--normal
  [ $((i % 2)) = 1 ] && level=--hard
  delay=$(((s * 104729) % 240))
  quiet=()
  [ $(((s / 2) % 2)) = 1 ] && quiet=(--quiet)
  cmd="$level --delay $delay ${quiet[*]}"
  code=0
  # shellcheck disable=SC2086
  run_watched "$work/frames.txt" env TMPDIR="$work/tmp" "$autoplay" $cmd --framelog "$work/frames.txt" \
    >"$work/summary.txt" 2>"$work/err.txt" || code=$?
  games=$((games + 1))
  game_frames=$((game_frames + $(wc -l <"$work/frames.txt")))
  if [ "$code" = 0 ] && grep -q ': won,' "$work/summary.txt"; then
    won=$((won + 1))
    if [ "$level" = --hard ]; then won_hard=$((won_hard + 1)); else won_normal=$((won_normal + 1)); fi
  fi
  [ "$code" = 1 ] && grep -q 'NOT won' "$work/summary.txt" && echo "game $i: $(head -n 1 "$work/summary.txt")" >"$work/err.txt"
  judge "game $i (again: autoplay $cmd)" "$code" "$work/err.txt"
  games_seconds=$((games_seconds + $(date +%s) - start))
  [ -n "${SOAK_VERBOSE:-}" ] && echo "soak: game $i ($cmd): $(head -n 1 "$work/summary.txt")"
  return 0
}

# The two kinds take turns by how far each has come, so that a soak stopped
# early has figures for both.
while [ "$frames_done" -lt "$frames_wanted" ] || [ "$games" -lt "$games_wanted" ]; do
  if [ "$games" -ge "$games_wanted" ] ||
    { [ "$frames_done" -lt "$frames_wanted" ] && [ $((frames_done * games_wanted)) -le $((games * frames_wanted)) ]; }; then
    random_run
  else
    game_run
  fi
done

summary
[ ${#faults[@]} -eq 0 ]
