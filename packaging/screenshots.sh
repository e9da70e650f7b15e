#!/usr/bin/env bash
# Makes the store screenshots in packaging/screenshots/ from the game's own
# frames: the normal replay is played headless with KESTREL_CAPTURE, and the
# chosen frames are doubled, each pixel a 2 x 2 square, as the window shows them.
# Usage: packaging/screenshots.sh [build-dir]   (needs ImageMagick's convert)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
(cd "$build" && KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_MAX_FRAMES=8000 \
  KESTREL_INPUT="$here/../tests/replays/normal.input" KESTREL_CAPTURE="$frames" KESTREL_CAPTURE_EVERY=5 \
  ./morlo3/morlo3)
# frame number and name: the menu after a won game, stage 2, a crypt, RirEza.
while read -r frame name; do
  convert "$frames/frame-$(printf %06d "$frame").png" -scale 200% -strip "$here/screenshots/$name.png"
done <<'LIST'
7185 menu
1315 fields
4300 crypt
6400 rireza
LIST
