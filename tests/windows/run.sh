#!/usr/bin/env bash
# End-to-end tests of zelko.exe under Wine: the golden pages in both modes (CRLF results), the
# console reports and exit statuses, the protection of a source that is the result file, read
# and write errors, a path holding the interpreter's special characters, and --check with its
# SARIF form, standard input and pages in declared encodings.
# Usage: tests/windows/run.sh path/to/zelko.exe
set -uo pipefail
exe=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
golden="$here/../data/golden"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Names outside any one code page reach Wine intact only from a UTF-8 locale.
export LC_ALL=C.UTF-8
export WINEPREFIX=${WINEPREFIX:-$(mktemp -d "${TMPDIR:-/tmp}/zelko-wine.XXXXXX")}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 300 wineboot --init >/dev/null 2>&1
  timeout 120 wineserver -w
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zelko-wintest.XXXXXX")
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0

fail() { echo "FAIL: $1"; failed=$((failed + 1)); }
pass() { passed=$((passed + 1)); }
crlf() { perl -pe 's/\n/\r\n/' "$1"; }   # the expected result with Windows line ends (none after the last unended line)

# run DIR ARGS...: runs zelko.exe copied into DIR; sets status, out and err (with \r removed).
# zelko.exe always says something under Wine (at least that it cannot open the result), so a
# run that fails having said nothing at all is Wine failing to start it: that run is tried once
# more.
run() {
  local dir=$1 try; shift
  cp "$exe" "$dir/zelko.exe"
  for try in 1 2; do
    (cd "$dir" && timeout 60 wine zelko.exe "$@" </dev/null >"$work/out" 2>"$work/err")
    status=$?
    out=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
    if [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || [ -n "$out$err" ]; then break; fi
    echo "note: Wine ended zelko.exe $* with status $status and no output (try $try)"
  done
}

expect_status() { # what expected
  if [ "$status" -eq 124 ]; then fail "$1: did not end within 60 s"; return 1; fi
  if [ "$status" -ne "$2" ]; then fail "$1: exit status $status, expected $2 (out: $out; err: $err)"; return 1; fi
  return 0
}

# Golden pages, both modes, result bytes compared exactly.
for page in simple hostile crlf empty; do
  for mode in borders plain; do
    dir="$work/$page-$mode"; mkdir -p "$dir"
    cp "$golden/$page.html" "$dir/page.html"
    if [ "$mode" = plain ]; then run "$dir" page.html -n; else run "$dir" -B page.html; fi
    expect_status "golden $page $mode" 0 || continue
    if ! cmp -s <(crlf "$golden/$page.$mode") "$dir/zelko.html"; then
      fail "golden $page $mode: result differs"; cmp <(crlf "$golden/$page.$mode") "$dir/zelko.html" | head -n 3
    elif ! grep -qF "RESULT:	'" <<<"$out" || ! grep -qF "zelko.html'" <<<"$out"; then
      fail "golden $page $mode: no result line in: $out"
    else
      pass
    fi
  done
done

# No arguments: the usage text and exit status 1, nothing written.
dir="$work/usage"; mkdir -p "$dir"
run "$dir"
if expect_status "usage" 1; then
  if [[ "$out" != *"ERROR: missing sourcefile as parameter!!"*"-n	borders from source file (default)"* ]]; then
    fail "usage: text missing from: $out"
  elif [ -e "$dir/zelko.html" ]; then fail "usage: a result was written"
  else pass; fi
fi

# A missing source and a run with switches only: reported on both streams, exit status 2.
for args in "missing.html" "-n"; do
  dir="$work/missing-${args#-}"; mkdir -p "$dir"
  # shellcheck disable=SC2086
  run "$dir" $args
  report="Open file error: No such file or directory"
  if expect_status "open error ($args)" 2; then
    if [ "$err" != "$report" ] || [[ "$out" != "$report"* ]]; then
      fail "open error ($args): out '$out' err '$err'"
    elif [ -e "$dir/zelko.html" ]; then fail "open error ($args): a result was written"
    else pass; fi
  fi
done

# The tool run on its own result: refused, the file left as it was.
dir="$work/same"; mkdir -p "$dir"
cp "$golden/simple.html" "$dir/zelko.html"
run "$dir" zelko.html
report="Create file error: the result file is the source file"
if expect_status "same file" 1; then
  if [ "$err" != "$report" ] || [[ "$out" != "$report"* ]]; then fail "same file: out '$out' err '$err'"
  elif ! cmp -s "$golden/simple.html" "$dir/zelko.html"; then fail "same file: the source was changed"
  else pass; fi
fi

# A result that cannot be created (a folder holds its name).
dir="$work/create"; mkdir -p "$dir/zelko.html"
cp "$golden/simple.html" "$dir/page.html"
run "$dir" page.html
if expect_status "create error" 13; then
  if [ "$err" != "Create file error: Permission denied" ]; then fail "create error: err '$err'"
  else pass; fi
fi

# A write that fails part way (a file-size limit): reported, and the earlier result is kept
# as it was, with no temporary file left behind. The Wine server is started beforehand without
# the limit, so only the tool's own writes are bounded.
dir="$work/full"; mkdir -p "$dir"
head -c 3000000 /dev/zero | tr '\0' '\n' >"$dir/page.html"
printf 'the earlier result\n' >"$dir/zelko.html"
wineserver -p 30
cp "$exe" "$dir/zelko.exe"
(cd "$dir" && ulimit -f 1000 && trap '' XFSZ && timeout 60 wine zelko.exe page.html </dev/null >"$work/out" 2>"$work/err")
status=$?
out=$(tr -d '\r' <"$work/out"); err=$(tr -d '\r' <"$work/err")
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ]; then fail "write error: exit status $status (err: $err)"
elif [[ "$err" != "Write file error: "* ]]; then fail "write error: err '$err'"
elif grep -qF "RESULT:" <<<"$out"; then fail "write error: result line printed"
elif [ "$(cat "$dir/zelko.html")" != "the earlier result" ]; then fail "write error: the earlier result was changed"
elif compgen -G "$dir/.zelko-*" >/dev/null; then fail "write error: a temporary file was left"
else pass; fi

