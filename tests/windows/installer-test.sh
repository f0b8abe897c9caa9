#!/usr/bin/env bash
# installer-test.sh win32|win64 WORK SETUP_EXE RELEASE_ZIP
#
# The setup program's round trip under Wine (32-bit Wine for win32, wine64 for
# win64), in a fresh prefix of its own (WORK/prefix) with its own wineserver:
#   1. "setup.exe /S" installs to C:\Program Files\Vidorra exactly the files
#      of the release zip, plus the uninstaller; a Start-menu shortcut to
#      VidorraMain.exe; the uninstall entry in HKLM; and runs nothing of ours
#      (the update-service stand-in's log stays empty).
#   2. "Uninstall.exe /S" runs "VidorraMain.exe -uninstall", which removes the
#      update check through the stand-in (logged, and gone from its records),
#      and leaves no folder, shortcut or registry key behind.
#   3. "setup.exe /S /D=<folder>" installs to that folder instead (and not to
#      the default one); its uninstaller removes it again.
# Exit code 77 (a skip, with the reason) when this machine cannot run the
# Wine it needs.
set -euo pipefail
usage='usage: installer-test.sh win32|win64 WORK SETUP_EXE RELEASE_ZIP'
arch=${1:?$usage}
work=$(realpath -m "${2:?$usage}")
setup=$(realpath "${3:?$usage}")
release_zip=$(realpath "${4:?$usage}")

fail() { echo "installer-test: FAIL: $*" >&2; exit 1; }
skip() { echo "installer-test: SKIPPED: $*" >&2; exit 77; }

find_tool() {
  local name
  for name in "$@"; do
    if [[ -x "/usr/lib/wine/$name" ]]; then echo "/usr/lib/wine/$name"; return 0; fi
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
  done
  return 1
}
case "$arch" in
  # Debian's wine32 puts the 32-bit loader at /usr/lib/wine/wine.
  win32) loader=wine package='wine32:i386' ;;
  win64) loader=wine64 package=wine64 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
WINE=$(find_tool "$loader") || skip "no $loader loader: install $package"
WINESERVER=$(find_tool wineserver wineserver64 wineserver32) || skip "no wineserver: install $package"
# Installed is not enough: a kernel without 32-bit support cannot start the
# 32-bit loader at all ("Exec format error").
if ! version_error=$("$WINE" --version 2>&1 >/dev/null); then
  skip "this machine cannot run $WINE (${version_error##*: })"
fi

prefix=$work/prefix
export WINEPREFIX=$prefix
export WINEARCH=$arch
export WINEDEBUG=-all
# No Mono or Gecko set-up dialogs, and no menu entries written to this
# machine's desktop for the shortcuts the setup program creates.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The update-service stand-in's folder, inside the prefix.
export TAVREL_DIR='C:\vidorra-state'
state=$prefix/drive_c/vidorra-state
unset DISPLAY WAYLAND_DISPLAY TAVREL_ACTION

# The prefix's wineserver runs in the foreground as a child of this script,
# so that its end is known and it is stopped by its own PID.
server_pid=
start_server() {
  "$WINESERVER" -f -p5 </dev/null >/dev/null 2>&1 &
  server_pid=$!
}
server_running() {
  [[ -n "$server_pid" && -r /proc/$server_pid/stat ]] || return 1
  local fields
  read -r -a fields </proc/"$server_pid"/stat || return 1
  [[ "${fields[2]}" != Z ]]
}
# Waits up to $1 seconds for the server to end by itself: it does so a few
# seconds after the last process of the prefix has ended.
wait_server_idle() {
  local deadline=$((SECONDS + $1))
  while server_running; do
    ((SECONDS < deadline)) || fail "programs still running in the prefix after $1 s"
    sleep 0.2
  done
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}
stop_server() {
  if server_running && grep -qa wineserver /proc/"$server_pid"/cmdline; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    wait_server_idle 30
  fi
}
trap stop_server EXIT

wine_run() { timeout 120 "$WINE" "$@" </dev/null; }

started=$SECONDS
rm -rf "$work"
# The server keys its socket on the prefix folder: it must exist first.
mkdir -p "$prefix"
start_server
wine_run wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
server_running || fail "the prefix's own wineserver did not stay up"

# The update check the launcher would have installed on its first run.
task='Quenby更新检查'
mkdir -p "$state"
printf '%s\t%s\t%s\t%s\n' "$task" 'C:\Program Files\Vidorra\VidorraMain.exe' 'check' '7' \
  >"$state/UpdateChecks.txt"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vidorra'
reg_value() {  # reg_value KEY NAME -> the value's data
  wine_run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^[[:space:]]*$2[[:space:]]\{1,\}REG_[A-Z_]*[[:space:]]\{1,\}//p"
}
key_exists() { wine_run reg query "$1" >/dev/null 2>&1; }

