#!/usr/bin/env bash
# installer-test.sh BUILD PREFIX WORK SETUP_EXE RELEASE_ZIP
#
# The setup program of the BUILD (win32 or win64) under Wine, in a fresh
# prefix of architecture PREFIX (win32, or win64, which runs 32-bit programs
# too, as every 64-bit Windows does) in WORK/prefix, with a wineserver and an
# Xvfb display of its own:
#   1. "setup.exe /S" installs exactly the files of the release zip, plus the
#      uninstaller, to the build's own "Program Files" (the 64-bit one for
#      win64; "Program Files (x86)" for win32 in a win64 prefix), writes the
#      uninstall entry in the build's registry view only (reg query /reg:64
#      and /reg:32), a Start-menu shortcut to VidorraMain.exe, and runs
#      nothing of ours (the update-service stand-in's log stays empty).
#   2. While Vidorra runs, nothing changes: "setup.exe /S" and
#      "Uninstall.exe /S _?=<folder>" (the uninstaller in place, waited for)
#      end with exit code 2 and leave the same files byte for byte, the same
#      entry and shortcut, the update check, and the program running. Vidorra
#      running is: the installed Core\Snipwell.exe (found by its path), a
#      launcher from another folder (found by its mark), the installed
#      launcher with its window (both). Run without /S, the setup program
#      shows its Chinese message (as wine's trace of the message box has it),
#      asks again on Retry and ends with exit code 2 on Cancel.
#   3. The uninstaller, run without /S while the launcher runs, shows its
#      message; after the launcher's close button, Retry goes on: it runs
#      "VidorraMain.exe -uninstall" (the update check goes) and leaves no
#      file, shortcut or registry key behind.
#   4. A second setup over the first leaves one uninstall entry, one shortcut
#      and exactly the release's files; a third one with /D=<folder> moves the
#      installation there and leaves nothing in the old folder; its
#      uninstaller removes it.
# Exit code 77 (a skip, with the reason) when this machine cannot run the
# Wine it needs.
set -euo pipefail
usage='usage: installer-test.sh win32|win64 win32|win64 WORK SETUP_EXE RELEASE_ZIP'
build=${1:?$usage}
prefix_arch=${2:?$usage}
work=$(realpath -m "${3:?$usage}")
setup=$(realpath "${4:?$usage}")
release_zip=$(realpath "${5:?$usage}")

fail() {
  echo "installer-test: FAIL: $*" >&2
  if [[ -n "${DISPLAY:-}" ]]; then echo "installer-test: windows shown: $(windows_shown)" >&2; fi
  exit 1
}
skip() { echo "installer-test: SKIPPED: $*" >&2; exit 77; }
note() { echo "installer-test: $*"; }

find_tool() {
  local name
  for name in "$@"; do
    if [[ -x "/usr/lib/wine/$name" ]]; then echo "/usr/lib/wine/$name"; return 0; fi
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
  done
  return 1
}
# Where the build's programs go and which registry view holds its keys, as
# the prefix has them.
case "$build/$prefix_arch" in
  win64/win64) programs='Program Files' view=64 other_view=32 ;;
  win32/win64) programs='Program Files (x86)' view=32 other_view=64 ;;
  win32/win32) programs='Program Files' view='' other_view='' ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
# Debian's wine32 puts the 32-bit loader at /usr/lib/wine/wine; wine64 hands
# a 32-bit program in a win64 prefix over to it.
if [[ "$prefix_arch" == win32 ]]; then loader=wine package='wine32:i386'; else loader=wine64 package=wine64; fi
WINE=$(find_tool "$loader") || skip "no $loader loader: install $package"
WINESERVER=$(find_tool wineserver wineserver64 wineserver32) || skip "no wineserver: install $package"
# Installed is not enough: a kernel without 32-bit support cannot start the
# 32-bit loader at all ("Exec format error").
needed=("$WINE")
if [[ "$build" == win32 ]]; then needed+=(/usr/lib/wine/wine); fi
for tool in "${needed[@]}"; do
  [[ -x "$tool" ]] || skip "no $tool: install wine32:i386"
  if ! version_error=$("$tool" --version 2>&1 >/dev/null); then
    skip "this machine cannot run $tool (${version_error##*: })"
  fi
