# Sourced by the window tests under wine: a scratch folder ($work), Xvfb on a
# display of its own (DISPLAY), a wineserver of this session, the checks'
# bookkeeping, and helpers that read the screen with xdotool and import.
# The caller has sourced scripts/wine/env.sh. Everything started here ends at
# exit, the wineserver (and every wine program of the prefix) included.
work=$(mktemp -d "${TMPDIR:-/tmp}/window-test.XXXXXX")
xvfb_pid=""
cleanup() {
  [[ -n "$probe_pid" ]] && kill "$probe_pid" 2>/dev/null || true
  "$WINESERVER" -k >/dev/null 2>&1 || true
  [[ -n "$probe_pid" ]] && wait "$probe_pid" 2>/dev/null || true
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# The program under test, ended at exit unless the test collected it.
probe_pid=""

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}
not() { ! "$@"; }
# Polls COMMAND every 0.1 s for up to SECONDS.
wait_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

# Xvfb on a display it picks (-displayfd), ready once it names it; its
# screen is $XVFB_SCREEN when the caller sets it.
mkfifo "$work/displayfd"
Xvfb -displayfd 4 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -br -noreset 4>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb_pid=$!
read -r -t 20 number <"$work/displayfd" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$number"
unset WAYLAND_DISPLAY

"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -w >/dev/null 2>&1 || true


visible() { [[ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ]]; }
hidden() { ! visible "$1"; }
window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
geometry() {  # sets X Y WIDTH HEIGHT of the window titled $1
  eval "$(xdotool getwindowgeometry --shell "$(window_id "$1")")"
}
# The colour of the screen pixel at the window's client point, as "r,g,b".
pixel() {
  local hex
  hex=$(import -window root -crop "1x1+$((X + $1))+$((Y + $2))" -depth 8 txt:- 2>/dev/null |
    grep -Eo '#[0-9A-Fa-f]{6}' | head -n 1) || return 0
  [[ -n "$hex" ]] && printf '%d,%d,%d' "0x${hex:1:2}" "0x${hex:3:2}" "0x${hex:5:2}"
}
shows() { [[ "$(pixel "$1" "$2")" == "$3" ]]; }
log_has() { [[ -f "$log" ]] && grep -Eq -- "$1" "$log"; }
log_count() { if [[ -f "$log" ]]; then grep -Ec -- "$1" "$log" || true; else echo 0; fi; }
# Ends the program (the first window of the process that has one) as taskkill
# without /F does: a close request.
close_program() { "$WINE" taskkill /IM "$1" >/dev/null 2>&1 || true; }
# Waits up to $2 seconds for the process $1 (started in the background) to
# end; sets status to its exit code.
wait_end() {
  local pid=$1 limit=$2
  wait_for "$limit" bash -c "! kill -0 $pid 2>/dev/null" || return 1
  status=0
  wait "$pid" || status=$?
  probe_pid=""
}


# TAVREL_DIR for the stand-ins, and their log.
state="$work/state"
mkdir -p "$state"
export TAVREL_DIR
TAVREL_DIR=$(wine_path "$state")
log="$state/Tavrel.log"
