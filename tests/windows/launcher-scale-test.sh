#!/usr/bin/env bash
# launcher-scale-test.sh PREFIX INSTALL BIN CLIENT [SHOTS]
#
# The installed VidorraMain.exe (a copy of the install folder INSTALL) at the
# display densities 120, 144 and 192 dpi (125, 150 and 200 %) under Wine, on
# an Xvfb display of its own (1920 x 1200), driven with xdotool. Wine makes
# every process aware of the density, which is the LogPixels setting of the
# prefix; the test makes its own prefix in PREFIX (made afresh, so that the
# other wine tests keep theirs at 96 dpi) and sets LogPixels before each run
# (a restart of the prefix's wineserver takes it in). At each density:
#   the client area is round(858 x s) x round(518 x s), centred on the
#   screen; the screen shows the frame the launcher's own code composes
#   off-screen at that scale (BIN/scaleprobe.exe frames); hover and press on
#   Cut's scaled place show its mouse-on and pressed frames, and the click
#   starts Core\Snipwell.exe with "cut"; the window comes back after it; the
#   close button at its scaled place ends the process with exit code 0.
# Then WM_DPICHANGED, which Wine never sends: scaleprobe.exe dpichanged runs
# the main window at 120 dpi and sends it a change to 144 dpi with a
# suggested rectangle; the window takes the rectangle's place and the size
# of the 144-dpi layout, and shows the frame composed at 144 dpi; a screen
# reader in another process (CLIENT, accessibleclient.exe) then finds its
# four buttons at their 144-dpi places in screen pixels, and hit tests them
# there. With SHOTS, the screenshot of each density is saved there as
# launcher-<dpi>dpi.png.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage="usage: launcher-scale-test.sh PREFIX INSTALL BIN CLIENT [SHOTS]"
prefix=$(realpath -m "${1:?$usage}")
install_source=$(realpath "${2:?$usage}")
bin=$(realpath "${3:?$usage}")
client=$(realpath "${4:?$usage}")
shots=${5:-}
source "$here/../../scripts/wine/env.sh" "$prefix"

# The prefix is made without a display, before the session has one.
bash "$here/../../scripts/wine/prefix.sh" start "$prefix" >/dev/null
screen_width=1920 screen_height=1200
XVFB_SCREEN="${screen_width}x${screen_height}x24"
source "$here/x-session.sh"

cp -r "$install_source" "$work/install"
install="$work/install"

# The density of the prefix, from the next wine program on.
set_dpi() {
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
}
# Whether the window's client area on the screen equals the frame FILE
# (a PPM of the whole client area), pixel for pixel.
shows_frame() {
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/shot.png" 2>/dev/null || return 1
  local differing
  differing=$(compare -metric AE "$work/shot.png" "$1" null: 2>&1 >/dev/null) || true
  [[ "$differing" == 0 ]]
}
log_count_is() { [[ "$(log_count "$1")" -ge "$2" ]]; }
started=0

for dpi in 120 144 192; do
  echo "--- $dpi dpi"
  set_dpi "$dpi"
  frames="$work/frames-$dpi"
  mkdir -p "$frames"
  "$WINE" "$bin/scaleprobe.exe" frames "$dpi" "$(wine_path "$frames")" </dev/null | tr -d '\r' >"$frames/layout.txt"
  read -r _ want_width want_height < <(grep '^client ' "$frames/layout.txt")
  read -r _ cut_left cut_top cut_width cut_height < <(grep '^cut ' "$frames/layout.txt")
  read -r _ close_left close_top close_width close_height < <(grep '^close ' "$frames/layout.txt")

  cd "$install"
  "$WINE" "$install/VidorraMain.exe" -e2e >"$work/launcher.out" 2>"$work/launcher.err" </dev/null &
  probe_pid=$!
  xdotool mousemove 5 5
  if ! wait_for 30 visible Vidorra; then
    echo "FAIL the launcher's window was never mapped at $dpi dpi"
    cat "$work/launcher.err"
    failures=$((failures + 1))
    kill "$probe_pid" 2>/dev/null || true
    wait "$probe_pid" 2>/dev/null || true
    probe_pid=""
    continue
  fi
  geometry Vidorra
  check "$dpi dpi: client area ${want_width}x${want_height}" test "$WIDTH,$HEIGHT" = "$want_width,$want_height"
  check "$dpi dpi: centred on the screen" \
    test "$X,$Y" = "$(((screen_width - want_width) / 2)),$(((screen_height - want_height) / 2))"
  check "$dpi dpi: the frame composed off-screen for the scale" wait_for 15 shows_frame "$frames/normal.ppm"
  if [[ -n "$shots" ]]; then mkdir -p "$shots" && cp "$work/shot.png" "$shots/launcher-${dpi}dpi.png"; fi

  xdotool mousemove $((X + cut_left + cut_width / 2)) $((Y + cut_top + cut_height / 2))
  check "$dpi dpi: hover on Cut's scaled place shows its mouse-on picture" \
    wait_for 10 shows_frame "$frames/cut-mouseon.ppm"
  xdotool mousedown 1
  check "$dpi dpi: a press shows its pressed picture" wait_for 10 shows_frame "$frames/cut-mousedown.ppm"
  xdotool mouseup 1
  started=$((started + 1))
  check "$dpi dpi: the click starts Core\\Snipwell.exe with cut" \
    wait_for 20 log_count_is $'^Snipwell\targs=cut\targc=1\t' "$started"
  check "$dpi dpi: the cutter shows its window" wait_for 20 visible "Snipwell - cut"
  xdotool mousemove 5 5
  close_program Snipwell.exe
  check "$dpi dpi: the cutter ends" wait_for 20 log_count_is $'^Snipwell-end\t' "$started"
  check "$dpi dpi: the launcher's window comes back" wait_for 20 visible Vidorra
  geometry Vidorra
  check "$dpi dpi: with the same frame" wait_for 15 shows_frame "$frames/normal.ppm"

  xdotool mousemove $((X + close_left + close_width / 2)) $((Y + close_top + close_height / 2))
  xdotool click 1
  if wait_end "$probe_pid" 20; then
    check "$dpi dpi: the close button at its scaled place ends the process with exit code 0" test "$status" = 0
  else
    echo "FAIL the launcher did not end on the close button at $dpi dpi"
    failures=$((failures + 1))
    kill "$probe_pid" 2>/dev/null || true
    wait "$probe_pid" 2>/dev/null || true
    probe_pid=""
  fi
