#!/usr/bin/env bash
# Writes the expected results of the golden pages anew from ZELKO (both modes), and shows for each
# that it is the expected result in git at REV (HEAD by default) with kNoScripts in front of it:
# the one change the results have had since the hand-written ones.
# Usage: tests/data/golden/regenerate.sh path/to/zelko [REV]
set -euo pipefail
zelko=$(realpath "$1")
rev=${2:-HEAD}
here=$(cd "$(dirname "$0")" && pwd)
prefix="<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'\">"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for page in "$here"/*.html; do
  name=$(basename "$page" .html)
  for mode in borders plain; do
    switch=-b
    [ "$mode" = plain ] && switch=-n
    "$zelko" --output="$here/$name.$mode" --no-open "$page" "$switch" >/dev/null
    git -C "$here" show "$rev:./$name.$mode" >"$work/before"
    if cmp -s <(printf '%s' "$prefix"; cat "$work/before") "$here/$name.$mode"; then
      echo "regenerate: $name.$mode is its earlier bytes with the prefix in front ($(stat -c %s "$work/before") + ${#prefix} bytes)"
    else
      echo "regenerate: $name.$mode differs from its earlier bytes by more than the prefix"
      status=1
    fi
  done
done
exit "$status"