# A folder as the source: Windows refuses to open it for reading.
dir="$work/folder"; mkdir -p "$dir/sub"
run "$dir" sub
if expect_status "folder as source" 13; then
  if [ "$err" != "Open file error: Permission denied" ]; then fail "folder as source: err '$err'"
  else pass; fi
fi

# The interpreter's special characters in the tool's path run nothing.
dir="$work/a b&mkdir pwned&(c)^d"; mkdir -p "$dir"
cp "$golden/simple.html" "$dir/page.html"
run "$dir" page.html
if expect_status "special path" 0; then
  if ! cmp -s <(crlf "$golden/simple.borders") "$dir/zelko.html"; then fail "special path: result differs"
  elif [ -e "$dir/pwned" ] || [ -e "$work/pwned" ]; then fail "special path: a command in the path ran"
  elif [[ "$out" != *"a b&mkdir pwned&(c)^d\\zelko.html'"* ]]; then fail "special path: result line '$out'"
  else pass; fi
fi

# Names from outside any single code page: a source, and a tool in a folder, named so.
dir="$work/Ordner–表 Übersicht"; mkdir -p "$dir"
cp "$golden/simple.html" "$dir/Übersicht–表.html"
run "$dir" "Übersicht–表.html"
if expect_status "unicode names" 0; then
  if ! cmp -s <(crlf "$golden/simple.borders") "$dir/zelko.html"; then fail "unicode names: result differs"
  elif [[ "$out" != *"Ordner–表 Übersicht\\zelko.html'"* ]]; then fail "unicode names: result line '$out'"
  else pass; fi
fi

# Long options: the version, and the result written to a named file without opening it.
dir="$work/options"; mkdir -p "$dir"
cp "$golden/simple.html" "$dir/page.html"
run "$dir" --version
if expect_status "--version" 0; then
  if [[ ! "$out" =~ ^zelko\ [0-9]+\.[0-9]+\.[0-9]+$ ]]; then fail "--version: '$out'"; else pass; fi
