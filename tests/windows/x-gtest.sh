#!/usr/bin/env bash
# x-gtest.sh PREFIX PROGRAM
#
# A googletest program of the Windows build that needs a display, under Wine
# on an Xvfb display of its own (x-session.sh). It passes when the program
# says every test passed and none failed, whatever its exit code says (an
# i686 program that could not run would exit 0 and say nothing).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$(realpath -m "${1:?usage: x-gtest.sh PREFIX PROGRAM}")
program=$(realpath "${2:?usage: x-gtest.sh PREFIX PROGRAM}")
source "$here/../../scripts/wine/env.sh" "$prefix"
source "$here/x-session.sh"

status=0
"$WINE" "$program" >"$work/out" 2>&1 </dev/null || status=$?
tr -d '\r' <"$work/out"
tr -d '\r' <"$work/out" | grep -q '^\[  PASSED  \]' && ! tr -d '\r' <"$work/out" | grep -q '^\[  FAILED  \]' &&
  test "$status" = 0
