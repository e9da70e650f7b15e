#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan into a
# build directory of their own, makes the seed corpus by running the archive
# tests (under the same sanitizers), then runs each target for SECONDS.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     targets: kpk image script game catalogue (default all)
#
# FUZZ_BUILD_DIR (default build-fuzz) and FUZZ_JOBS (default 2) can be set.
# Findings land in $FUZZ_BUILD_DIR/fuzz-artifacts; the grown corpus is kept
# in $FUZZ_BUILD_DIR/fuzz-corpus for the next run.
set -euo pipefail

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(kpk image script game catalogue)

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-2}

# The usual macro for fuzzing builds: checksums in pictures are not enforced.
flags="-fsanitize=fuzzer-no-link -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTREL_FUZZ=ON -DKESTREL_SANITIZE=ON -DKESTREL_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" > /dev/null
extra_targets=()
# The whole game plays on the generated data.
[[ " ${targets[*]} " == *" game "* ]] && extra_targets=(datagen_data)
ninja -C "$build" -j "$jobs" test_archive $(printf 'fuzz_%s ' "${targets[@]}") "${extra_targets[@]}"

work="$build/fuzz-work"
seeds="$build/fuzz-seeds"
mkdir -p "$work" "$build/fuzz-artifacts"
rm -rf "$seeds"
# The tests write every archive and picture they make into the seed folders.
(cd "$work" && KESTREL_SEED_DIR="$seeds" "$build/tests/test_archive" --gtest_brief=1)

# The image target reads its depth from the first byte: give each picture
# seed once per depth.
mkdir -p "$seeds/image-depths"
for f in "$seeds"/image/*; do
  for d in 0 1 2 3; do
    { printf "\\x0$d"; cat "$f"; } > "$seeds/image-depths/$d-$(basename "$f")"
  done
done

for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  extra=()
  mkdir -p "$corpus"
  case $t in
    kpk) seed_dir="$seeds/kpk" ;;
    image) seed_dir="$seeds/image-depths" ;;
    script) seed_dir="$root/tests/replays" ;;
    # The English catalogue, compiled as the build compiles it.
    catalogue) seed_dir="$seeds/catalogue"; mkdir -p "$seed_dir"; msgfmt -o "$seed_dir/en.mo" "$root/po/en.po" ;;
    # The whole game reads the replays as its input; one run plays
    # thousands of frames, so a single input may take seconds.
    game) seed_dir="$root/tests/replays"; extra=(-timeout=300) ;;
    *) echo "fuzz.sh: unknown target $t" >&2; exit 2 ;;
  esac
  echo "== fuzz_$t for ${seconds}s"
  (cd "$work" && "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=4096 \
      -artifact_prefix="$build/fuzz-artifacts/$t-" -print_final_stats=1 "${extra[@]}" "$corpus" "$seed_dir")
done
