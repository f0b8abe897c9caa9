#!/usr/bin/env bash
# The Debian packages: made with cpack from the build, checked with lintian
# (no errors), installed with apt, used (the launcher's window under Xvfb and
# its close button, metascope, the outside programs against the system's
# copy), then purged: nothing of them may be left. Needs root; changes the
# machine's installed packages for about a minute and leaves them as they were.
#
#   check-packages.sh CPACK BUILD_DIR MEDIA_DIR
set -uo pipefail
cpack_cmd=$1 build=$2 media=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/consumers.sh"
packages=(vidorra libmetascope1 metascope libmetascope-dev)
started=$SECONDS

if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: installing packages needs root"
  exit 77
fi
for p in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q installed; then
    echo "FAIL: $p is already installed on this machine; not touching it"
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vidorra-packages-XXXXXX")
chmod 755 "$work"
xvfb_pid=
purge() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 purge -y -qq "${packages[@]}" >"$work/purge.log" 2>&1
}
cleanup() {
  if [[ -n "$xvfb_pid" ]] && kill -0 "$xvfb_pid" 2>/dev/null; then kill "$xvfb_pid"; fi
  # Whatever happened above, the machine keeps none of the packages.
  for p in "${packages[@]}"; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q installed; then purge; break; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# 1. The packages.
"$cpack_cmd" --config "$build/CPackConfig.cmake" -B "$work/debs" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=()
for p in "${packages[@]}"; do
  deb=$(ls "$work/debs/${p}_"*.deb 2>/dev/null)
  [[ -f "$deb" ]] || { echo "FAIL: no package $p in: $(ls "$work/debs")"; exit 1; }
  debs+=("$deb")
  echo "package: $(basename "$deb") $(stat -c %s "$deb") bytes," \
       "Section $(dpkg-deb -f "$deb" Section), Depends: $(dpkg-deb -f "$deb" Depends)"
done
field() { dpkg-deb -f "$work/debs/${1}_"*.deb "$2"; }
declare -A want_section=([vidorra]=video [libmetascope1]=libs [metascope]=video [libmetascope-dev]=libdevel)
for p in "${packages[@]}"; do
  [[ "$(field "$p" Section)" == "${want_section[$p]}" ]] || fail "$p: Section $(field "$p" Section)"
done
version=$(field libmetascope1 Version)
grep -q 'libmediainfo0v5' <<<"$(field libmetascope1 Depends)" || fail "libmetascope1 does not depend on libmediainfo0v5"
grep -q 'libc6' <<<"$(field libmetascope1 Depends)" || fail "libmetascope1: no dependencies from dpkg-shlibdeps"
grep -q 'libsdl2' <<<"$(field vidorra Depends)" || fail "vidorra: no dependency on SDL2 from dpkg-shlibdeps"
grep -q 'libatk-bridge2.0-0' <<<"$(field vidorra Depends)" ||
  fail "vidorra: no dependency on the ATK bridge from dpkg-shlibdeps"
for p in metascope libmetascope-dev; do
  grep -qF "libmetascope1 (= $version)" <<<"$(field "$p" Depends)" || fail "$p does not depend on libmetascope1 (= $version)"
done

# 2. lintian: no errors; warnings are listed.
lintian --tag-display-limit 0 "${debs[@]}" >"$work/lintian.log" 2>&1
sed 's/^/lintian: /' "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi

# 3. Installed with apt.
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
  "${debs[@]}" >"$work/install.log" 2>&1 || { cat "$work/install.log"; echo "FAIL: apt-get install"; exit 1; }
for p in "${packages[@]}"; do
  dpkg-query -L "$p" | while read -r f; do [[ -d "$f" ]] || echo "$f"; done >>"$work/files.txt"
done
echo "installed: $(wc -l <"$work/files.txt") files"
[[ "$(command -v vidorra)" == /usr/bin/vidorra ]] || fail "vidorra is not the command /usr/bin/vidorra"
[[ "$(command -v metascope)" == /usr/bin/metascope ]] || fail "metascope is not the command /usr/bin/metascope"

# metascope: --version where the tool has it, and a fixture.
if metascope --help 2>&1 | grep -q -- '--version'; then
  out=$(metascope --version) && [[ -n "$out" ]] || fail "metascope --version"
  echo "metascope --version: $out"
fi
out=$(metascope "$media/clip.mp4" 2>/dev/null) || fail "metascope clip.mp4 ended with $?"
grep -q 32 <<<"$out" || fail "metascope printed: $out"
man -w metascope >/dev/null 2>&1 || [[ -f /usr/share/man/man1/metascope.1.gz ]] || fail "no man page metascope.1"

# The outside programs against the system's copy.
mkdir "$work/consumers"
consumers_check "$work/consumers" "$media" || failures=$((failures + 1))

# The launcher: the vidorra command under Xvfb, its window, its WM_CLASS as
# the desktop entry names it, its close button ending it with 0.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
mkdir -m 777 "$work/state"
(cd "$work" && env -u LD_LIBRARY_PATH SDL_VIDEODRIVER=x11 TAVREL_DIR="$work/state" TAVREL_ACTION= vidorra) &
launcher=$!
if window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vidorra$' | head -n 1) && [[ -n "$window" ]]; then
  wm_class=$(xprop -id "$window" WM_CLASS)
  want=$(sed -n 's/^StartupWMClass=//p' /usr/share/applications/vidorra.desktop)
  grep -qF "\"$want\"" <<<"$wm_class" || fail "WM_CLASS is $wm_class, the desktop entry says $want"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # The close button: 20 x 20 at (834, 4) in the window.
  xdotool mousemove $((X + 844)) $((Y + 14))
  sleep 0.3
  xdotool click 1
  if timeout 20 tail --pid="$launcher" -f /dev/null; then
    wait "$launcher"; status=$?
    if ((status == 0)); then
      echo "ok: the launcher's window appeared (WM_CLASS ${wm_class#*= }) and its close button ended it with 0"
    else
      fail "the launcher ended with $status after its close button"
    fi
  else
    fail "the launcher did not end after its close button was clicked"
    kill "$launcher" 2>/dev/null
  fi
else
  fail "the launcher's window did not appear"
  kill "$launcher" 2>/dev/null
fi
kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=

# 4. Purged: the packages are gone and so is every file they installed.
purge || { cat "$work/purge.log"; fail "apt-get purge"; }
for p in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q installed; then fail "$p is still installed"; fi
done
left=$(while read -r f; do [[ -e "$f" || -L "$f" ]] && echo "$f"; done <"$work/files.txt")
[[ -z "$left" ]] || fail "left after purge: $left"
[[ ! -e /usr/lib/vidorra ]] || fail "/usr/lib/vidorra is left after purge"

echo "packages test took $((SECONDS - started)) s"
if ((failures > 0)); then echo "$failures check(s) failed"; exit 1; fi
echo "ok: the packages install, work and purge cleanly"
