#!/usr/bin/env bash
# metascope.exe under Wine, beside the fake MediaInfo.dll: options in the
# spellings users type (the same getopt_long reading as on Linux), usage
# errors with their words and exit code 2 on standard error, and the
# progress line only when it is asked for (standard error here is a pipe,
# never a console).
# Arguments: the wine prefix, bin/fake/metascope.exe and the fake's script.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine/env.sh" "$1" || exit 1
cli=$(realpath "$2")
export FAKE_MEDIAINFO_SCRIPT
FAKE_MEDIAINFO_SCRIPT=$(wine_path "$3")
fail() { echo "FAIL: $*"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
mkdir -p tree/sub
touch tree/b.mkv tree/sub/a.mp4 tree/notes.txt a.mp4 -- -x.mp4

# Runs metascope.exe; rc, out and err (line ends as Linux has them).
run() {
  timeout -k 10 60 "$WINE" "$cli" "$@" >"$tmp/out.raw" 2>"$tmp/err.raw" </dev/null
  rc=$?
  out=$(tr -d '\r' <"$tmp/out.raw")
  err=$(tr -d '\r' <"$tmp/err.raw")
}

run -rj2 --json tree
[[ $rc -eq 0 ]] || fail "-rj2 --json tree: exit code $rc, $err"
[[ $(grep -o '"file":"[^"]*"' <<<"$out") == '"file":"tree\\b.mkv"
"file":"tree\\sub\\a.mp4"' ]] || fail "-rj2 --json tree: $out"
grep -q '"width":32,"height":24,' <<<"$out" || fail "the fake's answers: $out"

run tree --jobs 1 --rec --js -- -x.mp4
[[ $rc -eq 0 && $(grep -o '"file":"[^"]*"' <<<"$out" | tail -n 1) == '"file":"-x.mp4"' && -z $err ]] ||
  fail "tree --jobs 1 --rec --js -- -x.mp4: rc $rc, $out, $err"

try="usage: metascope [OPTION]... FILE...
Try 'metascope --help' for more information."
while IFS='|' read -r args message; do
  # shellcheck disable=SC2086
  run $args
  [[ $rc -eq 2 && -z $out && $err == "metascope: $message
$try" ]] || fail "'$args': rc $rc, out '$out', err '$err'"
done <<'CASES'
a.mp4 -rj|option requires an argument -- 'j'
-x a.mp4|invalid option -- 'x'
--jobs|option '--jobs' requires an argument
--json=1 a.mp4|option '--json' doesn't allow an argument
--bogus a.mp4|unrecognized option '--bogus'
--t a.mp4|option '--t' is ambiguous; possibilities: '--timeout' '--trace'
-j0 a.mp4|invalid number of jobs '0' (from 1 to 1024)
|no file given
CASES

# Standard error is a pipe: no progress unless asked for. (The fake opens
# any file name; a folder without -r fails before it is asked.)
run --json a.mp4 tree
[[ $rc -eq 1 && $err == "metascope: tree: not a regular file" ]] || fail "progress in a pipe: $(cat -A "$tmp/err.raw")"
run --progress --json a.mp4 tree tree/b.mkv
grep -q $'^\rmetascope: 0 of 3 files' "$tmp/err.raw" || fail "--progress: $(cat -A "$tmp/err.raw")"
# What a terminal would show: the error line, the progress line wiped.
shown=$(/usr/bin/python3 "$here/terminal-screen.py" "$tmp/err.raw")
[[ $shown == "metascope: tree: not a regular file" ]] || fail "--progress leaves: $shown"
[[ $(grep -c '"file"' <<<"$out") -eq 3 ]] || fail "--progress output: $out"
echo "metascope.exe: all checks held"
