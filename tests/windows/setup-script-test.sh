#!/usr/bin/env bash
# setup-script-test.sh win32|win64 PROJECT_NSI
#
# The setup program's script as CPack filled it in (project.nsi): where a real
# Windows will put the build and which registry view it will write, read from
# the script itself, so that any machine sees it (a win64 Wine prefix without
# a 32-bit side has no "Program Files (x86)", and a setup program resolving
# the 32-bit folders installs to "Program Files" there all the same).
#   - The Target (amd64-unicode for win64, x86-unicode for win32: Unicode for
#     the Chinese texts) comes before every command: after one, makensis
#     leaves a 64-bit setup program with the 32-bit shell folders.
#   - InstallDir is "$PROGRAMFILES64\Vidorra" (win64) or "$PROGRAMFILES\Vidorra".
#   - win64: .onInit and un.onInit each set "SetRegView 64" before their first
#     registry instruction, and nothing reads the registry before .onInit
#     (InstallDirRegKey). win32: no SetRegView at all (its own 32-bit view).
set -euo pipefail
usage='usage: setup-script-test.sh win32|win64 PROJECT_NSI'
build=${1:?$usage}
script=${2:?$usage}
fail() { echo "setup-script-test: FAIL: $*" >&2; exit 1; }
[[ -f "$script" ]] || fail "no $script"

case "$build" in
  win64) target=amd64-unicode root='$PROGRAMFILES64' ;;
  win32) target=x86-unicode root='$PROGRAMFILES' ;;
  *) echo "$usage" >&2; exit 2 ;;
esac

# The script's lines without comments, blank lines or the byte-order mark,
# each with its first word; "!define" lines are the preprocessor's, no
# command.
lines=$(sed -e '1s/^\xef\xbb\xbf//' -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' "$script" |
  grep -v -e '^$' -e '^;' -e '^#' -e '^!define[[:space:]]')

first=$(head -n 1 <<<"$lines")
[[ "$first" == "Target $target" ]] || fail "the first command is '$first', not 'Target $target'"
[[ $(grep -c '^Target[[:space:]]' <<<"$lines") == 1 ]] || fail "more than one Target"

grep -qxF "InstallDir \"$root\\Vidorra\"" <<<"$lines" ||
  fail "InstallDir is '$(grep '^InstallDir' <<<"$lines")', not \"$root\\Vidorra\""
! grep -q '^InstallDirRegKey' <<<"$lines" || fail "InstallDirRegKey reads the registry before .onInit"

registry='^(ReadReg|WriteReg|DeleteReg|EnumReg)'
body() { awk -v name="$1" '$1 == "Function" && $2 == name { inside = 1; next }
                           inside && $1 == "FunctionEnd" { exit }
                           inside' <<<"$lines"; }
for function in .onInit un.onInit; do
  text=$(body "$function")
  [[ -n "$text" ]] || fail "no $function"
  view_at=$(grep -n -m1 '^SetRegView' <<<"$text" | cut -d: -f1 || true)
  registry_at=$(grep -nE -m1 "$registry" <<<"$text" | cut -d: -f1 || true)
  if [[ "$build" == win64 ]]; then
    [[ -n "$view_at" && "$(sed -n "${view_at}p" <<<"$text")" == "SetRegView 64" ]] ||
      fail "$function does not set the 64-bit registry view"
    [[ -z "$registry_at" ]] || ((view_at < registry_at)) ||
      fail "$function reaches the registry before SetRegView 64"
  fi
done
if [[ "$build" == win32 ]]; then
  ! grep -q '^SetRegView' <<<"$lines" || fail "the 32-bit setup program changes its registry view"
fi
echo "setup-script-test: $build script: Target $target first, InstallDir $root\\Vidorra," \
  "registry view ${build#win}-bit"
