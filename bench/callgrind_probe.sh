#!/usr/bin/env bash
# The probe's cost over MediaInfo in instructions, which a busy machine does
# not change: for each media fixture, callgrind counts the instructions of
# REPEAT probes through libMetaScope's exports and of the same MediaInfo
# calls made directly (bench/callgrind_probe.cpp: the same program, both
# libraries loaded and one probe made before the counted part), and prints
# both counts and their ratio.
#
# usage: bench/callgrind_probe.sh [BUILD_DIR [REPEAT [FILE...]]]
#   BUILD_DIR  a build with bin/callgrind_probe (default build/release)
#   REPEAT     probes counted per run (default 5)
#   FILE       media files (default: every fixture in tests/fixtures/media)
#
# The counts are the same from run to run for the same full path, whatever
# else runs on the machine.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/release}" && pwd)
repeat=${2:-5}
shift $(($# > 2 ? 2 : $#))
program=$build/bin/callgrind_probe
[[ -x $program ]] || {
  echo "no $program: cmake --preset release && cmake --build --preset release --target callgrind_probe" >&2
  exit 2
}
command -v valgrind >/dev/null || { echo "valgrind is missing: bash scripts/setup.sh --all" >&2; exit 2; }
# MediaInfo's work depends a little on the path's text: always a full path.
files=()
for f in "$@"; do files+=("$(realpath "$f")"); done
if ((${#files[@]} == 0)); then
  for f in "$here"/tests/fixtures/media/*; do
    case $f in *.mp4|*.mkv|*.mp3|*.wav|*.png|*.jpg) files+=("$f") ;; esac
  done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Instructions counted by callgrind in one run of the program.
count() {
  local out=$work/callgrind.out
  rm -f "$out"
  if ! valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" \
      "$program" "$1" "$2" "$repeat" >"$work/log" 2>&1; then
    echo "callgrind_probe $1 $2 failed:" >&2
    cat "$work/log" >&2
    exit 1
  fi
  # "totals:" holds the event counts of the whole dump, Ir first ("summary:"
  # is the same where no totals line is written, and 0 with --instr-atstart=no).
  local total
  total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$out" | head -n 1)
  [[ -n $total ]] || total=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out" | head -n 1)
  [[ -n $total ]] || { echo "no totals in $out" >&2; exit 1; }
  echo "$total"
}

echo "instructions for $repeat probes of each file (valgrind $(valgrind --version | sed 's/^valgrind-//'), callgrind)"
printf '%-16s %16s %16s %9s %14s\n' file "libMetaScope" "MediaInfo" ratio "extra/probe"
for file in "${files[@]}"; do
  probe=$(count probe "$file")
  direct=$(count direct "$file")
  printf '%-16s %16d %16d %9.4f %14d\n' "$(basename "$file")" "$probe" "$direct" \
    "$(echo "$probe / $direct" | bc -l)" "$(((probe - direct) / repeat))"
done
