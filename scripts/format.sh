#!/usr/bin/env bash
# Formats every C++ file of the engine, the game, the tools, the tests, the
# benchmarks and the fuzz targets in the house style (.clang-format).
#
# Usage: scripts/format.sh          rewrites the files that are not formatted
#        scripts/format.sh --check  changes nothing; fails and names the files
#                                   that are not formatted (the suite runs it)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "format.sh: clang-format is missing (package clang-format)" >&2; exit 1; }
mapfile -t files < <(git ls-files -- kestrel morlo3 tools tests bench fuzz | grep -E '\.(cpp|h)$')
if [ "${1:-}" = --check ]; then
  if ! clang-format --dry-run --Werror --style=file "${files[@]}"; then
    echo "Some files are not in the house style: run scripts/format.sh to format them." >&2
    exit 1
  fi
  exit 0
fi
clang-format -i --style=file "${files[@]}"
