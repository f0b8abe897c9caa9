#!/usr/bin/env bash
# launcher-window-test.sh PREFIX INSTALL PICTURES
#
# The installed VidorraMain.exe (a copy of the install folder INSTALL) under
# Wine on an Xvfb display of its own, driven with xdotool. What the screen
# shows is compared with pictures composited from the source PNGs (PICTURES):
# the window centred with its normal pictures; the cut button's mouse-on
# picture under the pointer and its pressed picture while pressed; a click
# starts Core\Snipwell.exe with "cut" (the stand-ins' log), the window is
# unmapped while it runs and mapped again with its pictures after it has
# ended; a double click starts it once; the update check is installed once;
# the close button ends the process with exit code 0.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage="usage: launcher-window-test.sh PREFIX INSTALL PICTURES"
prefix=$(realpath -m "${1:?$usage}")
install_source=$(realpath "${2:?$usage}")
pictures=$(realpath "${3:?$usage}")
source "$here/../../scripts/wine/env.sh" "$prefix"
source "$here/x-session.sh"

cp -r "$install_source" "$work/install"
install="$work/install"

source "$here/launcher-frames.sh"

cd "$install"
# One argument: the launcher asks the update-service library, which answers
# with an empty action word (TAVREL_ACTION unset): the window is shown.
"$WINE" "$install/VidorraMain.exe" -e2e >"$work/launcher.out" 2>"$work/launcher.err" </dev/null &
probe_pid=$!
xdotool mousemove 5 5

if ! wait_for 30 visible Vidorra; then
  echo "FAIL the launcher's window was never mapped"
  cat "$work/launcher.err" "$log" 2>/dev/null || true
  exit 1
fi
geometry Vidorra
check "borderless 858x518" test "$WIDTH,$HEIGHT" = "858,518"
check "centred on the screen" test "$X,$Y" = "$(((1280 - 858) / 2)),$(((1024 - 518) / 2))"
check "the background and the four normal pictures" wait_for 15 shows_all_normal

cx=$((X + 428 + 85)) cy=$((Y + 170 + 39))
xdotool mousemove "$cx" "$cy"
check "hover shows the cut button's mouse-on picture" wait_for 10 shows_state cut mouseon
check "the mouse-on picture is not the normal one" not shows_state cut normal
xdotool mousedown 1
check "a press shows the pressed picture" wait_for 10 shows_state cut mousedown
xdotool mouseup 1
check "the click starts Core\\Snipwell.exe with cut" wait_for 20 log_has $'^Snipwell\targs=cut\targc=1\t'
check "the launcher's window is unmapped while the cutter runs" wait_for 10 hidden Vidorra
check "the cutter shows its window" wait_for 20 visible "Snipwell - cut"
xdotool mousemove 5 5
sleep 0.3
check "the launcher's window stays unmapped while the cutter runs" hidden Vidorra
close_program Snipwell.exe
check "the cutter ends on the close request" wait_for 20 log_has $'^Snipwell-end\t'
check "the launcher's window is mapped again after the cutter has ended" wait_for 20 visible Vidorra
geometry Vidorra
check "it shows its normal pictures again" wait_for 15 shows_all_normal
# A double click starts the cutter once: the second click, queued while the
# first one started it, is dropped when the window comes back.
xdotool mousemove "$cx" "$cy"
xdotool click --repeat 2 --delay 1 1
check "a double click starts the cutter" wait_for 20 log_count_is $'^Snipwell\t' 2
check "the cutter shows its window again" wait_for 20 visible "Snipwell - cut"
close_program Snipwell.exe
check "the cutter ends again" wait_for 20 log_count_is $'^Snipwell-end\t' 2
check "the launcher's window comes back" wait_for 20 visible Vidorra
geometry Vidorra
xdotool mousemove $((X + 428 + 85)) $((Y + 257 + 39))
check "hovering join shows its mouse-on picture once the queue is handled" wait_for 15 shows_state join mouseon
check "the double click started the cutter once" test "$(log_count $'^Snipwell\t')" = 2
check "the update check was installed" wait_for 10 log_has $'^InstallUpdateCheck\t'
check "the update check was installed once" test "$(log_count $'^InstallUpdateCheck\t')" = 1
check "the update check names the launcher and 180 minutes" \
  log_has $'^InstallUpdateCheck\t.*program=Z:[^\t]*install[^\t]*VidorraMain\.exe\t.*interval=180'

xdotool mousemove $((X + 834 + 10)) $((Y + 4 + 10))
check "hover shows the close button's mouse-on picture" wait_for 10 shows_state close mouseon
xdotool click 1
if wait_end "$probe_pid" 20; then
  check "the close button ends the process with exit code 0" test "$status" = 0
  check "the launcher wrote nothing" test ! -s "$work/launcher.out"
else
  echo "FAIL the launcher did not end on the close button"
  failures=$((failures + 1))
fi

if ((failures > 0)); then
  echo "--- log"
  cat "$log" 2>/dev/null || true
  echo "--- launcher's standard error"
  cat "$work/launcher.err"
fi
echo "launcher-window-test: $failures failed"
((failures == 0))
