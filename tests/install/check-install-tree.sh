#!/usr/bin/env bash
# The install tree of a Linux build: installs it whole and by component into
# temporary prefixes, compares the files with the expected layout, checks the
# soname, the tool's RPATH and the desktop entry, starts the launcher through
# bin/vidorra, and builds and runs the outside programs against the prefix.
#
#   check-install-tree.sh CMAKE BUILD_DIR LIBDIR MEDIA_DIR
set -uo pipefail
cmake_cmd=$1 build=$2 libdir=$3 media=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/consumers.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/vidorra-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # the launcher runs as "nobody" below
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

install_into() {  # PREFIX [COMPONENT]
  local -a component=()
  [[ -n "${2:-}" ]] && component=(--component "$2")
  "$cmake_cmd" --install "$build" --prefix "$1" "${component[@]}" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"; fail "cmake --install ${2:-(whole)}"; return 1; }
}

# Files and links under a prefix, one a line, sorted; the build type's part of
# the exported targets' file name is folded away.
listing() {
  (cd "$1" && find . \( -type f -o -type l \) | sed -e 's|^\./||' \
     -e 's|MetaScopeTargets-[a-z]*\.cmake$|MetaScopeTargets-CONFIG.cmake|' | LC_ALL=C sort)
}

icons=()
for size in 16 24 32 48 64 128; do icons+=("share/icons/hicolor/${size}x${size}/apps/vidorra.png"); done
launcher_files=(bin/vidorra lib/vidorra/VidorraMain lib/vidorra/libTavrel.so lib/vidorra/QBStart
  lib/vidorra/Core/Vidorra lib/vidorra/Core/Snipwell share/applications/vidorra.desktop
  share/man/man1/vidorra.1.gz "${icons[@]}")
probe_files=("$libdir/libMetaScope.so.1.0.0" "$libdir/libMetaScope.so.1" bin/metascope
  share/man/man1/metascope.1)
dev_files=(include/libMetaScopeSDK.h "$libdir/libMetaScope.so" "$libdir/pkgconfig/metascope.pc"
  "$libdir/cmake/MetaScope/MetaScopeConfig.cmake" "$libdir/cmake/MetaScope/MetaScopeConfigVersion.cmake"
  "$libdir/cmake/MetaScope/MetaScopeTargets.cmake" "$libdir/cmake/MetaScope/MetaScopeTargets-CONFIG.cmake")
docs() { printf 'share/doc/%s/copyright\nshare/doc/%s/changelog.gz\n' "$1" "$1"; }

expect_listing() {  # NAME PREFIX EXPECTED...
  local name=$1 prefix=$2; shift 2
  local expected actual
  expected=$(printf '%s\n' "$@" | LC_ALL=C sort)
  actual=$(listing "$prefix")
  if [[ "$expected" != "$actual" ]]; then
    fail "$name installs other files than expected:"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
  fi
}

# The whole tree, then each component on its own (a named component also
# brings the Debian packages' copyright and changelog files).
P=$work/prefix
install_into "$P" && expect_listing "the whole install" "$P" \
  "${launcher_files[@]}" "${probe_files[@]}" "${dev_files[@]}"
install_into "$work/launcher" launcher && expect_listing "component launcher" "$work/launcher" \
  "${launcher_files[@]}" $(docs vidorra)
install_into "$work/probe" probe && expect_listing "component probe" "$work/probe" "${probe_files[@]}"
install_into "$work/probe-dev" probe-dev && expect_listing "component probe-dev" "$work/probe-dev" \
  "${dev_files[@]}" $(docs libmetascope-dev)

# Links and the soname.
[[ "$(readlink "$P/bin/vidorra")" == ../lib/vidorra/VidorraMain ]] || fail "bin/vidorra -> $(readlink "$P/bin/vidorra")"
[[ "$(readlink "$P/$libdir/libMetaScope.so")" == libMetaScope.so.1 ]] || fail "libMetaScope.so link"
[[ "$(readlink "$P/$libdir/libMetaScope.so.1")" == libMetaScope.so.1.0.0 ]] || fail "libMetaScope.so.1 link"
readelf -d "$P/$libdir/libMetaScope.so.1.0.0" | grep -q 'SONAME.*\[libMetaScope\.so\.1\]' || fail "soname is not libMetaScope.so.1"

