#!/usr/bin/env bash
# Compares `zelko --check` with the parse5 reference (reference.mjs), line for line and in
# order: on generated hostile table pages and on the repo's own pages. Then checks the other
# report forms on the same pages: every JSON line parses and says what the gnu line says, and
# the SARIF Multitool finds no error in the SARIF log.
# Usage: tests/crosscheck/run.sh path/to/zelko [PAGES] [SEED]   (needs node and npm)
set -euo pipefail
zelko=$(realpath "$1")
pages=${2:-2000}
seed=${3:-1}
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)

(cd "$here" && npm install --no-audit --no-fund --no-package-lock --silent >/dev/null)
work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-crosscheck.XXXXXX")
trap 'rm -rf "$work"' EXIT
node "$here/generate.mjs" "$work/generated" "$pages" "$seed"
mkdir "$work/own"
cp "$top"/examples/*.html "$top"/tests/data/golden/*.html "$work/own/"

failed=0 lines=0 count=0
for folder in generated own; do
  cd "$work/$folder"
  names=(*.html)
  count=$((count + ${#names[@]}))
  "$zelko" --check "${names[@]}" >"$work/$folder.zelko" 2>"$work/$folder.summary" || [ $? -eq 1 ]
  node "$here/reference.mjs" "${names[@]}" >"$work/$folder.reference"
  lines=$((lines + $(wc -l <"$work/$folder.reference")))
  if ! cmp -s "$work/$folder.reference" "$work/$folder.zelko"; then
    failed=1
    echo "crosscheck: the reports differ on the $folder pages (seed $seed); first differences:"
    diff "$work/$folder.reference" "$work/$folder.zelko" | head -n 20 || true
    first=$(diff "$work/$folder.reference" "$work/$folder.zelko" | grep -m1 -oE '^[<>] [^:]+' | cut -c3- || true)
    [ -n "$first" ] && cp "$work/$folder/$first" "${TMPDIR:-/tmp}/zelko-crosscheck-$first" &&
      echo "crosscheck: kept the page as ${TMPDIR:-/tmp}/zelko-crosscheck-$first"
  fi
done
multitool="$here/node_modules/@microsoft/sarif-multitool-linux/Sarif.Multitool"
chmod u+x "$multitool"
for folder in generated own; do
  cd "$work/$folder"
  names=(*.html)
  "$zelko" --check --format=json "${names[@]}" >"$work/$folder.json" 2>/dev/null || [ $? -eq 1 ]
  if ! node "$here/formats.mjs" "$work/$folder.zelko" "$work/$folder.json"; then
    failed=1
  fi
  # The Multitool takes minutes on the log of thousands of pages: the first 300 show its shape.
  "$zelko" --check --format=sarif "${names[@]:0:300}" >"$work/$folder.sarif" 2>/dev/null || [ $? -eq 1 ]
  DOTNET_SYSTEM_GLOBALIZATION_INVARIANT=1 "$multitool" validate "$work/$folder.sarif" \
    --max-file-size-in-kb 1048576 --output "$work/$folder.validation.sarif" \
    >"$work/$folder.validation" 2>&1 || true
  if grep -qE ': error [A-Z]+[0-9]+' "$work/$folder.validation" ||
     ! grep -q 'Analysis completed successfully' "$work/$folder.validation"; then
    failed=1
    echo "crosscheck: the SARIF Multitool rejects the log of the $folder pages:"
    grep -E ': error ' "$work/$folder.validation" | head -n 10 || tail -n 20 "$work/$folder.validation"
  fi
done
echo "crosscheck: $count pages (seed $seed), $lines report lines, $([ "$failed" -eq 0 ] && echo 0 || echo some) differences"
exit "$failed"
