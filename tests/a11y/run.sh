#!/usr/bin/env bash
# Compares `zelko --headers --format=json` with what Chromium tells screen readers over AT-SPI:
# on generated pages full of header markup (generate.py) and on the repo's own pages (given ids
# and a title by mark.mjs), every table's verdict and every cell's role and header cells. Runs Chromium under Xvfb in a D-Bus session of its own with the AT-SPI
# registry. Then runs axe-core's table rules on the same pages and compares them with
# `zelko --check --a11y` table by table (axe.mjs), on the generated pages. Needs Debian's chromium, xvfb, at-spi2-core,
# dbus-x11 and python3-pyatspi, and node and npm.
# Usage: tests/a11y/run.sh path/to/zelko [PAGES] [SEED]
set -euo pipefail
zelko=$(realpath "$1")
pages=${2:-10}
seed=${3:-1}
here=$(cd "$(dirname "$0")" && pwd)
# Debian's python, which has pyatspi, whatever python comes first on the PATH.
python=/usr/bin/python3

work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-a11y.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$python" "$here/generate.py" "$work" "$pages" "$seed"
generated=()
for f in "$work"/*.html; do generated+=("$(basename "$f" .html)"); done
(cd "$here" && npm install --no-audit --no-fund --no-package-lock --silent >/dev/null)
root=$(cd "$here/../.." && pwd)
repo=()
n=0
for page in "$root"/examples/*.html "$root"/tests/data/golden/*.html "$root"/fuzz/corpus/*/*.html; do
  repo+=("$(printf 'repo%02d' $n)=$page")
  n=$((n + 1))
done
node "$here/mark.mjs" "$work" "${repo[@]}"
names=()
for f in "$work"/*.html; do
  name=$(basename "$f" .html)
  (cd "$work" && "$zelko" --headers --format=json "$name.html" >"$name.headers.jsonl")
  names+=("$name")
done

# The session: the accessibility bus, its registry, and the flag that tells toolkits that
# assistive technology listens.
cat >"$work/session.sh" <<EOF
/usr/libexec/at-spi-bus-launcher --launch-immediately &
bus=\$!
sleep 1
/usr/libexec/at-spi2-registryd --use-gnome-session=false >/dev/null 2>&1 &
registry=\$!
dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus org.freedesktop.DBus.Properties.Set \
  string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null
status=0
"$python" "$here/compare.py" "$work" ${names[*]} || status=\$?
kill \$registry \$bus 2>/dev/null || true
exit \$status
EOF
xvfb-run -a dbus-run-session -- bash "$work/session.sh" 2> >(grep -v -e 'fd limit' -e dconf -e SpiRegistry >&2)

node "$here/axe.mjs" "$zelko" "$work" "${generated[@]}"
