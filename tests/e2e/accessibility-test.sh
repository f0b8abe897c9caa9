#!/usr/bin/env bash
# accessibility-test.sh MODE BUILD CMAKE [SCALE]
#
# The installed VidorraMain (laid out from the build folder BUILD with CMAKE)
# under an Xvfb of its own, with screen readers' buses or without; at the
# display scale SCALE (VIDORRA_SCALE, 1 unless given), on a screen that
# holds the window at that scale, every place on it scaled.
#
# MODE atspi: a private session bus (dbus-daemon) and accessibility bus
#   (at-spi-bus-launcher; the address it leaves on the display's root window
#   is taken away, so that the launcher must find the bus through the
#   session bus), the launcher on them, and
#   atspi-client.py, which reads the launcher as a screen reader does, follows
#   its focus and state events and performs the action of 视频合并. The joiner
#   is then ended, the launcher comes back and its close button ends it with
#   exit code 0. The buses are ended by the PIDs they gave.
# MODE no-bus: no accessibility bus anywhere, first with
#   DBUS_SESSION_BUS_ADDRESS unset (and no bus socket in XDG_RUNTIME_DIR), then
#   pointing nowhere: the launcher starts and works as always (a click starts
#   the cutter, the close button ends it with exit code 0), writes nothing,
#   and holds no connection but those to the display.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage="usage: accessibility-test.sh atspi|no-bus BUILD CMAKE [SCALE]"
mode=${1:?$usage}
build=$(realpath "${2:?$usage}")
cmake=${3:?$usage}
scale=${4:-1}
# A point of the 96-dpi layout, in the window's device pixels.
at() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s + 0.5 }'; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vidorra-a11y.XXXXXX")
xvfb_pid="" launcher_pid="" bus_pid="" bus_launcher_pid="" registry_pid=""
# Ends the process `pid` if it is still the program `name` started here.
end_ours() {
  local pid=$1 name=$2
  [[ -n "$pid" ]] || return 0
  if [[ -r "/proc/$pid/cmdline" ]] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q -- "$name"; then
    kill "$pid" 2>/dev/null || true
  fi
}
cleanup() {
  if [[ -n "$launcher_pid" ]]; then
    kill "$launcher_pid" 2>/dev/null || true
    wait "$launcher_pid" 2>/dev/null || true
  fi
  end_ours "$registry_pid" at-spi2-registryd
  if [[ -n "$bus_launcher_pid" ]]; then
    kill "$bus_launcher_pid" 2>/dev/null || true
    wait "$bus_launcher_pid" 2>/dev/null || true
  fi
  end_ours "$bus_pid" dbus-daemon
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
wait_for() {  # wait_for SECONDS COMMAND...: polls every 0.1 s
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

# Xvfb on a display it picks (-displayfd), ready once it names it.
mkfifo "$work/displayfd"
screen="$(( $(at 858) > 1280 ? $(at 858) + 200 : 1280 ))x$(( $(at 518) > 1024 ? $(at 518) + 160 : 1024 ))"
Xvfb -displayfd 4 -screen 0 "${screen}x24" -nolisten tcp -br -noreset 4>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb_pid=$!
read -r -t 20 number <"$work/displayfd" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$number" SDL_VIDEODRIVER=x11
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS NO_AT_BRIDGE DBUS_SESSION_BUS_ADDRESS GDK_SCALE
export VIDORRA_SCALE=$scale
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$cmake" --install "$build" --component launcher --prefix "$work/install" >/dev/null
launcher="$work/install/lib/vidorra/VidorraMain"
export TAVREL_DIR="$work/state"
mkdir -p "$TAVREL_DIR"
log="$TAVREL_DIR/Tavrel.log"
log_count() { if [[ -f "$log" ]]; then grep -c -- "^$1"$'\t' "$log" || true; else echo 0; fi; }
log_count_is() { [[ "$(log_count "$1")" -ge "$2" ]]; }

window_id() { xdotool search --onlyvisible --name '^Vidorra$' 2>/dev/null | head -n 1; }
mapped() { [[ -n "$(window_id)" ]]; }
geometry() { eval "$(xdotool getwindowgeometry --shell "$(window_id)")"; }
start_launcher() {
  xdotool mousemove 5 5
  "$launcher" -e2e >"$work/launcher.out" 2>"$work/launcher.err" </dev/null &
  launcher_pid=$!
  wait_for 20 mapped
}
# Ends the running stand-in $1 (started $2 times so far) by the pid it logged.
end_standin() {
  wait_for 20 bash -c "xdotool search --onlyvisible --name '^$1 - ' >/dev/null" || return 1
  local pid
  pid=$(grep -- "^$1"$'\t' "$log" | tail -n 1 | tr '\t' '\n' | sed -n 's/^pid=//p')
  kill "$pid"
  wait_for 20 log_count_is "$1-end" "$2"
}
# Clicks the close button and collects the exit status.
close_launcher() {
  geometry
  xdotool mousemove $((X + $(at 844))) $((Y + $(at 14))) click 1
  wait_for 20 bash -c "! kill -0 $launcher_pid 2>/dev/null" || return 1
  status=0
  wait "$launcher_pid" || status=$?
  launcher_pid=""
  [[ "$status" == 0 ]]
}
# The launcher's connections (ss): how many, and how many lead elsewhere
# than to the X server.
connections() { ss -xp | awk -v me="pid=$launcher_pid," 'index($0, me) {print $8}'; }
sockets() { connections | wc -l; }
not_to_x() {
  local peer count=0
  for peer in $(connections); do
    ss -xp | awk -v p="$peer" '$6 == p' | grep -q 'X11-unix' || count=$((count + 1))
  done
  echo "$count"
}

case "$mode" in
  no-bus)
    run=0
    for session in unset "unix:path=$work/nowhere"; do
      run=$((run + 1))
      if [[ "$session" == unset ]]; then unset DBUS_SESSION_BUS_ADDRESS; else export DBUS_SESSION_BUS_ADDRESS=$session; fi
      echo "--- DBUS_SESSION_BUS_ADDRESS $session"
      check "the window is mapped" start_launcher || continue
      geometry
      # Its loop runs: the pictures are up once the hover shows, and a click
      # starts the cutter.
      xdotool mousemove $((X + $(at 513))) $((Y + $(at 209))) click 1
      check "a click starts the cutter" wait_for 20 log_count_is Snipwell "$run"
      check "the cutter ends" end_standin Snipwell "$run"
      check "the window comes back" wait_for 20 mapped
      check "it holds connections to the display only ($(sockets), $(not_to_x) elsewhere)" test "$(not_to_x)" = 0
      check "the close button ends the launcher with exit code 0" close_launcher
      check "it wrote nothing" test ! -s "$work/launcher.out" -a ! -s "$work/launcher.err"
    done
    ;;
  atspi)
    # The session bus, then the accessibility bus on it.
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
    bus_pid=$(sed -n 2p <<<"$bus")
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus-launcher.log" 2>&1 &
    bus_launcher_pid=$!
    owned() {
      dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
    }
    on_display() { xprop -root AT_SPI_BUS 2>/dev/null | grep -q unix; }
    check "the accessibility bus is up" wait_for 20 owned
    check "its address is on the display" wait_for 20 on_display
    xprop -root -remove AT_SPI_BUS
    check "the window is mapped" start_launcher || exit 1
    geometry
    joined() { (($(not_to_x) > 0)); }
    check "the launcher has joined the accessibility bus" wait_for 10 joined
    # Idle, the wait polls the display and the bus: a timer's tick must wake
    # it all the same (the update check, a second after the first show).
    check "the timer ticks while the wait polls: the update check is installed" \
      wait_for 10 log_count_is InstallUpdateCheck 1
    check "the window is $(at 858) x $(at 518)" test "$WIDTH x $HEIGHT" = "$(at 858) x $(at 518)"
    /usr/bin/python3 "$here/atspi-client.py" "$(window_id)" "$X" "$Y" "$log" "$scale" || failures=$((failures + $?))
    # The registry, started by the accessibility bus, ends with it; its PID
    # is kept so that the clean-up can make sure.
    a11y=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress |
      tr -d ' ')
    registry_pid=$(dbus-send --address="$a11y" --print-reply=literal --dest=org.freedesktop.DBus \
      /org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID \
      string:org.a11y.atspi.Registry 2>/dev/null | awk '{print $2}') || true
    check "the joiner ends" end_standin Snipwell 1
    check "the window comes back" wait_for 20 mapped
    check "the close button ends the launcher with exit code 0" close_launcher
    check "it wrote nothing" test ! -s "$work/launcher.out" -a ! -s "$work/launcher.err"
    ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac

if ((failures > 0)); then
  echo "--- log"
  cat "$log" 2>/dev/null || true
  echo "--- launcher's output"
  cat "$work/launcher.out" "$work/launcher.err" 2>/dev/null || true
fi
echo "accessibility-test $mode at scale $scale: $failures failed"
((failures == 0))
