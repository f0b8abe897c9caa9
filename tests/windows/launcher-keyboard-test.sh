#!/usr/bin/env bash
# launcher-keyboard-test.sh PREFIX INSTALL PICTURES
#
# The installed VidorraMain.exe (a copy of the install folder INSTALL) under
# Wine on an Xvfb display of its own, used with the keyboard as a person
# types (xdotool; a Wine window takes keys after a click on it and
# windowfocus). What the screen shows is compared with pictures composited
# from the source PNGs (PICTURES), with the focus ring (2 pixels of yellow,
# 3 inside the button's edge) where the focus is. Checks: Enter as the first
# key starts the editor and the focus is on Edit when the launcher is back;
# Tab then Enter starts the cutter; Down then Space from Cut the joiner
# (pressed picture while Space is down, the start at its release); a held
# Enter starts one program; Tab to the close button then Enter ends the
# launcher with exit code 0; Alt+F4 (the system's own handling) too.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage="usage: launcher-keyboard-test.sh PREFIX INSTALL PICTURES"
prefix=$(realpath -m "${1:?$usage}")
install_source=$(realpath "${2:?$usage}")
pictures=$(realpath "${3:?$usage}")
source "$here/../../scripts/wine/env.sh" "$prefix"
source "$here/x-session.sh"

cp -r "$install_source" "$work/install"
install="$work/install"

source "$here/launcher-frames.sh"

start_launcher() {
  "$WINE" "$install/VidorraMain.exe" -e2e >"$work/launcher.out" 2>"$work/launcher.err" </dev/null &
  probe_pid=$!
  if ! wait_for 30 visible Vidorra; then
    echo "FAIL the launcher's window was never mapped"
    cat "$work/launcher.err" "$log" 2>/dev/null || true
    exit 1
  fi
  geometry Vidorra
}
# The window takes the keyboard: a right-button click on Join (which
# neither clicks it nor moves the focus), then windowfocus. The pointer
# leaves over the background: straight out of the window after a click,
# Wine reports no leave, and Join would stay lit.
focus_launcher() {
  wait_for 20 visible Vidorra || return 1
  geometry Vidorra
  xdotool mousemove $((X + 428 + 85)) $((Y + 257 + 39)) click 3 mousemove $((X + 120)) $((Y + 420))
  xdotool mousemove 5 5
  xdotool windowfocus --sync "$(window_id Vidorra)"
}
# Ends the running stand-in PROGRAM.exe once its window is up, and waits
# for its end line (the COUNT-th).
end_standin() {
  wait_for 20 visible "$2" || return 1
  close_program "$1.exe"
  wait_for 20 log_count_is $'^'"$1"$'-end\t' "$3"
}

cd "$install"
xdotool mousemove 5 5
start_launcher
check "the window shows its normal pictures, no ring" wait_for 15 shows_all_normal
focus_launcher

xdotool key Return
check "Enter as the first key starts the editor" wait_for 20 log_has $'^Vidorra\targs=-onlymain\targc=1\t'
check "the launcher's window is unmapped while the editor runs" wait_for 10 hidden Vidorra
check "the editor ends on the close request" end_standin Vidorra "Vidorra - -onlymain" 1
check "the launcher comes back" wait_for 20 visible Vidorra
geometry Vidorra
check "the focus ring is on Edit, which started it" wait_for 15 shows_ring_on edit

focus_launcher
xdotool key Tab
check "Tab moves the ring to Cut" wait_for 10 shows_ring_on cut
xdotool key Return
check "Tab then Enter starts the cutter" wait_for 20 log_has $'^Snipwell\targs=cut\targc=1\t'
check "the cutter ends" end_standin Snipwell "Snipwell - cut" 1
check "the launcher comes back with the ring on Cut" wait_for 20 shows_ring_on cut

focus_launcher
xdotool key Down
check "Down from Cut moves the ring to Join" wait_for 10 shows_ring_on join
xdotool keydown space
check "Space held shows Join pressed, with the ring" wait_for 10 shows_state join mousedown ring
sleep 0.3
check "nothing starts before Space comes up" test "$(log_count $'^Snipwell\t')" = 1
xdotool keyup space
check "Space's release starts the joiner" wait_for 20 log_has $'^Snipwell\targs=join\targc=1\t'
check "the joiner ends" end_standin Snipwell "Snipwell - join" 2
check "the launcher comes back with the ring on Join" wait_for 20 shows_ring_on join

# Enter held while the joiner starts, runs and ends, and a while after.
focus_launcher
xdotool keydown Return
check "a held Enter starts the joiner" wait_for 20 log_count_is $'^Snipwell\targs=join' 2
check "the joiner ends while Enter is held" end_standin Snipwell "Snipwell - join" 3
focus_launcher
sleep 1.5
xdotool keyup Return
xdotool mousemove $((X + 428 + 85)) $((Y + 170 + 39))
check "the launcher handles what came before (hover over Cut)" wait_for 15 shows_state cut mouseon
check "the held Enter started one program" test "$(log_count $'^Snipwell\t')" = 3
xdotool mousemove 5 5

focus_launcher
xdotool key Tab
check "Tab from Join moves the ring to the close button" wait_for 10 shows_ring_on close
xdotool key Return
if wait_end "$probe_pid" 20; then
  check "Enter on the close button ends the launcher with exit code 0" test "$status" = 0
  check "the launcher wrote nothing" test ! -s "$work/launcher.out"
else
  echo "FAIL the launcher did not end on Enter on the close button"
  failures=$((failures + 1))
fi

start_launcher
check "shown again" wait_for 15 shows_all_normal
focus_launcher
xdotool key alt+F4
if wait_end "$probe_pid" 20; then
  check "Alt+F4 ends the launcher with exit code 0" test "$status" = 0
else
  echo "FAIL the launcher did not end on Alt+F4"
  failures=$((failures + 1))
fi
check "no program was started by Alt+F4" test "$(log_count $'^Snipwell\t')" = 3

if ((failures > 0)); then
  echo "--- log"
  cat "$log" 2>/dev/null || true
  echo "--- launcher's standard error"
  cat "$work/launcher.err"
fi
echo "launcher-keyboard-test: $failures failed"
((failures == 0))
