#!/usr/bin/env bash
# launcher-accessibility-test.sh PREFIX INSTALL CLIENT
#
# The installed VidorraMain.exe (a copy of the install folder INSTALL) under
# Wine on an Xvfb display of its own, read through MSAA by accessibleclient.exe
# (CLIENT) in another process while xdotool drives the window:
# the client object named "Vidorra" with four push buttons (names,
# descriptions, roles, states, places on the screen, default action "按下"),
# AccessibleChildren, hit testing and navigation; the states after a hover,
# a press and a keyboard focus move, with the focus and state WinEvents
# that a SetWinEventHook client receives; the default action of 视频合并
# returns within a second and the joiner stand-in starts with "join"; when
# the launcher has ended, the object the client still holds answers an
# error instead of crashing anything.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage="usage: launcher-accessibility-test.sh PREFIX INSTALL CLIENT"
prefix=$(realpath -m "${1:?$usage}")
install_source=$(realpath "${2:?$usage}")
client=$(realpath "${3:?$usage}")
source "$here/../../scripts/wine/env.sh" "$prefix"
source "$here/x-session.sh"

cp -r "$install_source" "$work/install"
install="$work/install"
cd "$install"
"$WINE" "$install/VidorraMain.exe" -e2e >"$work/launcher.out" 2>"$work/launcher.err" </dev/null &
probe_pid=$!
xdotool mousemove 5 5
if ! wait_for 30 visible Vidorra; then
  echo "FAIL the launcher's window was never mapped"
  cat "$work/launcher.err" "$log" 2>/dev/null || true
  exit 1
fi
geometry Vidorra
window=$(window_id Vidorra)

coproc CLIENT { "$WINE" "$client" 2>"$work/client.err"; }
# ask COMMAND: sends it and keeps the answer's lines in $reply.
ask() {
  printf '%s\n' "$1" >&"${CLIENT[1]}"
  reply=""
  local line
  while IFS= read -r -t 60 line <&"${CLIENT[0]}"; do
    line=${line%$'\r'}
    [[ "$line" == . ]] && return 0
    reply+="$line"$'\n'
  done
  echo "no answer to: $1"
  return 1
}
said() { grep -Eq -- "$1" <<<"$reply"; }
# asked COMMAND PATTERN: the answer to COMMAND matches PATTERN.
asked() { ask "$1" && said "$2"; }
# The state bits of child $1, into $state.
state_of() {
  ask "child $1" || return 1
  local hex
  hex=$(sed -n 's/.* state=\(0x[0-9a-f]*\).*/\1/p' <<<"$reply")
  state=$((${hex:-0}))
}
has_state() { state_of "$1" && ((state & $2)); }
lacks_state() { state_of "$1" && ! ((state & $2)); }
events=""
# Collects the WinEvents so far into $events.
collect() { ask events && events+="$reply"; }
heard() { collect && grep -Fxq -- "$1" <<<"$events"; }
readonly FOCUSED=0x4 PRESSED=0x8 HOTTRACKED=0x80 FOCUSABLE=0x100000

check "the client finds the window and takes its object" asked find '^found [0-9]+$'
check "the client is named Vidorra, ROLE_SYSTEM_CLIENT, with four children" \
  asked client '^client name=Vidorra role=10 children=4$'
printf '     %s' "$reply"
check "AccessibleChildren gives four simple elements" asked children '^children 4 I4:1 I4:2 I4:3 I4:4$'
declare -A layout=([1]="251,170,171,165" [2]="428,170,171,78" [3]="428,257,171,78" [4]="834,4,20,20")
declare -A names=([1]="视频编辑 Edit" [2]="视频剪切 Cut" [3]="视频合并 Join" [4]="关闭 Close")
for id in 1 2 3 4; do
  IFS=, read -r left top width height <<<"${layout[$id]}"
  read -r name description <<<"${names[$id]}"
  check "child $id: $name ($description), push button, at its place, default action 按下" \
    asked "child $id" "^child $id name=$name description=$description role=43 state=0x[0-9a-f]+ location=$((X + left)),$((Y + top)),$width,$height action=按下\$"
  check "child $id is focusable" has_state "$id" $FOCUSABLE
  printf '     %s' "$reply"
