#!/usr/bin/env bash
# Checks what a user installs: the man page is lint-free and names every option that --help
# names; the Debian package installs, the installed tool and man page work, and it is removed
# again; lintian accepts the package. Usage: tests/install.sh BUILD-DIR (a Release build of the
# tool). Needs root for dpkg.
set -euo pipefail
build=$(realpath "$1")
cd "$(dirname "$0")/.."
failed=0
fail() { echo "FAIL: $1"; failed=1; }

mandoc -Tlint -Wwarning docs/zelko.1 || fail "mandoc -Tlint reports the man page"

manual=$(mandoc -Tascii docs/zelko.1 | col -b)
options=$("$build/zelko" --help | grep -oE -- '(^| )--?[a-z][-a-z]*' | tr -d ' ' | sort -u)
[ -n "$options" ] || fail "--help names no option"
for option in $options --; do
  grep -qF -- "$option" <<<"$manual" || fail "the man page does not name $option"
done

(cd "$build" && rm -f ./*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/zelko_*.deb)
# Debian's own package checker: any error or warning fails the package.
lintian_report=$(lintian --tag-display-limit 0 --fail-on error,warning "$deb" 2>&1) ||
  fail "lintian reports the package: $lintian_report"
dpkg -i "$deb" >/dev/null
version=$(/usr/bin/zelko --version)
expected=$(grep -m1 '^CMAKE_PROJECT_VERSION:' "$build/CMakeCache.txt" | cut -d= -f2)
[ "$version" = "zelko $expected" ] || fail "installed zelko --version says '$version', expected 'zelko $expected'"
page=$(MANPAGER=cat man -l /usr/share/man/man1/zelko.1.gz 2>&1 | col -b)
grep -qF "show the bare table grid" <<<"$page" || fail "man -l does not show the installed page: $page"
cmp -s LICENSE /usr/share/doc/zelko/copyright || fail "the package's copyright file is not LICENSE"
zcat /usr/share/doc/zelko/changelog.gz | grep -q "^zelko ($expected)" ||
  fail "the installed changelog has no entry for $expected"
dpkg -r zelko >/dev/null
[ ! -e /usr/bin/zelko ] || fail "dpkg -r left /usr/bin/zelko behind"

if [ "$failed" -eq 0 ]; then echo "install: $(wc -w <<<"$options") options in the man page, package $(basename "$deb") installed and removed"; fi
exit "$failed"
