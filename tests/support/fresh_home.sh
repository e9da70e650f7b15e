#!/usr/bin/env bash
# Runs a command in a home of its own: a fresh HOME, XDG_RUNTIME_DIR (0700),
# XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_STATE_HOME, XDG_CACHE_HOME and TMPDIR,
# all in one scratch folder that is removed afterwards, however the command
# ends. What earlier runs left in the user's own home (the sound client's
# records, a settings file, a pictures folder) can then change no result, and
# nothing the command does lands there.
#
# Usage: tests/support/fresh_home.sh COMMAND [ARG...]
# The command's exit code is this script's.
set -euo pipefail
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-home-XXXXXX")
trap 'chmod -R u+rwx "$scratch" 2>/dev/null || true; rm -rf "$scratch"' EXIT
for d in home run config data state cache tmp; do mkdir -m 0700 "$scratch/$d"; done
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/config \
  XDG_DATA_HOME=$scratch/data XDG_STATE_HOME=$scratch/state XDG_CACHE_HOME=$scratch/cache TMPDIR=$scratch/tmp
# A pictures folder named by the caller's session would point back out.
unset XDG_PICTURES_DIR
# Not exec: the trap removes the folder after the command.
status=0
"$@" || status=$?
exit $status