# The tool finds the library of its own prefix with no help from the
# environment, through an RPATH relative to itself; built for a system libdir
# (the packages' /usr) it has none, and is shown the library here.
runpath=$(readelf -d "$P/bin/metascope" | grep -E 'RPATH|RUNPATH')
tool_env=(env -u LD_LIBRARY_PATH)
if [[ -z "$runpath" ]]; then
  [[ "$libdir" == lib/*-linux-gnu ]] || fail "metascope has no RPATH, yet $libdir is no system libdir"
  tool_env=(env LD_LIBRARY_PATH="$P/$libdir")
elif [[ "$runpath" != *'[$ORIGIN/../'"$libdir]"* ]]; then
  fail "metascope's RPATH: $runpath"
fi
out=$("${tool_env[@]}" "$P/bin/metascope" "$media/clip.mp4" 2>/dev/null) || fail "installed metascope failed on clip.mp4"
grep -q 32 <<<"$out" || fail "installed metascope printed: $out"
ldd_line=$("${tool_env[@]}" ldd "$P/bin/metascope" | grep libMetaScope)
[[ "$ldd_line" == *"$P/"* ]] || fail "installed metascope binds $ldd_line"

# The desktop entry and its icons.
desktop=$P/share/applications/vidorra.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
for line in Exec=vidorra Icon=vidorra StartupWMClass=VidorraMain; do
  grep -qx "$line" "$desktop" || fail "the desktop entry lacks $line"
done
for icon in "${icons[@]}"; do
  size=${icon#share/icons/hicolor/}; size=${size%%/*}
  file "$P/$icon" | grep -q "${size%x*} x ${size#*x}," || fail "$icon is not ${size}: $(file -b "$P/$icon")"
done

# The launcher through bin/vidorra finds its neighbours: without arguments and
# without root it hands over to QBStart beside it, which runs it again; with
# -uninstall it calls the update-service library in its own folder.
state=$work/state
mkdir -m 777 "$state"
as_user=()
if [[ $(id -u) -eq 0 ]]; then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --); fi
launcher_env=(env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY TAVREL_DIR="$state" TAVREL_ACTION=exit)
(cd "$work" && "${launcher_env[@]}" "${as_user[@]}" "$P/bin/vidorra") || fail "bin/vidorra ended with $?"
for _ in $(seq 150); do grep -q '^QBStart-done' "$state/Tavrel.log" 2>/dev/null && break; sleep 0.1; done
grep -qP "^QBStart\tlauncher=\Q$P/lib/vidorra/VidorraMain\E(\tclock=[0-9]+)?$" "$state/Tavrel.log" ||
  fail "the starter was not run for the launcher's folder: $(cat "$state/Tavrel.log" 2>/dev/null)"
grep -qP '^QBStart-done\tstatus=0(\tclock=[0-9]+)?$' "$state/Tavrel.log" || fail "the relaunched launcher did not end with 0"
(cd "$work" && "${launcher_env[@]}" "$P/bin/vidorra" -uninstall) || fail "bin/vidorra -uninstall ended with $?"
grep -qP "^RemoveUpdateCheck\t.*cwd=\Q$P/lib/vidorra\E" "$state/Tavrel.log" ||
  fail "-uninstall did not run in the launcher's folder: $(cat "$state/Tavrel.log")"

# The outside programs against the prefix.
mkdir "$work/consumers"
consumers_check "$work/consumers" "$media" "$P" "$libdir" || failures=$((failures + 1))

if ((failures > 0)); then echo "$failures check(s) failed"; exit 1; fi
echo "ok: the install tree is as laid out"
