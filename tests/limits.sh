#!/usr/bin/env bash
# Fails when a file in src/ is longer than 600 lines, or a function in it longer than 100: a
# function is counted from the line of its opening brace to its closing brace, at the indent of
# the brace (free functions and members defined out of their class alike).
set -euo pipefail
cd "$(dirname "$0")/.."
failed=0
for f in $(git ls-files 'src/*.cpp' 'src/*.h'); do
  lines=$(wc -l <"$f")
  if [ "$lines" -gt 600 ]; then
    echo "limits: $f has $lines lines (at most 600)"
    failed=1
  fi
  awk -v file="$f" '
    /^( {4})?\{$/ { indent = index($0, "{"); start = NR; next }
    start && substr($0, 1, indent) == sprintf("%" (indent - 1) "s}", "") && length($0) <= indent + 1 {
      if (NR - start + 1 > 100) { printf "limits: %s:%d: a function of %d lines (at most 100)\n", file, start, NR - start + 1; bad = 1 }
      start = 0
    }
    END { exit bad }' "$f" || failed=1
done
[ "$failed" -eq 0 ] && echo "limits: every file in src/ within 600 lines, every function within 100"
exit "$failed"
