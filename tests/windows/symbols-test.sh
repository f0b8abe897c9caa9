#!/usr/bin/env bash
# symbols-test.sh OBJDUMP RELEASE_ZIP SYMBOLS_ZIP WORK BINARY...
#
# Each BINARY (a path inside the release zip) ships stripped: no debug
# sections and no symbol table, and a .gnu_debuglink section naming
# BINARY.debug with that file's CRC-32. The symbols zip holds BINARY.debug at
# the same path, with the debug information (.debug_info, .debug_line).
set -euo pipefail
objdump=${1:?usage: symbols-test.sh OBJDUMP RELEASE_ZIP SYMBOLS_ZIP WORK BINARY...}
release_zip=$(realpath "$2")
symbols_zip=$(realpath "$3")
work=$(realpath -m "$4")
shift 4
(($# > 0)) || { echo "symbols-test: no binaries named" >&2; exit 2; }

fail() { echo "symbols-test: FAIL: $*" >&2; exit 1; }
objcopy=${objdump%objdump}objcopy

rm -rf "$work"
mkdir -p "$work/release" "$work/symbols"
(cd "$work/release" && cmake -E tar xf "$release_zip")
(cd "$work/symbols" && cmake -E tar xf "$symbols_zip")

# The CRC-32 of a file as 4 little-endian bytes, in hex: the one gzip keeps
# in its trailer.
crc32_le() { gzip -c <"$1" | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n'; }

for binary in "$@"; do
  shipped=$work/release/$binary
  debug=$work/symbols/$binary.debug
  [[ -f "$shipped" ]] || fail "$binary is not in the release zip"
  [[ -f "$debug" ]] || fail "$binary.debug is not in the symbols zip"

  sections=$("$objdump" -h "$shipped")
  ! grep -q '\.debug_' <<<"$sections" || fail "$binary still holds debug sections"
  symbols=$("$objdump" -t "$shipped" 2>&1 | grep -c '^\[' || true)
  ((symbols == 0)) || fail "$binary still holds $symbols symbols"
  grep -q '\.gnu_debuglink' <<<"$sections" || fail "$binary has no .gnu_debuglink section"

  # The link: the file name, NUL-padded to 4 bytes, then the CRC-32.
  "$objcopy" --dump-section .gnu_debuglink="$work/link" "$shipped" "$work/scratch"
  name=$(head -c -4 "$work/link" | tr -d '\0')
  [[ "$name" == "$(basename "$binary").debug" ]] || fail "$binary links to '$name'"
  link_crc=$(tail -c 4 "$work/link" | od -An -tx1 | tr -d ' \n')
  [[ "$link_crc" == "$(crc32_le "$debug")" ]] ||
    fail "$binary.debug's CRC-32 $(crc32_le "$debug") is not the linked $link_crc"

  debug_sections=$("$objdump" -h "$debug")
  grep -q '\.debug_info' <<<"$debug_sections" && grep -q '\.debug_line' <<<"$debug_sections" ||
    fail "$binary.debug holds no debug information"
  echo "symbols-test: $binary ($(stat -c %s "$shipped") bytes) <- $binary.debug ($(stat -c %s "$debug") bytes)"
done
echo "symbols-test: passed"
