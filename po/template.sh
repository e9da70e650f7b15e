#!/usr/bin/env bash
# Extracts every text the game shows from its sources into po/morlo3.pot,
# the template translators start from and update against.
# Usage: po/template.sh          writes po/morlo3.pot
#        po/template.sh --check  fails, with the difference, when the
#                                template is not what the sources give
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v xgettext >/dev/null || { echo "template.sh: xgettext is missing (Debian package gettext)" >&2; exit 1; }
extract() {
  # The sources spell their texts in Windows-1252, as the game draws them;
  # the template is UTF-8. Locations name the file only, so moving a line
  # does not change the template.
  xgettext --from-code=CP1252 --keyword --keyword=N_ --keyword=NC_:1c,2 --add-location=file --sort-output \
    --package-name=morlo3 --copyright-holder="The Kestrel Engine team" \
    --msgid-bugs-address=https://kestrelengine.net/morlo3 -o - morlo3/*.cpp |
    sed '/^"POT-Creation-Date:/d'
}
if [ "${1:-}" = "--check" ]; then
  if ! diff -u po/morlo3.pot <(extract); then
    echo "template.sh: po/morlo3.pot is not what the sources give; run po/template.sh and update the .po files" >&2
    exit 1
  fi
  exit 0
fi
extract >po/morlo3.pot
