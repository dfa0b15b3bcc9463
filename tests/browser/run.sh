#!/usr/bin/env bash
# Compares, in headless Chromium, the table grids of pages with those of their `zelko --html5`
# views: generated hostile table pages (as for the --check cross-check), the repo's own pages
# (also with --a11y, whose headers must change no grid),
# pages in declared encodings and pages nested deeper than Chromium builds, and these again in
# the -n mode. Then opens default results of pages full of event handlers with
# scripting on, and fails if any handler runs. Needs node, npm and Debian's chromium.
# Usage: tests/browser/run.sh path/to/zelko [PAGES] [SEED]
set -euo pipefail
zelko=$(realpath "$1")
pages=${2:-500}
seed=${3:-1}
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)

(cd "$here" && npm install --no-audit --no-fund --no-package-lock --silent >/dev/null)
work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-browser.XXXXXX")
trap 'rm -rf "$work"' EXIT
node "$top/tests/crosscheck/generate.mjs" "$work/pages" "$pages" "$seed"
for f in "$top"/examples/*.html "$top"/tests/data/golden/*.html; do
  base=$(basename "$f" .html)
  cp "$f" "$work/pages/own-$base.html"
  cp "$f" "$work/pages/plain-$base.html"
  cp "$f" "$work/pages/a11y-$base.html"
done
# Pages in declared encodings, their classes in each encoding's script, written by iconv: the
# browser decodes them as the meta says, and the view must show the same classes.
declare -A words=([windows-1251]="таблица строка" [windows-1252]="café naïve" [iso-8859-2]="tabulka řádek"
                  [koi8-r]="ячейка столбец" [shift_jis]="表 見出し" [euc-jp]="表 見出し" [gbk]="表格 单元"
                  [big5]="表格 儲存")
for enc in "${!words[@]}"; do
  read -r first second <<<"${words[$enc]}"
  for mode in own plain; do
    printf '<!doctype html><meta charset="%s"><table class="%s"><tr><th class="%s">a<td class="x %s">b</table>\n<table><td class=%s>c</table>\n' \
      "$enc" "$first" "$second" "$first" "$second" | iconv -f UTF-8 -t "$enc" >"$work/pages/$mode-encoded-$enc.html"
  done
done
# Pages nested deeper than Chromium builds.
node "$here/deep.mjs" "$work/pages"
names=()
for f in "$work"/pages/*.html; do
  name=$(basename "$f" .html)
  mode=-b
  [[ $name == plain-* ]] && mode=-n
  a11y=()
  [[ $name == a11y-* ]] && a11y=(--a11y)
  "$zelko" --html5 "$mode" "${a11y[@]}" --no-open --output="$work/pages/$name.view.html" "$f" >/dev/null
  names+=("$name")
done
node "$here/grids.mjs" "$work/pages" "${names[@]}"
mkdir "$work/noscript"
node "$here/noscript.mjs" "$zelko" "$work/noscript"
