#!/usr/bin/env bash
# Times every mode of zelko on a generated page (256 MiB by default: running text, a tag about
# every 25 bytes, nested tables with spans and classes, long attributes, scripts, comments,
# stray '<'), beside `wc -l` (the floor for any program that reads every byte) and `cp` (a
# plain copy of the page, which writes as much as the default mode does), RUNS times each in
# turn, and measures each mode's peak memory on that page and on a page of one table of
# 1,000,000 rows. Prints one table: median seconds, speed, the ratio to the default mode, to
# `wc -l` and to `cp`, and peak RSS.
# Usage: bench/run.sh [RUNS] [MEBIBYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
size=${2:-256}
source bench/base.sh

cmake --preset default >/dev/null
cmake --build --preset default --target zelko genpage >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open"  # the result is not opened
chmod +x "$work/bin/xdg-open"
cp build/zelko "$work/zelko"  # the result lands next to the tool
./build/bench/genpage "$size" >"$work/page.html"
make_rows "$work/rows.html"
bytes=$(stat -c %s "$work/page.html")
cat "$work/page.html" >/dev/null  # every run starts from a warm page cache

seconds() { # command... : wall-clock seconds of one run
  local t0 t1
  t0=$(date +%s%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s%N)  # --check ends 1 on findings
  echo "scale=4; ($t1 - $t0) / 1000000000" | bc
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
peak_kib() { { /usr/bin/time -v "$@" 2>&1 >/dev/null || true; } | awk -F: '/Maximum resident/ {gsub(/ /, "", $2); print $2}'; }
# Every run starts as the first one does: no earlier result to truncate and nothing left to
# write back, which would time the disk's write-back of the last run instead of the tool.
settle() { rm -f "$work/zelko.html" "$work/copy.html"; sync; }

names=("wc -l" "cp" "zelko (default, -b)" "zelko -n" "--check" "--check --format=json" "--check --format=sarif"
       "--check --format=github" "--html5" "--html5 -n" "--check --a11y" "--headers --format=json" "--headers"
       "--html5 --a11y")
command_of() { # index page : the command of mode `index` on `page`
  case $1 in
    0) echo "wc -l $2" ;;
    1) echo "cp $2 $work/copy.html" ;;
    2) echo "$work/zelko $2" ;;
    3) echo "$work/zelko -n $2" ;;
    4) echo "$work/zelko --check $2" ;;
    5) echo "$work/zelko --check --format=json $2" ;;
    6) echo "$work/zelko --check --format=sarif $2" ;;
    7) echo "$work/zelko --check --format=github $2" ;;
    8) echo "$work/zelko --html5 $2" ;;
    9) echo "$work/zelko --html5 -n $2" ;;
    10) echo "$work/zelko --check --a11y $2" ;;
    11) echo "$work/zelko --headers --format=json $2" ;;
    12) echo "$work/zelko --headers $2" ;;
    13) echo "$work/zelko --html5 --a11y $2" ;;
  esac
}
declare -A times
for ((i = 0; i < runs; i++)); do
  for m in "${!names[@]}"; do
    settle
    read -ra command <<<"$(command_of "$m" "$work/page.html")"
    times[$m]+="$(PATH="$work/bin:$PATH" seconds "${command[@]}") "
  done
done
declare -A med
for m in "${!names[@]}"; do
  med[$m]=$(tr ' ' '\n' <<<"${times[$m]}" | grep . | median)
done
ratio() { echo "scale=2; $1 / $2" | bc | sed 's/^\./0./'; }

echo "page: $bytes bytes (generated, ${size} MiB), $(tr -cd '<' <"$work/page.html" | wc -c) '<'; one table of 1,000,000 rows: $(stat -c %s "$work/rows.html") bytes; $runs runs each, in turn"
echo
echo "| mode | median | speed | × default | × wc -l | × cp | peak RSS, ${size} MiB page | peak RSS, 1,000,000 rows |"
echo "|---|---|---|---|---|---|---|---|"
for m in "${!names[@]}"; do
  rss_page="" rss_rows=""
  if [ "$m" -ge 2 ]; then
    settle
    read -ra command <<<"$(command_of "$m" "$work/page.html")"
    rss_page="$(PATH="$work/bin:$PATH" peak_kib "${command[@]}") KiB"
    settle
    read -ra command <<<"$(command_of "$m" "$work/rows.html")"
    rss_rows="$(PATH="$work/bin:$PATH" peak_kib "${command[@]}") KiB"
  fi
  echo "| ${names[$m]} | $(sed 's/^\./0./' <<<"${med[$m]}") s | $(echo "scale=0; $bytes / ${med[$m]} / 1000000" | bc) MB/s | $(ratio "${med[$m]}" "${med[2]}") | $(ratio "${med[$m]}" "${med[0]}") | $(ratio "${med[$m]}" "${med[1]}") | $rss_page | $rss_rows |"
done
echo
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr), $(date -u +%Y-%m-%d)"
