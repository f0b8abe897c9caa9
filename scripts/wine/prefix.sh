#!/usr/bin/env bash
# prefix.sh start|stop PREFIX
#
# start: makes a fresh wine prefix in PREFIX (any old one is removed first),
#        with crash dialogs off so that a crashing program cannot block a
#        headless run and wine's Tahoma in its Fonts folder, and leaves its wineserver running for the tests that
#        follow (it ends by itself 30 s after the last program).
#        A win32 prefix (32-bit build) fails at once, with the reason, when
#        wine32 cannot run here (scripts/wine/wine32-status.sh).
# stop:  ends the prefix's wineserver and every program still running in it.
#
# The architecture is the build's (see env.sh).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
action=${1:?usage: prefix.sh start|stop PREFIX}
prefix=$(realpath -m "${2:?usage: prefix.sh start|stop PREFIX}")
source "$here/env.sh" "$prefix"

case "$action" in
  start)
    if [[ -d "$prefix" ]]; then
      "$WINESERVER" -k >/dev/null 2>&1 || true
      rm -rf "$prefix"
    fi
    if [[ "$WINEARCH" == win32 ]] && ! why=$(bash "$here/wine32-status.sh"); then
      echo "prefix: cannot make a win32 prefix: $why" >&2
      exit 1
    fi
    mkdir -p "$prefix"
    # Started first with a persistence of 30 s, so that the programs of the
    # run share one server instead of each starting its own.
    "$WINESERVER" -p30 </dev/null >/dev/null 2>&1
    # No display for the set-up: nothing of it may open a window.
    timeout 300 env -u DISPLAY -u WAYLAND_DISPLAY "$WINE" wineboot -i >/dev/null 2>&1
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1
    # Read back: the setting must be there, or a crash could hang the run.
    if ! timeout 60 "$WINE" reg query 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog 2>/dev/null |
        tr -d '\r' | grep -Eq 'ShowCrashDialog[[:space:]]+REG_DWORD[[:space:]]+0x0'; then
      echo "prefix: ShowCrashDialog could not be set in $prefix" >&2
      exit 1
    fi
    # GDI finds wine's own Tahoma only in the prefix's Fonts folder; without
    # it "Tahoma" falls back to another face.
    fonts="$prefix/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    found=0
    for font in /usr/share/wine/fonts/tahoma*.ttf; do
      [[ -f "$font" ]] || continue
      cp "$font" "$fonts/"
      found=1
    done
    if ((found == 0)); then
      echo "prefix: no tahoma*.ttf in /usr/share/wine/fonts (package fonts-wine)" >&2
      exit 1
    fi
    echo "prefix: $prefix ready"
    ;;
  stop)
    if [[ -d "$prefix" ]]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi
    echo "prefix: $prefix stopped"
    ;;
  *)
    echo "usage: prefix.sh start|stop PREFIX" >&2
    exit 2
    ;;
esac