# Every file of the release zip, and the same file installed.
mapfile -t shipped < <(cmake -E tar tf "$release_zip" | grep -v '/$' | sort)
((${#shipped[@]} > 0)) || fail "no files in $release_zip"
unpacked=$work/zip
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$release_zip")

check_installed() {  # check_installed HOST_FOLDER WINDOWS_FOLDER
  local folder=$1 windows=$2 file
  [[ -d "$folder" ]] || fail "nothing installed in $windows"
  for file in "${shipped[@]}"; do
    cmp -s "$unpacked/$file" "$folder/$file" || fail "$windows\\$file missing or different"
  done
  [[ -f "$folder/Uninstall.exe" ]] || fail "no uninstaller in $windows"
  local extra
  extra=$(cd "$folder" && find . -type f ! -name Uninstall.exe | sed 's|^\./||' | sort |
    comm -23 - <(printf '%s\n' "${shipped[@]}"))
  [[ -z "$extra" ]] || fail "files installed that the release does not hold: $extra"

  [[ "$(reg_value "$uninstall_key" DisplayName)" == Vidorra ]] || fail "DisplayName"
  [[ "$(reg_value "$uninstall_key" DisplayVersion)" == 10.0.0.1 ]] || fail "DisplayVersion"
  [[ "$(reg_value "$uninstall_key" Publisher)" == Vidorra ]] || fail "Publisher"
  [[ "$(reg_value "$uninstall_key" DisplayIcon)" == "$windows\\VidorraMain.exe" ]] ||
    fail "DisplayIcon is '$(reg_value "$uninstall_key" DisplayIcon)'"
  [[ "$(reg_value "$uninstall_key" UninstallString)" == "\"$windows\\Uninstall.exe\"" ]] ||
    fail "UninstallString is '$(reg_value "$uninstall_key" UninstallString)'"

  [[ -f "$shortcut" ]] || fail "no Start-menu shortcut at $shortcut"
  # The link's target, as the shell stores it (8-bit or UTF-16 text).
  local link_texts
  link_texts=$(strings -a "$shortcut"; strings -a -el "$shortcut")
  grep -qixF "$windows\\VidorraMain.exe" <<<"$link_texts" ||
    fail "the shortcut does not point at $windows\\VidorraMain.exe"

  [[ ! -e "$state/Tavrel.log" ]] || fail "the setup program ran something: $(cat "$state/Tavrel.log")"
}

check_removed() {  # check_removed HOST_FOLDER WINDOWS_FOLDER
  [[ ! -e "$1" ]] || fail "left behind: $2 ($(cd "$1" && find . | tr '\n' ' '))"
  [[ ! -e "$shortcut" && ! -e "$(dirname "$shortcut")" ]] || fail "left behind: the Start-menu folder"
  ! key_exists "$uninstall_key" || fail "left behind: $uninstall_key"
  ! key_exists 'HKLM\Software\Vidorra' || fail 'left behind: HKLM\Software\Vidorra'
}

uninstall() {  # uninstall WINDOWS_FOLDER
  wine_run "$1\\Uninstall.exe" /S || fail "the uninstaller failed"
  # The uninstaller runs from a copy in the temporary folder and returns at
  # once; the prefix goes idle when that copy has finished.
  wait_server_idle 120
  start_server
  sleep 1
  server_running || fail "the prefix's own wineserver did not start again"
}

# The programs' folder and the all-users Start menu, as this prefix has them.
shortcut=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vidorra/Vidorra.lnk
installed=$prefix/drive_c/Program\ Files/Vidorra
windows_installed='C:\Program Files\Vidorra'

# 1. Default folder.
round_started=$SECONDS
wine_run "$(printf 'Z:%s' "${setup//\//\\}")" /S || fail "the setup program failed"
check_installed "$installed" "$windows_installed"
echo "installer-test: installed ${#shipped[@]} files to $windows_installed"

# 2. Uninstall.
uninstall "$windows_installed"
check_removed "$installed" "$windows_installed"
[[ -f "$state/Tavrel.log" ]] || fail "the uninstaller did not run VidorraMain.exe -uninstall"
log=$(cat "$state/Tavrel.log")
[[ $(grep -c . <<<"$log") -eq 1 && "$log" == RemoveUpdateCheck$'\t'name="$task"$'\t'* ]] ||
  fail "the stand-in's log holds: $log"
! grep -qF "$task" "$state/UpdateChecks.txt" || fail "the update check is still recorded"
echo "installer-test: removed, update check removed ($((SECONDS - round_started)) s)"

# 3. Another folder, chosen with /D= (last, unquoted: NSIS reads it from the raw
# command line, and wine would quote an argument with spaces).
other=$prefix/drive_c/Apps/VidorraTest
windows_other='C:\Apps\VidorraTest'
rm -f "$state/Tavrel.log"
wine_run "$(printf 'Z:%s' "${setup//\//\\}")" /S "/D=$windows_other" || fail "the setup program failed (/D=)"
[[ ! -e "$installed" ]] || fail "/D= ignored: installed to $windows_installed"
check_installed "$other" "$windows_other"
uninstall "$windows_other"
check_removed "$other" "$windows_other"
grep -q '^RemoveUpdateCheck' "$state/Tavrel.log" || fail "no update check removal after /D= install"

stop_server
echo "installer-test: passed in $((SECONDS - started)) s"