done
check "hit test: Join" asked "hit $((X + 500)) $((Y + 300))" '^hit 3$'
check "hit test: the background is the client itself" asked "hit $((X + 120)) $((Y + 420))" '^hit 0$'
check "hit test: outside the window, nothing" asked "hit $((X - 5)) $((Y + 5))" '^hit none$'
check "navigation: Right from Edit is Cut" asked "nav 1 4" '^nav 2$'
check "navigation: Down from Cut is Join" asked "nav 2 2" '^nav 3$'
check "navigation: Left from Join is Edit" asked "nav 3 3" '^nav 1$'
check "navigation: the first child is Edit" asked "nav 0 7" '^nav 1$'
check "navigation: nothing after Close" asked "nav 4 5" '^nav none$'

# A hover: hot.
collect
events=""
xdotool mousemove $((X + 428 + 85)) $((Y + 170 + 39))
check "hover: Cut is hot" wait_for 10 has_state 2 $HOTTRACKED
check "hover: a state WinEvent for Cut" wait_for 5 heard "event state 2"
xdotool mousemove $((X + 120)) $((Y + 420))
check "leaving it: Cut is hot no more" wait_for 10 lacks_state 2 $HOTTRACKED

# A keyboard focus move: the window takes keys after a click on it.
xdotool click 1
xdotool windowfocus --sync "$window"
check "the window has the keyboard: Edit holds the focus" wait_for 10 asked focus '^focus 1$'
events=""
xdotool key Tab
check "Tab: the focus is on Cut" wait_for 10 asked focus '^focus 2$'
focus_moved() { has_state 2 $FOCUSED && lacks_state 1 $FOCUSED; }
check "Tab: Cut is focused, Edit is not" focus_moved
check "Tab: a focus WinEvent for Cut" wait_for 5 heard "event focus 2"

# A press on Join, released away from it: pressed, then not; no click.
events=""
xdotool mousemove $((X + 428 + 85)) $((Y + 257 + 39))
xdotool mousedown 1
check "a press: Join is pressed" wait_for 10 has_state 3 $PRESSED
check "a press: Join takes the focus (WinEvent)" wait_for 5 heard "event focus 3"
check "a press: a state WinEvent for Join" heard "event state 3"
xdotool mousemove $((X + 120)) $((Y + 420))
xdotool mouseup 1
check "released away: Join is not pressed" wait_for 10 lacks_state 3 $PRESSED
check "released away: nothing started" test "$(log_count $'^Snipwell\t')" = 0

# The default action of 视频合并: the call returns within a second and the
# joiner starts.
check "the default action is accepted" asked "do 3" '^do 3 hr=0x00000000 ms=[0-9.]+$'
ms=$(sed -n 's/.* ms=\([0-9.]*\)$/\1/p' <<<"$reply")
echo "accDoDefaultAction took ${ms:-?} ms"
check "it returns within a second" awk -v ms="${ms:-99999}" 'BEGIN { exit !(ms < 1000) }'
check "the joiner starts with join" wait_for 20 log_has $'^Snipwell\targs=join\targc=1\t'
check "the launcher's window is unmapped while the joiner runs" wait_for 10 hidden Vidorra
check "the joiner shows its window" wait_for 20 visible "Snipwell - join"
close_program Snipwell.exe
check "the joiner ends" wait_for 20 log_has $'^Snipwell-end\t'
check "the launcher's window comes back" wait_for 20 visible Vidorra

# The close button ends the launcher; the object the client holds answers
# an error now.
geometry Vidorra
xdotool mousemove $((X + 834 + 10)) $((Y + 4 + 10)) click 1
if wait_end "$probe_pid" 20; then
  check "the close button ends the launcher with exit code 0" test "$status" = 0
else
  echo "FAIL the launcher did not end on the close button"
  failures=$((failures + 1))
fi
check "the object held after the launcher ended answers an error" asked name '^name hr=0x8'
echo "${reply%$'\n'}"
check "the client ends normally" ask quit

if ((failures > 0)); then
  echo "--- events"
  printf '%s' "$events"
  echo "--- log"
  cat "$log" 2>/dev/null || true
  echo "--- client's standard error"
  cat "$work/client.err" 2>/dev/null || true
fi
echo "launcher-accessibility-test: $failures failed"
((failures == 0))
