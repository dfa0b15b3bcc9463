#!/usr/bin/env bash
# Times zelko on a generated 256 MiB page against `wc -l` on the same file (the floor for any
# program that looks at every byte), several runs each, zelko --check on the same page in each
# report form, and zelko --html5; and measures peak RSS on a 1 MiB and a 256 MiB page, and of
# --check and --html5 on the 256 MiB page and on a page of one table with 1,000,000 rows.
# Usage: bench/run.sh [RUNS] [MEBIBYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
size=${2:-256}

cmake --preset default >/dev/null
cmake --build --preset default --target zelko genpage >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open"   # the result is not opened
chmod +x "$work/bin/xdg-open"
cp build/zelko "$work/zelko"                          # the result lands next to the tool
./build/bench/genpage "$size" >"$work/page.html"
./build/bench/genpage 1 >"$work/small.html"
{ printf '<table class="long">\n'
  for ((r = 0; r < 1000; r++)); do printf '<tr><td>%d</td><td rowspan=2>a</td><td>b</td></tr>\n' "$r"; done
} >"$work/thousand.html"
for ((k = 0; k < 1000; k++)); do tail -n 1000 "$work/thousand.html"; done >"$work/rows.html.body"
{ head -n 1 "$work/thousand.html"; cat "$work/rows.html.body"; printf '</table>\n'; } >"$work/rows.html"
rm "$work/rows.html.body"
bytes=$(stat -c %s "$work/page.html")
cat "$work/page.html" >/dev/null                      # both start from a warm page cache

seconds() { # command... : wall-clock seconds of one run
  local t0 t1
  t0=$(date +%s%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s%N)   # --check ends 1 on findings
  echo "scale=4; ($t1 - $t0) / 1000000000" | bc
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
fastest() { sort -n | head -n 1; }
peak_kib() { { /usr/bin/time -v "$@" 2>&1 >/dev/null || true; } | awk -F: '/Maximum resident/ {gsub(/ /, "", $2); print $2}'; }

# Every run starts as the first one does: no earlier result to truncate and nothing left to
# write back. Truncating the previous 300 MB result waits for the disk to finish writing it,
# which would time the disk's write-back of the last run instead of the tool.
settle() { rm -f "$work/zelko.html"; sync; }

wc_times=() zelko_times=() check_times=() json_times=() sarif_times=() github_times=() html5_times=()
for ((i = 0; i < runs; i++)); do
  settle
  wc_times+=("$(seconds wc -l "$work/page.html")")
  settle
  zelko_times+=("$(PATH="$work/bin:$PATH" seconds "$work/zelko" "$work/page.html")")
  result_bytes=$(stat -c %s "$work/zelko.html")
  settle
  check_times+=("$(seconds "$work/zelko" --check "$work/page.html")")
  json_times+=("$(seconds "$work/zelko" --check --format=json "$work/page.html")")
  sarif_times+=("$(seconds "$work/zelko" --check --format=sarif "$work/page.html")")
  github_times+=("$(seconds "$work/zelko" --check --format=github "$work/page.html")")
  settle
  html5_times+=("$(PATH="$work/bin:$PATH" seconds "$work/zelko" --html5 "$work/page.html")")
done
wc_median=$(printf '%s\n' "${wc_times[@]}" | median)
zelko_median=$(printf '%s\n' "${zelko_times[@]}" | median)
check_median=$(printf '%s\n' "${check_times[@]}" | median)
zelko_fastest=$(printf '%s\n' "${zelko_times[@]}" | fastest)
check_fastest=$(printf '%s\n' "${check_times[@]}" | fastest)

settle
rss_small=$(PATH="$work/bin:$PATH" peak_kib "$work/zelko" "$work/small.html")
settle
rss_large=$(PATH="$work/bin:$PATH" peak_kib "$work/zelko" "$work/page.html")
rss_check=$(peak_kib "$work/zelko" --check "$work/page.html")
rss_rows=$(peak_kib "$work/zelko" --check "$work/rows.html")
settle
rss_html5=$(PATH="$work/bin:$PATH" peak_kib "$work/zelko" --html5 "$work/page.html")
settle
rss_html5_rows=$(PATH="$work/bin:$PATH" peak_kib "$work/zelko" --html5 "$work/rows.html")
report_lines=$({ "$work/zelko" --check "$work/page.html" 2>/dev/null || true; } | wc -l)

mbps() { echo "scale=0; $bytes / $1 / 1000000" | bc; }
echo "input:          $bytes bytes, $(tr -cd '<' <"$work/page.html" | wc -c) '<' (generated, ${size} MiB); result $result_bytes bytes"
echo "wc -l median:   ${wc_median} s  ($(mbps "$wc_median") MB/s)   runs: ${wc_times[*]}"
echo "zelko median:   ${zelko_median} s  ($(mbps "$zelko_median") MB/s)   runs: ${zelko_times[*]}"
echo "ratio:          $(echo "scale=1; $zelko_median / $wc_median" | bc)x wc -l"
echo "--check median: ${check_median} s  ($(mbps "$check_median") MB/s)   runs: ${check_times[*]}"
echo "--check ratio:  $(echo "scale=2; $check_median / $zelko_median" | bc)x the default mode by medians, $(echo "scale=2; $check_fastest / $zelko_fastest" | bc)x by fastest runs ($check_fastest s, $zelko_fastest s); report of $report_lines lines"
for form in json sarif github html5; do
  declare -n times="${form}_times"
  form_median=$(printf '%s\n' "${times[@]}" | median)
  label="--format=$form:"
  [ "$form" = html5 ] && label="--html5:"
  printf '%-15s %s s  (%sx the default mode)   runs: %s\n' "$label" "$form_median" \
    "$(echo "scale=2; $form_median / $zelko_median" | bc)" "${times[*]}"
done
echo "peak RSS:       ${rss_small} KiB on 1 MiB, ${rss_large} KiB on ${size} MiB"
echo "--check RSS:    ${rss_check} KiB on ${size} MiB, ${rss_rows} KiB on one table of 1000000 rows ($(stat -c %s "$work/rows.html") bytes)"
echo "--html5 RSS:    ${rss_html5} KiB on ${size} MiB, ${rss_html5_rows} KiB on one table of 1000000 rows"
echo "machine:        $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr)"