done
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/apt/tests.txt)"
done

prefix=$work/prefix
export WINEPREFIX=$prefix
export WINEARCH=$prefix_arch
export WINEDEBUG=-all
# No Mono or Gecko set-up dialogs, and no menu entries written to this
# machine's desktop for the shortcuts the setup program creates.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The update-service stand-in's folder, inside the prefix. TAVREL_ACTION
# unset: the stand-in answers the empty word, and a launcher shows its window.
export TAVREL_DIR='C:\vidorra-state'
state=$prefix/drive_c/vidorra-state
log=$state/Tavrel.log
unset WAYLAND_DISPLAY TAVREL_ACTION

# The prefix's wineserver runs in the foreground as a child of this script,
# so that its end is known and it is stopped by its own PID; so does Xvfb.
server_pid=
xvfb_pid=
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
cleanup() {
  stop_server
  if [[ -n "$xvfb_pid" ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

wine_run() { timeout 120 "$WINE" "$@" </dev/null; }
# Runs one Windows command line as written, through a batch file: arguments
# such as "_?=C:\Program Files\Vidorra" must reach the program unquoted, and
# wine would quote them. Returns the program's exit code. Its standard error
# goes to $windows_line_errors.
windows_line_errors=/dev/null
windows_line() {
  printf '@echo off\r\n%s\r\nexit /b %%errorlevel%%\r\n' "$1" >"$prefix/drive_c/installer-test.bat"
  timeout 120 "$WINE" cmd /c 'C:\installer-test.bat' </dev/null >/dev/null 2>>"$windows_line_errors"
}
# For failure messages: the windows shown, with their sizes.
windows_shown() {
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    printf '[%s %s] ' "$(xdotool getwindowname "$id")" "$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')"
  done
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

started=$SECONDS
rm -rf "$work"
# The server keys its socket on the prefix folder: it must exist first.
mkdir -p "$prefix"

# Xvfb on a display it picks (-displayfd), ready once it names it; set before
# the prefix starts, since wine keeps the display it first met.
mkfifo "$work/displayfd"
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp -br -noreset 4>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb_pid=$!
read -r -t 20 number <"$work/displayfd" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$number"

start_server
wine_run wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
server_running || fail "the prefix's own wineserver did not stay up"
# A crashing program must not wait for a click on its crash dialog.
wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 ||
  fail "ShowCrashDialog could not be set"

# The update check the launcher would have installed on its first run.
task='Quenby更新检查'
mkdir -p "$state"
printf '%s\t%s\t%s\t%s\n' "$task" "C:\\$programs\\Vidorra\\VidorraMain.exe" 'check' '7' \
  >"$state/UpdateChecks.txt"
log_count() { if [[ -f "$log" ]]; then grep -c "^$1"$'\t' "$log" || true; else echo 0; fi; }
check_recorded() { grep -qF "$task" "$state/UpdateChecks.txt"; }

# --- The registry, in a view: the build's own, the other one (win64 prefix).
uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
uninstall_key="$uninstall_root\\Vidorra"
view_option() { if [[ -n "$1" ]]; then echo "/reg:$1"; fi; }
reg_query() {  # reg_query VIEW KEY [reg query options]: its text, empty when absent
  local view=$1 key=$2 text
  shift 2
  # shellcheck disable=SC2046
  text=$(wine_run reg query "$key" "$@" $(view_option "$view") 2>/dev/null) || return 0
  tr -d '\r' <<<"$text"
}
reg_value() {  # reg_value KEY NAME: the value's data in the build's view
  reg_query "$view" "$1" /v "$2" |
    sed -n "s/^[[:space:]]*$2[[:space:]]\{1,\}REG_[A-Z_]*[[:space:]]\{1,\}//p"
}
key_exists() {  # key_exists VIEW KEY
  # shellcheck disable=SC2046
  wine_run reg query "$2" $(view_option "$1") >/dev/null 2>&1
}
# The uninstall entries of ours in a view: keys under Uninstall naming Vidorra.
entries() { reg_query "$1" "$uninstall_root" | grep -ci '\\[^\\]*vidorra[^\\]*$' || true; }

# --- Files and shortcuts.
mapfile -t shipped < <(cmake -E tar tf "$release_zip" | grep -v '/$' | sort)
((${#shipped[@]} > 0)) || fail "no files in $release_zip"
unpacked=$work/zip
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$release_zip")

start_menu=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
shortcut=$start_menu/Vidorra/Vidorra.lnk
# The texts of a link, where the shell stores its target (8-bit or UTF-16).
link_texts() { strings -a "$1"; strings -a -el "$1"; }
links_to() { grep -qixF "$2" <<<"$(link_texts "$1")"; }
# Every link in the Start menu that starts a VidorraMain.exe.
launcher_links() {
  local link count=0
  while IFS= read -r -d '' link; do
    if grep -qi 'VidorraMain\.exe' <<<"$(link_texts "$link")"; then count=$((count + 1)); fi
  done < <(find "$start_menu" -name '*.lnk' -print0)
  echo "$count"
}

check_installed() {  # check_installed HOST_FOLDER WINDOWS_FOLDER
  local folder=$1 windows=$2 file
  [[ -d "$folder" ]] || fail "nothing installed in $windows ($(cd "$prefix/drive_c" && ls -d Program* Apps 2>/dev/null | tr '\n' ' '))"
  for file in "${shipped[@]}"; do
    cmp -s "$unpacked/$file" "$folder/$file" || fail "$windows\\$file missing or different"
  done
  [[ -f "$folder/Uninstall.exe" ]] || fail "no uninstaller in $windows"
  local extra
  extra=$(cd "$folder" && find . -type f ! -name Uninstall.exe | sed 's|^\./||' | sort |
    comm -23 - <(printf '%s\n' "${shipped[@]}"))
  [[ -z "$extra" ]] || fail "files installed that the release does not hold: $extra"

  [[ "$(reg_value "$uninstall_key" DisplayName)" == Vidorra ]] || fail "DisplayName in view '$view'"
  [[ "$(reg_value "$uninstall_key" DisplayVersion)" == 10.0.0.1 ]] || fail "DisplayVersion"
  [[ "$(reg_value "$uninstall_key" Publisher)" == Vidorra ]] || fail "Publisher"
  [[ "$(reg_value "$uninstall_key" DisplayIcon)" == "$windows\\VidorraMain.exe" ]] ||
    fail "DisplayIcon is '$(reg_value "$uninstall_key" DisplayIcon)'"
  [[ "$(reg_value "$uninstall_key" UninstallString)" == "\"$windows\\Uninstall.exe\"" ]] ||
    fail "UninstallString is '$(reg_value "$uninstall_key" UninstallString)'"
  [[ "$(entries "$view")" == 1 ]] || fail "$(entries "$view") uninstall entries in view '$view'"
  if [[ -n "$other_view" ]]; then
    ! key_exists "$other_view" "$uninstall_key" || fail "the uninstall entry is in the $other_view-bit view too"
    ! key_exists "$other_view" 'HKLM\Software\Vidorra' || fail "HKLM\\Software\\Vidorra in the $other_view-bit view"
  fi

  [[ -f "$shortcut" ]] || fail "no Start-menu shortcut at $shortcut"
  links_to "$shortcut" "$windows\\VidorraMain.exe" || fail "the shortcut does not point at $windows\\VidorraMain.exe"
  [[ "$(launcher_links)" == 1 ]] || fail "$(launcher_links) Start-menu shortcuts to the launcher"
}

check_removed() {  # check_removed HOST_FOLDER WINDOWS_FOLDER
  [[ ! -e "$1" ]] || fail "left behind: $2 ($(cd "$1" && find . | tr '\n' ' '))"
  [[ ! -e "$shortcut" && ! -e "$(dirname "$shortcut")" ]] || fail "left behind: the Start-menu folder"
  [[ "$(launcher_links)" == 0 ]] || fail "left behind: a shortcut to the launcher"
  local v
  for v in "$view" $other_view; do
    ! key_exists "$v" "$uninstall_key" || fail "left behind: $uninstall_key (view '$v')"
    ! key_exists "$v" 'HKLM\Software\Vidorra' || fail "left behind: HKLM\\Software\\Vidorra (view '$v')"
  done
}

host_exe() { printf 'Z:%s' "${1//\//\\}"; }
install() {  # install [/D=FOLDER]: silently, waited for
  local rc=0
  windows_line "\"$(host_exe "$setup")\" /S${1:+ $1}" || rc=$?
  ((rc == 0)) || fail "the setup program failed (exit code $rc)"
}
uninstall() {  # uninstall WINDOWS_FOLDER: as users run it
  wine_run "$1\\Uninstall.exe" /S || fail "the uninstaller failed"
  # The uninstaller runs from a copy in the temporary folder and returns at
  # once; the prefix goes idle when that copy has finished.
  wait_server_idle 120
  start_server
  sleep 1
  server_running || fail "the prefix's own wineserver did not start again"
}

installed=$prefix/drive_c/$programs/Vidorra
windows_installed="C:\\$programs\\Vidorra"

# --- 1. Silently, into the default folder.
round_started=$SECONDS
install
check_installed "$installed" "$windows_installed"
[[ ! -e "$log" ]] || fail "the setup program ran something: $(cat "$log")"
note "installed ${#shipped[@]} files to $windows_installed, entry in view '${view:-only}'"

# --- 2. Nothing changes while Vidorra runs.
visible() { [[ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ]]; }
program_pid=
start_program() {  # start_program TITLE WINDOWS_PROGRAM [ARGS...]: runs it until its window shows
  local title=$1
  shift
  "$WINE" "$@" </dev/null >>"$work/programs.log" 2>&1 &
  program_pid=$!
  wait_for 60 visible "$title" || fail "$1 showed no window '$title': $(cat "$work/programs.log")"
}
# Everything the setup program or the uninstaller could change.
snapshot() {
  (cd "$installed" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
  reg_query "$view" "$uninstall_key"
  reg_query "$view" 'HKLM\Software\Vidorra' /s
  sha256sum "$shortcut"
  cat "$state/UpdateChecks.txt"
  [[ ! -f "$log" ]] || grep -v '^InstallUpdateCheck' "$log" || true
}
refused() {  # refused WHAT TITLE: the silent setup and uninstall change nothing
  local what=$1 title=$2 before rc
  before=$(snapshot)
  rc=0
  windows_line "\"$(host_exe "$setup")\" /S" || rc=$?
  ((rc == 2)) || fail "with $what running, setup.exe /S ended with exit code $rc, not 2"
  [[ "$(snapshot)" == "$before" ]] || fail "with $what running, setup.exe /S changed: $(diff <(echo "$before") <(snapshot))"
  rc=0
  windows_line "\"$windows_installed\\Uninstall.exe\" /S _?=$windows_installed" || rc=$?
  ((rc == 2)) || fail "with $what running, Uninstall.exe /S ended with exit code $rc, not 2"
  [[ "$(snapshot)" == "$before" ]] || fail "with $what running, Uninstall.exe /S changed: $(diff <(echo "$before") <(snapshot))"
  kill -0 "$program_pid" 2>/dev/null && visible "$title" || fail "$what no longer runs"
  check_recorded || fail "with $what running, the update check went"
  [[ "$(log_count RemoveUpdateCheck)" == 0 ]] || fail "with $what running, -uninstall was run"
  note "with $what running: setup and uninstall changed nothing, exit code 2"
}
# A launcher: once its window shows, it installs its update check (about a
# second later, rewriting the stand-in's records); waited for, so that
# nothing changes after the snapshot.
start_launcher() {  # start_launcher WINDOWS_PROGRAM
  local checks
  checks=$(log_count InstallUpdateCheck)
  start_program Vidorra "$1"
  wait_for 30 log_count_above InstallUpdateCheck "$checks" || fail "$1 installed no update check"
}
log_count_above() { (($(log_count "$1") > $2)); }
ended() { ! kill -0 "$program_pid" 2>/dev/null; }
wait_ended() {  # wait_ended WHAT: sets status
  wait_for 30 ended || fail "$1 did not end"
  status=0
  wait "$program_pid" || status=$?
  program_pid=
}
# The launcher's close button (client 834,4, 20 x 20).
click_close() {
  # shellcheck disable=SC2034  # all set by the eval, X and Y used
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name '^Vidorra$' | head -n 1)")"
  xdotool mousemove $((X + 844)) $((Y + 14))
  sleep 0.5
  xdotool click 1
}

# Without /S: the message box, its text as wine's trace of it has it
# (WINEDEBUG +msgbox), keys pressed on its window.
running_text() {  # running_text ACTION: the message of the setup program (安装) or the uninstaller (卸载)
  printf 'Vidorra 正在运行。\n\n请先关闭 Vidorra 及其剪辑、编辑程序，然后点击“重试”继续%s；点击“取消”退出%s，不做任何更改。' "$1" "$1"
}
messages() {  # messages TRACE: every message box text in it, one a line (line breaks as |)
  python3 - "$1" <<'PY'
import re, sys
escape = re.compile(r'\\([0-9a-fA-F]{4}|[nrt"\\])')
plain = {'n': '|', 'r': '', 't': '\t', '"': '"', '\\': '\\'}
for line in open(sys.argv[1], encoding='utf-8', errors='replace'):
    found = re.search(r'MSGBOX_OnInit L"(.*)"\s*$', line)
    if found:
        print(escape.sub(lambda m: plain[m.group(1)] if m.group(1) in plain else chr(int(m.group(1), 16)),
                         found.group(1)))
PY
}
message_count_is() { [[ $(messages "$1" | grep -c .) == "$2" ]]; }
message_count_above() { (($(messages "$1" | grep -c .) > $2)); }
# A window whose title begins with $1 that is no message box (the wizard's
# pages are taller; their title may end in a blank).
page_shown() {
  local id HEIGHT
  for id in $(xdotool search --onlyvisible --name "^$1" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id" | grep HEIGHT)"
    ((HEIGHT > 250)) && return 0
  done
  return 1
}
press() {  # press KEY TITLE: on the (top) window whose title begins with TITLE, if one shows
  local id
  id=$(xdotool search --onlyvisible --name "^$2" 2>/dev/null | tail -n 1)
  [[ -n "$id" ]] || return 0
  xdotool windowfocus --sync "$id" 2>/dev/null || return 0
  xdotool key "$1"
}
# Run without /S while WHAT runs, the setup program asks to close it; Retry
# asks again, Cancel ends it with exit code 2, nothing changed.
setup_asks() {  # setup_asks WHAT
  local before trace=$work/setup-asks.trace pid rc
  before=$(snapshot)
  : >"$trace"
  (export WINEDEBUG=-all,+msgbox windows_line_errors=$trace; windows_line "\"$(host_exe "$setup")\"") &
  pid=$!
  wait_for 60 message_count_is "$trace" 1 || fail "with $1 running, the setup program asked nothing"
  [[ "$(messages "$trace")" == "$(running_text 安装 | sed -z 's/\n/|/g')" ]] ||
    fail "the setup program's message: $(messages "$trace")"
  # Each key again if it came before the box took the focus.
  for _ in 1 2 3; do
    press Return 'Vidorra 安装'
    wait_for 10 message_count_above "$trace" 1 && break
  done
  message_count_above "$trace" 1 || fail "Retry with $1 still running did not ask again: $(windows_shown)"
  for _ in 1 2 3; do
    press Escape 'Vidorra 安装'
    wait_for 10 not kill -0 "$pid" 2>/dev/null && break
  done
  rc=0
  wait "$pid" || rc=$?
  ((rc == 2)) || fail "Cancel ended the setup program with exit code $rc, not 2"
  [[ "$(snapshot)" == "$before" ]] || fail "the setup program changed, and was cancelled: $(diff <(echo "$before") <(snapshot))"
  note "with $1 running, setup.exe asked (Retry asked again, Cancel: exit code 2, nothing changed)"
}

start_program 'Snipwell - cut' "$windows_installed\\Core\\Snipwell.exe" cut
refused 'the installed Core\Snipwell.exe' 'Snipwell - cut'
"$WINE" taskkill /IM Snipwell.exe >/dev/null 2>&1 || true
wait_ended 'Core\Snipwell.exe'

start_launcher "$(host_exe "$unpacked/VidorraMain.exe")"
refused 'a launcher from another folder' Vidorra
click_close
wait_ended 'the launcher from another folder'
((status == 0)) || fail "the launcher from another folder ended with $status"

start_launcher "$windows_installed\\VidorraMain.exe"
refused 'the installed launcher' Vidorra
setup_asks 'the installed launcher'

# --- 3. The uninstaller, started as users start it while the launcher runs,
# asks to close it; after the close button, Retry goes on and it removes
# everything.
trace=$work/uninstall-asks.trace
WINEDEBUG=-all,+msgbox wine_run "$windows_installed\\Uninstall.exe" 2>"$trace" || fail "the uninstaller failed"
wait_for 60 message_count_is "$trace" 1 || fail "with the launcher running, the uninstaller asked nothing"
[[ "$(messages "$trace")" == "$(running_text 卸载 | sed -z 's/\n/|/g')" ]] ||
  fail "the uninstaller's message: $(messages "$trace")"
click_close
wait_ended 'the installed launcher'
((status == 0)) || fail "the installed launcher ended with $status"
for _ in 1 2 3; do
  press Return 'Vidorra 卸载'
  wait_for 10 page_shown 'Vidorra 卸载' && break
done
page_shown 'Vidorra 卸载' || fail "Retry after the launcher ended did not go on: $(windows_shown)"
message_count_is "$trace" 1 || fail "the uninstaller asked again with the launcher ended"
# The confirmation page: uninstall (again if the key came before the page
# took the focus; the removal itself takes a second or two).
for _ in 1 2 3 4 5; do
  press Return 'Vidorra 卸载'
  wait_for 10 test ! -e "$installed" && break
done
[[ ! -e "$installed" ]] || fail "the uninstaller removed nothing after Retry: $(windows_shown)"
# Its last step removes the uninstall entry; then its page offers to close.
entry_gone() { ! key_exists "$view" "$uninstall_key"; }
wait_for 60 entry_gone || fail "the uninstaller did not finish"
# Done: close (a press before the page has enabled its button is lost).
for _ in 1 2 3 4 5; do
  page_shown 'Vidorra 卸载' || break
  press Return 'Vidorra 卸载'
  wait_for 5 not page_shown 'Vidorra 卸载' && break
done
not page_shown 'Vidorra 卸载' || fail "the uninstaller's last page did not close: $(windows_shown)"
wait_server_idle 120
start_server
check_removed "$installed" "$windows_installed"
[[ "$(log_count RemoveUpdateCheck)" == 1 ]] || fail "the uninstaller did not run VidorraMain.exe -uninstall once: $(cat "$log")"
grep -qP "^RemoveUpdateCheck\tname=\Q$task\E\t" "$log" || fail "the stand-in's log holds: $(cat "$log")"
! check_recorded || fail "the update check is still recorded"
note "the uninstaller asked; after the close button and Retry: removed, update check removed ($((SECONDS - round_started)) s)"

# --- 4. Over an existing installation: the same folder, then another one
# chosen with /D= (last, unquoted, spaces and all).
rm -f "$log"
install
install
check_installed "$installed" "$windows_installed"
[[ "$(log_count RemoveUpdateCheck)" == 1 ]] || fail "the second setup did not remove the first installation"
other="$prefix/drive_c/Apps/Vidorra Test"
windows_other='C:\Apps\Vidorra Test'
install "/D=$windows_other"
[[ ! -e "$installed" ]] || fail "the earlier installation is left in $windows_installed: $(cd "$installed" && find .)"
check_installed "$other" "$windows_other"
note "installed over itself, then moved with /D=: one entry, one shortcut"
uninstall "$windows_other"
check_removed "$other" "$windows_other"
[[ "$(log_count RemoveUpdateCheck)" == 3 ]] || fail "no update check removal after the /D= install"

stop_server
note "passed in $((SECONDS - started)) s"
