#!/usr/bin/env bash
# The metascope command-line tool on real files: table, JSON and exit codes.
set -euo pipefail
cli=$1
media=$2
fail() { echo "FAIL: $*"; exit 1; }

out=$("$cli" "$media/clip.mp4" 2>/dev/null) || fail "clip.mp4 should open"
grep -q "picture size *32 x 24 px" <<<"$out" || fail "table lacks the size: $out"
grep -q "frame rate *25 fps" <<<"$out" || fail "table lacks the frame rate: $out"
grep -q "audio sample rate *44100 Hz" <<<"$out" || fail "table lacks the sample rate: $out"

json=$("$cli" --json "$media/noaudio.mkv" "$media/rotated.mp4" 2>/dev/null) || fail "json run"
[[ $(wc -l <<<"$json") -eq 2 ]] || fail "one line per file expected: $json"
grep -q '"frameRate":29.97,"pixelAspect":0.889' <<<"$json" || fail "mkv answers: $json"
grep -q '"file":"[^"]*rotated.mp4".*"rotation":90' <<<"$json" || fail "rotation: $json"

# Any file that fails to open makes the exit code 1; the others still print.
set +e
json=$("$cli" --json "$media/clip.mp4" "$media/missing.mp4" 2>/dev/null)
rc=$?
set -e
[[ $rc -eq 1 ]] || fail "exit code $rc for a missing file"
grep -q '"file":"[^"]*missing.mp4","error":"no such file"' <<<"$json" || fail "error object: $json"
grep -q '"width":32' <<<"$json" || fail "the good file still answers: $json"

# A UTF-8 file name opens even when the environment names no locale.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$media/clip.mp4" "$tmp/vid$(printf '\xc3\xa9')o.mp4"
json=$(env -u LANG -u LANGUAGE LC_ALL=C "$cli" --json "$tmp"/vid*o.mp4 2>/dev/null) || fail "non-ASCII name in the C locale: $json"
grep -q '"width":32' <<<"$json" || fail "non-ASCII name answers: $json"

set +e
"$cli" >/dev/null 2>&1; rc=$?
set -e
[[ $rc -eq 2 ]] || fail "no file: exit code $rc, expected 2"
echo "metascope CLI: all checks held"
