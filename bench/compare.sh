#!/usr/bin/env bash
# Times the tool as it stood at BASE against the working tree on the same generated page, in
# interleaved runs (old, new, old, new, ...) so that the machine's drift falls on both alike,
# in every mode and report form, and prints each mode's ratio new/old by medians and by
# fastest runs: a ratio above 1 is a slowdown.
# Usage: bench/compare.sh BASE [RUNS] [MEBIBYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:?usage: bench/compare.sh BASE [RUNS] [MEBIBYTES]}
runs=${2:-7}
size=${3:-256}
source bench/base.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-compare.XXXXXX")
trap 'git worktree prune; rm -rf "$work"' EXIT
build_base "$base" "$work/old"
build_work "$work/new"
mkdir "$work/bin" "$work/run"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
"$work/new/bench/genpage" "$size" >"$work/page.html"
cat "$work/page.html" >/dev/null

seconds() { # command... : wall-clock seconds of one run
  local t0 t1
  t0=$(date +%s%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s%N)
  echo "scale=4; ($t1 - $t0) / 1000000000" | bc
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
fastest() { sort -n | head -n 1; }
settle() { rm -f "$work/run/zelko.html"; sync; }

modes=("default" "--check" "--check --format=json" "--check --format=sarif" "--check --format=github" "--html5"
       "--check --a11y" "--headers --format=json" "--html5 --a11y")
declare -A times
for ((i = 0; i < runs; i++)); do
  for m in "${!modes[@]}"; do
    for side in old new; do
      cp "$work/$side/zelko" "$work/run/zelko"
      settle
      args=()
      [ "${modes[$m]}" != default ] && read -ra args <<<"${modes[$m]}"
      t=$(PATH="$work/bin:$PATH" seconds "$work/run/zelko" "${args[@]}" "$work/page.html")
      times[$side,$m]+="$t "
    done
  done
done
printf '%-24s %10s %10s %8s %10s %10s %8s\n' mode "old median" "new median" ratio "old best" "new best" ratio
for m in "${!modes[@]}"; do
  om=$(tr ' ' '\n' <<<"${times[old,$m]}" | grep . | median)
  nm=$(tr ' ' '\n' <<<"${times[new,$m]}" | grep . | median)
  of=$(tr ' ' '\n' <<<"${times[old,$m]}" | grep . | fastest)
  nf=$(tr ' ' '\n' <<<"${times[new,$m]}" | grep . | fastest)
  printf '%-24s %10s %10s %8s %10s %10s %8s\n' "${modes[$m]}" "$om" "$nm" "$(echo "scale=3; $nm / $om" | bc)" \
    "$of" "$nf" "$(echo "scale=3; $nf / $of" | bc)"
done
echo "$runs interleaved runs each on a ${size} MiB page; base $(git rev-parse --short "$base"); $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
