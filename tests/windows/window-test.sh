#!/usr/bin/env bash
# window-test.sh PREFIX BIN
#
# The Win32 window system under Wine on an Xvfb display of its own, driven
# with xdotool and read back from the screen: windowprobe.exe (BIN) starts
# BIN/Core/Snipwell.exe with "cut" from its button. Checks, each by what
# reached the screen, the stand-in's log or the probe's output:
#   centred borderless window with the presented frame; hover, leave, press;
#   a click starts the child with its parameter, the window is unmapped while
#   the child runs and mapped again with its frame after the child has ended
#   (ended by a close request, as taskkill sends it); one-shot timers, a
#   stopped one never ticks; a drag of the background moves the window through
#   the system move loop; the close box ends the process with exit code 0.
#
# Wine's programs talk to the display of the wineserver's session: the
# prefix's server (started without a display) is stopped first, and the one
# this test used is stopped at the end.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$(realpath -m "${1:?usage: window-test.sh PREFIX BIN}")
bin=$(realpath "${2:?usage: window-test.sh PREFIX BIN}")
source "$here/../../scripts/wine/env.sh" "$prefix"

source "$here/x-session.sh"

cd "$bin"
"$WINE" "$bin/windowprobe.exe" "$(wine_path "$bin/Core/Snipwell.exe")" cut >"$work/probe.out" 2>"$work/probe.err" </dev/null &
probe_pid=$!

said() { tr -d '\r' <"$work/probe.out" | grep -Eq -- "$1"; }
count() { tr -d '\r' <"$work/probe.out" | grep -Ec -- "$1" || true; }

if ! wait_for 30 visible WindowProbe; then
  echo "FAIL the probe's window was never mapped"
  cat "$work/probe.out" "$work/probe.err"
  exit 1
fi
geometry WindowProbe
check "borderless client size 320x200" test "$WIDTH,$HEIGHT" = "320,200"
check "centred on the screen" test "$X,$Y" = "480,412"
check "the probe reports its client origin where X has the window" said "^shown at $X $Y\$"
check "background presented" wait_for 10 shows 200 150 "40,60,90"
check "button presented" wait_for 10 shows 30 30 "200,200,200"
check "close box presented" wait_for 10 shows 290 20 "90,0,0"

xdotool mousemove $((X + 60)) $((Y + 50))
check "hover paints the button" wait_for 10 shows 30 30 "0,160,0"
check "hover reported once" wait_for 5 said "^enter button$"
xdotool mousemove $((X + 200)) $((Y + 150))
check "moving off the button restores it" wait_for 10 shows 30 30 "200,200,200"
xdotool mousemove 5 5
check "leaving the window is reported (TrackMouseEvent)" wait_for 10 said "^leave$"

check "a one-shot timer ticks once" wait_for 10 said "^timer$"
xdotool mousemove $((X + 60)) $((Y + 50))
xdotool mousedown 1
check "a press paints pressed" wait_for 10 shows 30 30 "200,0,0"
xdotool mouseup 1
check "the click starts the child" wait_for 20 log_has $'^Snipwell\targs=cut\targc=1\t'
check "the probe reports the start" wait_for 10 said "^started$"
check "the window is unmapped while the child runs" wait_for 10 bash -c "! xdotool search --onlyvisible --name '^WindowProbe\$' >/dev/null 2>&1"
check "the child shows its window" wait_for 20 visible "Snipwell - cut"
sleep 0.3
check "the window stays unmapped while the child runs" bash -c "! xdotool search --onlyvisible --name '^WindowProbe\$' >/dev/null 2>&1"
check "no event is handled while the child runs" test "$(count '^child ended$')" = 0

# A close request, as taskkill without /F sends it.
close_program Snipwell.exe
check "the child ends on the close request" wait_for 20 log_has $'^Snipwell-end\t'
check "the window is mapped again after the child" wait_for 20 visible WindowProbe
check "the wait ended with the child" wait_for 10 said "^child ended$"
geometry WindowProbe
check "its frame is presented again" wait_for 10 shows 200 150 "40,60,90"
check "the stopped timer never ticked" test "$(count '^stopped timer ticked$')" = 0
check "the running timer ticked only once" test "$(count '^timer$')" = 1

# A drag of the background with the system move loop.
start_x=$X start_y=$Y
xdotool mousemove $((X + 200)) $((Y + 150))
xdotool mousedown 1
sleep 0.2
xdotool mousemove $((X + 230)) $((Y + 170))
xdotool mousemove $((X + 270)) $((Y + 195))
sleep 0.2
xdotool mouseup 1
check "the drag ends in the system move loop" wait_for 10 said "^system drag ended at"
moved() { geometry WindowProbe && test "$X,$Y" = "$((start_x + 70)),$((start_y + 45))"; }
check "the drag moved the window by the pointer's way" wait_for 10 moved
check "the probe's position follows the window" wait_for 5 said "^system drag ended at $((start_x + 70)) $((start_y + 45))\$"

geometry WindowProbe
xdotool mousemove $((X + 290)) $((Y + 20))
xdotool click 1
if wait_end "$probe_pid" 20; then
  check "the close box ends the process with exit code 0" test "$status" = 0
  check "the close box was clicked" said "^closed$"
else
  echo "FAIL the probe did not end on the close box"
  failures=$((failures + 1))
fi

if ((failures > 0)); then
  echo "--- probe output"
  tr -d '\r' <"$work/probe.out"
  echo "--- log"
  cat "$log" 2>/dev/null || true
fi
echo "window-test: $failures failed"
((failures == 0))
