#!/usr/bin/env bash
# Shows that the working tree writes the same bytes as the tool at BASE, in every mode and form:
# the default result (-b and -n), --check in its four forms, and --html5 (-b and -n), each with
# its standard error and exit status. Pages: the 256 MiB bench page, a table of 1,000,000 rows,
# examples/, the golden pages, and PAGES generated cross-check pages (needs node).
# Usage: bench/same-bytes.sh BASE [PAGES] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:?usage: bench/same-bytes.sh BASE [PAGES] [SEED]}
count=${2:-1500}
seed=${3:-1}
source bench/base.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-same.XXXXXX")
trap 'git worktree prune; rm -rf "$work"' EXIT
build_base "$base" "$work/old"
build_work "$work/new"
mkdir "$work/pages"
"$work/new/bench/genpage" 256 >"$work/pages/bench.html"
make_rows "$work/pages/rows.html"
cp examples/*.html "$work/pages/"
for f in tests/data/golden/*.html; do cp "$f" "$work/pages/golden-$(basename "$f")"; done
node tests/crosscheck/generate.mjs "$work/generated" "$count" "$seed"

# One line per page and mode: the mode, the page, and checksums of standard output and error,
# with the exit status.
run() { # label zelko args...
  local label=$1 status
  shift
  set +e
  "$@" 2>"$work/err" | sha256sum >"$work/out"
  status=${PIPESTATUS[0]}
  set -e
  echo "$label $(cut -c1-16 "$work/out") $(sha256sum <"$work/err" | cut -c1-16) $status"
}
sums() { # zelko
  local zelko=$1 f form
  for f in "$work"/pages/*.html "$work"/generated/*.html; do
    local name=${f#"$work"/}
    run "-b $name" "$zelko" --output=- "$f" -b
    run "-n $name" "$zelko" --output=- "$f" -n
    run "--html5 -b $name" "$zelko" --html5 --output=- "$f" -b
    run "--html5 -n $name" "$zelko" --html5 --output=- "$f" -n
  done
  for form in gnu json sarif github; do
    for f in "$work"/pages/*.html; do
      run "--check --format=$form ${f#"$work"/}" "$zelko" --check --format="$form" "$f"
    done
    (cd "$work/generated" && run "--check --format=$form generated/*" "$zelko" --check --format="$form" ./*.html)
  done
}
sums "$work/old/zelko" >"$work/old.sums"
sums "$work/new/zelko" >"$work/new.sums"
runs=$(wc -l <"$work/old.sums")
if ! cmp -s "$work/old.sums" "$work/new.sums"; then
  echo "same-bytes: the outputs differ from $base's:"
  diff "$work/old.sums" "$work/new.sums" | head -n 20
  exit 1
fi
echo "same-bytes: $runs runs of $(ls "$work"/pages/*.html "$work"/generated/*.html | wc -l) pages, the same bytes, errors and statuses as $base ($(git rev-parse --short "$base"))"
