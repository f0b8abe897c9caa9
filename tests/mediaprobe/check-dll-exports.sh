#!/usr/bin/env bash
# check-dll-exports.sh OBJDUMP PE32|PE32+ DLL CLIENT
#
# Checks libMetaScope.dll as a file: the expected PE format, exactly the
# twelve exports by their plain names (no @N decoration, no second name) with
# ordinals 1 to 12 in the alphabetical order of the names, and imports of
# system DLLs only (no MinGW runtime DLL). CLIENT is a C program linked against
# the DLL's import library: it must import the plain names from it.
set -euo pipefail
objdump=$1 format=$2 dll=$3 client=$4

expected="1 MediaInfoCloseFile
2 MediaInfoGetAudioBitrate
3 MediaInfoGetAudioChannels
4 MediaInfoGetAudioSamples
5 MediaInfoGetHeight
6 MediaInfoGetVideoAspect
7 MediaInfoGetVideoBitrate
8 MediaInfoGetVideoDuration
9 MediaInfoGetVideoFramerate
10 MediaInfoGetVideoRotate
11 MediaInfoGetWidth
12 MediaInfoOpenFile"

failed=0
fail() { echo "check: $*"; failed=1; }
dump=$("$objdump" -p "$dll")

magic=$(awk '/^Magic/ {print $3}' <<<"$dump")
[[ "$magic" == "($format)" ]] || fail "$dll is $magic, expected ($format)"

# objdump lists each name with its ordinal less the ordinal base.
base=$(sed -n 's/.*Ordinal Base[[:space:]]*\([0-9][0-9]*\).*/\1/p' <<<"$dump" | head -1)
actual=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
  sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' |
  awk -v base="${base:-0}" '{print $1 + base, $2}')
if [[ "$actual" != "$expected" ]]; then
  fail "exports of $dll (ordinal name) differ from the twelve:"
  diff <(echo "$expected") <(echo "$actual") || true
fi
count=$(sed -n '/Export Address Table -- Ordinal Base/,/^$/p' <<<"$dump" | grep -c 'Export RVA' || true)
[[ "$count" == 12 ]] || fail "$count entries in the export address table, expected 12"

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort -u | tr '\n' ' ')
for name in $imports; do
  case "$name" in
    kernel32.dll | msvcrt.dll | api-ms-win-*.dll | ucrtbase.dll | user32.dll | advapi32.dll) ;;
    *) fail "$dll imports $name" ;;
  esac
done

client_dump=$("$objdump" -p "$client")
client_magic=$(awk '/^Magic/ {print $3}' <<<"$client_dump")
[[ "$client_magic" == "($format)" ]] || fail "$client is $client_magic, expected ($format)"
# The import block of libMetaScope.dll: the names the client calls, plain.
client_names=$(awk '/DLL Name:/ {inside = ($3 == "libMetaScope.dll"); next}
                    inside && NF == 0 {inside = 0}
                    inside && $1 ~ /^[0-9a-f]+$/ && NF >= 3 {print $3}' <<<"$client_dump" | sort)
[[ -n "$client_names" ]] || fail "$client imports nothing from libMetaScope.dll"
while read -r name; do
  [[ -z "$name" ]] && continue
  grep -qx "[0-9]* $name" <<<"$expected" || fail "$client imports $name, not one of the twelve"
done <<<"$client_names"

if ((failed)); then exit 1; fi
echo "exports: ($format), the twelve plain names at ordinals 1..12 in alphabetical order; imports: $imports"
echo "client imports from libMetaScope.dll: $(tr '\n' ' ' <<<"$client_names")"
