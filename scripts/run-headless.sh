#!/usr/bin/env bash
# Runs the installed launcher (INSTALL_DIR/bin/vidorra) on a virtual screen (Xvfb) for a machine with no
# display: waits for its window, saves a screenshot, clicks its close button
# and reports how it ended.
#
#   bash scripts/run-headless.sh INSTALL_DIR SCREENSHOT
set -euo pipefail
install_dir=$1
shot=$2

if [[ -z "${RUN_HEADLESS_INNER:-}" ]]; then
  export RUN_HEADLESS_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$0" "$@"
fi

export SDL_VIDEODRIVER=x11
xdotool mousemove 5 5  # the pointer starts at the screen's centre, over a button
"$install_dir/bin/vidorra" &
launcher=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vidorra$' | head -n 1) || {
  echo "run: the launcher's window did not appear" >&2
  kill "$launcher" 2>/dev/null || true
  exit 1
}
sleep 0.5  # let it draw its first frame
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
echo "run: the launcher's window is on the virtual screen; screenshot: $shot"

# The server must not reset between xdotool calls (-noreset above), or the
# pointer jumps back to the centre. The close button sits in the window's
# top-right corner.
xdotool mousemove $((X + 844)) $((Y + 14)) click 1
if timeout 10 tail --pid="$launcher" -f /dev/null; then
  wait "$launcher"
  echo "run: closed with its close button; exit code $?"
else
  kill "$launcher" 2>/dev/null || true
  echo "run: the launcher did not end after its close button was clicked" >&2
  exit 1
fi
