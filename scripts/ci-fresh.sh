#!/usr/bin/env bash
# Runs CI as a machine where nothing ever ran would: a fresh clone of the
# current commit in a scratch folder, an environment holding only PATH and a
# fresh HOME (no XDG_* variables unless told, nothing from this session), then
# `bash .ci/run`. Only what is committed is tested.
#
# Usage: scripts/ci-fresh.sh [--keep] [--cache DIR]
#   --keep       leaves the scratch folder (the clone and its build) for a look.
#   --cache DIR  gives the run XDG_CACHE_HOME=DIR: the page's libraries kept
#                there are used (a machine where CI ran before), and those
#                built are kept there. Without it the cache is in the fresh
#                HOME, as cold as a new machine's.
# The exit code is CI's.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=0
cache=()
while [ $# -gt 0 ]; do
  case $1 in
    --keep) keep=1 ;;
    --cache)
      cache=(XDG_CACHE_HOME="$(realpath "$2")")
      shift
      ;;
    *)
      sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2
      exit 2
      ;;
  esac
  shift
done
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain)" ]; then
  echo "ci-fresh: uncommitted changes are not part of this run" >&2
fi
scratch=$(mktemp -d /tmp/ci-fresh-XXXXXX)
[ $keep = 1 ] || trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/home"
git clone -q --no-hardlinks "$PWD" "$scratch/clone"
git -C "$scratch/clone" checkout -q --detach "$commit"
echo "ci-fresh: $commit in $scratch/clone"
start=$(date +%s)
status=0
env -i PATH="$PATH" HOME="$scratch/home" "${cache[@]}" bash -c 'cd "$1" && bash .ci/run' ci-fresh "$scratch/clone" || status=$?
echo "ci-fresh: exit $status after $(( $(date +%s) - start )) s"
exit $status
