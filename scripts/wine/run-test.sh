#!/usr/bin/env bash
# run-test.sh PREFIX [CHECK...] -- PROGRAM [ARGUMENT...]
#
# Runs one Windows program of the build under Wine (wine32 in a win32 prefix,
# wine64 in a win64 one; see env.sh), in the prefix that prefix.sh made,
# headless and bounded in time, and judges the run by what it printed as well
# as by its exit code: an exit code alone proves little (a 32-bit program
# under wine64 alone exits 0 without having run). PROGRAM
# is a path on this machine; its folder is the working directory, so the DLLs
# beside it are found.
#
# Checks; at least one that looks at the output is required:
#   --gtest              a googletest run: at least one test passed, none failed
#   --expect REGEX       some line of standard output matches REGEX (grep -E)
#   --debug-output FILE  run under debugcapture (beside PROGRAM); the texts of
#                        all OutputDebugStringA calls, joined, equal FILE byte
#                        for byte
#   --debugger           run under debugcapture only (the program reads its
#                        own debug texts back through VIDORRA_DEBUG_OUTPUT_FILE)
#   --exit-code N        the exit code expected (default 0)
#   --timeout SECONDS    limit of the run (default 120)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$(realpath -m "${1:?usage: run-test.sh PREFIX [CHECK...] -- PROGRAM [ARGUMENT...]}")
shift
source "$here/env.sh" "$prefix"

gtest=0
expects=()
debug_expected=""
debugger=0
want_exit=0
limit=120
while (($# > 0)) && [[ "$1" != "--" ]]; do
  case "$1" in
    --gtest) gtest=1; shift ;;
    --expect) expects+=("$2"); shift 2 ;;
    --debug-output) debug_expected=$2; debugger=1; shift 2 ;;
    --debugger) debugger=1; shift ;;
    --exit-code) want_exit=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    *) echo "run-test: unknown check $1" >&2; exit 2 ;;
  esac
done
[[ "${1:-}" == "--" ]] || { echo "run-test: -- PROGRAM missing" >&2; exit 2; }
shift
program=$(realpath "$1")
shift
if ((gtest == 0 && ${#expects[@]} == 0)) && [[ -z "$debug_expected" ]]; then
  echo "run-test: no check of the output given for $program" >&2
  exit 2
fi
[[ -d "$prefix/drive_c" ]] || { echo "run-test: no wine prefix in $prefix (run prefix.sh start)" >&2; exit 2; }

# Only a program of the prefix's architecture is run: look at its header.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [[ "$(od -An -c -j"$offset" -N4 "$1" | tr -d ' ')" == 'PE\0\0' ]] || { echo none; return; }
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
machine=$(pe_machine "$program")
if [[ "$machine" != "$WINE_PE_MACHINE" ]]; then
  echo "run-test: $program is a Windows program for machine $machine, not $WINE_PE_MACHINE ($WINEARCH prefix)" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
command=("$program" "$@")
if ((debugger)); then
  capture=$(dirname "$program")/debugcapture.exe
  [[ -f "$capture" ]] || { echo "run-test: $capture missing" >&2; exit 2; }
  command=("$capture" --out "$(wine_path "$work/debug-output.txt")" "$(basename "$program")" "$@")
fi

cd "$(dirname "$program")"
status=0
timeout -k 10 "$limit" "$WINE" "${command[@]}" >"$work/stdout" 2>"$work/stderr" </dev/null || status=$?
tr -d '\r' <"$work/stdout" >"$work/stdout.txt"
cat "$work/stdout.txt"
cat "$work/stderr" >&2

failed=0
fail() { echo "run-test: $*" >&2; failed=1; }
if ((status == 124 || status == 137)); then
  fail "timed out after $limit s"
elif ((status != want_exit)); then
  fail "exit code $status, expected $want_exit"
fi
if ((gtest)); then
  grep -Eq '^\[  PASSED  \] [1-9][0-9]* tests?\.' "$work/stdout.txt" || fail "no googletest run with passed tests"
  if grep -q '^\[  FAILED  \]' "$work/stdout.txt"; then fail "googletest reports failures"; fi
fi
for regex in "${expects[@]}"; do
  grep -Eq -- "$regex" "$work/stdout.txt" || fail "no line of the output matches: $regex"
done
if [[ -n "$debug_expected" ]]; then
  if ! cmp -s "$debug_expected" "$work/debug-output.txt"; then
    fail "debug output differs from $debug_expected:"
    diff <(cat -A "$debug_expected") <(cat -A "$work/debug-output.txt") >&2 || true
  fi
fi
exit "$failed"
