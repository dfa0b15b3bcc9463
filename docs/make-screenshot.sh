#!/usr/bin/env bash
# Renders the sample page's result with headless Chromium (Debian package chromium) into
# docs/sample-result.png, the picture the README shows, and the timetable with faults through
# the default mode, --html5 and --html5 --a11y into docs/timetable-default.png,
# docs/timetable-html5.png and docs/timetable-a11y.png.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null && cmake --build --preset default >/dev/null
stub=$(mktemp -d) && printf '#!/bin/sh\nexit 0\n' >"$stub/xdg-open" && chmod +x "$stub/xdg-open"
PATH="$stub:$PATH" ./build/zelko examples/sample.html >/dev/null  # nothing is opened
profile=$(mktemp -d)
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" --hide-scrollbars --window-size=250,345 \
  --screenshot=docs/sample-result.png "file://$PWD/build/zelko.html"
rm -rf "$profile"

# The timetable with faults, through the default mode and through --html5, side by side.
for mode in default html5 a11y; do
  args=(--no-open --output="build/timetable-$mode.html")
  [ "$mode" = html5 ] && args+=(--html5)
  [ "$mode" = a11y ] && args+=(--html5 --a11y)
  ./build/zelko "${args[@]}" examples/timetable-broken.html >/dev/null
  profile=$(mktemp -d)
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --hide-scrollbars --window-size=620,"$([ "$mode" = a11y ] && echo 640 || echo 520)" \
    --screenshot="docs/timetable-$mode.png" "file://$PWD/build/timetable-$mode.html" 2>/dev/null
  rm -rf "$profile"
done
