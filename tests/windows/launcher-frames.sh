# Sourced by the launcher's window tests under wine, after x-session.sh: how
# each button of the 96-dpi window should look, composited from the source
# PNGs in $pictures, and whether the screen shows it there (X and Y, the
# client area's place on the screen, from `geometry`).

# The buttons' rectangles, in client pixels.
declare -A rect=([close]="20x20+834+4" [edit]="171x165+251+170" [cut]="171x78+428+170" [join]="171x78+428+257")

# expected NAME STATE RING OUT: the button's rectangle as it should look,
# with the focus ring (2 pixels of yellow, 3 inside the button's edge) when
# RING is "ring".
expected() {
  local size=${rect[$1]%%+*} offset=+${rect[$1]#*+}
  local w=${size%x*} h=${size#*x}
  local ring=()
  if [[ "$3" == ring ]]; then
    ring=(+antialias -fill '#FFFF00'
      -draw "rectangle 3,3 $((w - 4)),4" -draw "rectangle 3,$((h - 5)) $((w - 4)),$((h - 4))"
      -draw "rectangle 3,3 4,$((h - 4))" -draw "rectangle $((w - 5)),3 $((w - 4)),$((h - 4))")
  fi
  convert "$pictures/background.png" "$pictures/$1-$2.png" -geometry "$offset" -composite \
    -crop "$size$offset" +repage "${ring[@]}" "$4"
}

# shows_state NAME STATE [ring]: whether the button shows that on the
# screen; the pixels may differ by the rounding of the alpha blend only.
shows_state() {
  local size=${rect[$1]%%+*} offset=${rect[$1]#*+}
  local left=${offset%%+*} top=${offset#*+}
  expected "$1" "$2" "${3:-}" "$work/expected.png"
  import -window root -crop "$size+$((X + left))+$((Y + top))" +repage "$work/shot.png" 2>/dev/null || return 1
  local differing
  differing=$(compare -metric AE -fuzz 1% "$work/shot.png" "$work/expected.png" null: 2>&1 >/dev/null) || true
  [[ "$differing" == 0 ]]
}

# shows_ring_on NAME [STATE]: the whole window, every button normal but NAME,
# which shows STATE (normal) with the ring; "none" names no button.
shows_ring_on() {
  local name
  for name in close edit cut join; do
    if [[ "$name" == "$1" ]]; then shows_state "$name" "${2:-normal}" ring || return 1
    else shows_state "$name" normal || return 1; fi
  done
}
shows_all_normal() { shows_ring_on none; }

log_count_is() { [[ "$(log_count "$1")" -ge "$2" ]]; }  # at least $2 lines match $1