fi
run "$dir" --no-open "--output=Ergebnis–表.html" -n page.html
if expect_status "--output" 0; then
  if ! cmp -s <(crlf "$golden/simple.plain") "$dir/Ergebnis–表.html"; then fail "--output: result differs"
  elif [ "$out" != $'\nRESULT:\t\'Ergebnis–表.html\'' ]; then fail "--output: result line '$out'"
  elif [ -n "$err" ]; then fail "--output: err '$err'"
  elif [ -e "$dir/zelko.html" ]; then fail "--output: zelko.html written too"
  else pass; fi
fi

# --check: the same report as on Linux (columns count the page's own bytes, CR included), a
# page named outside any one code page, and a missing page reported while the others are checked.
dir="$work/check"; mkdir -p "$dir"
printf '<table>\r\n<tr><td>a<td>b\r\n<tr><td>c\r\n</table>\r\n' >"$dir/Tabelle–表.html"
run "$dir" --check missing.html "Tabelle–表.html" -n
expected="Tabelle–表.html:4:1: warning: row 2 has 1 column, fewer than the 2 that the first row sets [row-short]
Tabelle–表.html:1:1: note: table 1 (no class): 2 rows x 2 columns, 1 row group [table]"
if expect_status "--check" 2; then
  if [ "$out" != "$expected" ]; then fail "--check: report '$out'"
  elif [ "$err" != "missing.html: Open file error: No such file or directory
zelko: 1 page, 1 table, 0 errors, 1 warning" ]; then fail "--check: err '$err'"
  elif [ -e "$dir/zelko.html" ]; then fail "--check: a result was written"
  else pass; fi
fi

# --check --format=sarif: one log, the page's name percent-encoded from its UTF-8 form.
run "$dir" --check --format=sarif "Tabelle–表.html"
if expect_status "--format=sarif" 1; then
  if [[ "$out" != '{"$schema":"https://json.schemastore.org/sarif-2.1.0.json","version":"2.1.0",'* ]] ||
     [[ "$out" != *'"artifactLocation":{"uri":"Tabelle%E2%80%93%E8%A1%A8.html"},"region":{"startLine":4,"startColumn":1}'* ]] ||
     [[ "$out" != *$'\n]}]}' ]]; then fail "--format=sarif: log '$out'"
  elif [ "$err" != "zelko: 1 page, 1 table, 0 errors, 1 warning" ]; then fail "--format=sarif: err '$err'"
  else pass; fi
fi

# --check -: standard input is read as the bytes it holds, so a CR LF keeps its CR and a ^Z
# does not end the page, as it would in text mode.
printf '\032<table>\r\n<tr><td>a<td>b\r\n<tr><td>c\r\n</table>\r\n' >"$work/stdin.html"
cp "$exe" "$dir/zelko.exe"
(cd "$dir" && timeout 60 wine zelko.exe --check - <"$work/stdin.html" >"$work/out" 2>"$work/err")
status=$?
out=$(tr -d '\r' <"$work/out")
err=$(tr -d '\r' <"$work/err")
expected="<stdin>:4:1: warning: row 2 has 1 column, fewer than the 2 that the first row sets [row-short]
<stdin>:1:2: note: table 1 (no class): 2 rows x 2 columns, 1 row group [table]"
if expect_status "--check -" 1; then
  if [ "$out" != "$expected" ]; then fail "--check -: report '$out'"
  elif [ "$err" != "zelko: 1 page, 1 table, 0 errors, 1 warning" ]; then fail "--check -: err '$err'"
  else pass; fi
fi

# --check on pages in declared encodings: classes decoded by the system's code pages.
for enc in windows-1251 shift_jis; do
  word=таблица
  [ "$enc" = shift_jis ] && word=表見出し
  printf '<meta charset="%s"><table class="%s"><tr><td>a</table>' "$enc" "$word" | iconv -f UTF-8 -t "$enc" >"$dir/$enc.html"
  run "$dir" --check "$enc.html"
  if expect_status "--check $enc" 0; then
    if [ "$out" != "$enc.html:1:$((18 + ${#enc})): note: table 1 (class \"$word\"): 1 row x 1 column, 1 row group [table]" ]; then
      fail "--check $enc: report '$out'"
    else pass; fi
  fi
done

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