done

echo "--- WM_DPICHANGED from 120 to 144 dpi"
set_dpi 120
# Windows suggests the old window scaled by 144 / 120 (here a pixel larger
# than the layout: 1073 x 648 gives 1287.6 x 777.6); the window takes its
# place, and the size of its own layout at 144 dpi.
left=100 top=80
cd "$bin"
"$WINE" "$bin/scaleprobe.exe" dpichanged 144 "$left" "$top" $((left + 1288)) $((top + 778)) \
  >"$work/dpichanged.out" 2>"$work/dpichanged.err" </dev/null &
probe_pid=$!
said() { tr -d '\r' 2>/dev/null <"$work/dpichanged.out" | grep -Eq -- "$1"; }
check "the window is made at 125 %" wait_for 30 said '^created at scale 1\.25'
check "WM_DPICHANGED is sent once the window is shown" wait_for 30 said '^sent$'
check "the window takes the suggested place and the 144-dpi size" wait_for 10 said "^client 1287 777 at $left $top\$"
if wait_for 10 visible Vidorra; then
  geometry Vidorra
  check "X has it there too" test "$X,$Y,$WIDTH,$HEIGHT" = "$left,$top,1287,777"
  check "it shows the frame composed at 144 dpi" wait_for 15 shows_frame "$work/frames-144/normal.ppm"
  xdotool mousemove $((X + 700)) $((Y + 300))
  check "hover on Cut's 144-dpi place after the change" wait_for 10 shows_frame "$work/frames-144/cut-mouseon.ppm"
  # What a screen reader reads of it now: each button at its 144-dpi
  # bounds, on the screen; Cut's right edge (898.5 at 144 dpi) hit tested
  # from both sides.
  xdotool mousemove 5 5
  read -r _ cut_left _ cut_width _ < <(grep '^cut ' "$work/frames-144/layout.txt")
  printf '%s\n' find "child 1" "child 2" "child 3" "child 4" "hit $((X + cut_left + cut_width - 1)) $((Y + 300))" \
    "hit $((X + cut_left + cut_width)) $((Y + 300))" quit |
    "$WINE" "$client" 2>"$work/client.err" | tr -d '\r' >"$work/client.out" || true
  read_by_client() { grep -Eq -- "$1" "$work/client.out"; }
  check "a screen reader finds the window" read_by_client '^found [0-9]+$'
  id=0
  for name in edit cut join close; do
    id=$((id + 1))
    read -r _ b_left b_top b_width b_height < <(grep "^$name " "$work/frames-144/layout.txt")
    check "a screen reader finds $name at its 144-dpi place: $((X + b_left)),$((Y + b_top)) ${b_width}x$b_height" \
      read_by_client "^child $id .* location=$((X + b_left)),$((Y + b_top)),$b_width,$b_height "
  done
  check "hit test: Cut's last pixel at 144 dpi is Cut" read_by_client '^hit 2$'
  check "hit test: the pixel beyond it is the background" read_by_client '^hit 0$'
  grep '^child ' "$work/client.out" | sed 's/^/     /' || true
else
  echo "FAIL the probe's window is not mapped"
  failures=$((failures + 1))
fi
close_program scaleprobe.exe
if wait_end "$probe_pid" 20; then
  check "the probe ends on a close request" test "$status" = 0
else
  echo "FAIL the probe did not end"
  failures=$((failures + 1))
fi

if ((failures > 0)); then
  echo "--- log"
  cat "$log" 2>/dev/null || true
  echo "--- launcher's standard error"
  cat "$work/launcher.err" 2>/dev/null || true
  echo "--- probe"
  tr -d '\r' <"$work/dpichanged.out" 2>/dev/null || true
  cat "$work/dpichanged.err" 2>/dev/null || true
fi
echo "launcher-scale-test: $failures failed"
((failures == 0))
