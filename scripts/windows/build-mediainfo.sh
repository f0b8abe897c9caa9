#!/usr/bin/env bash
# Builds MediaInfo.dll for Windows (ARCH i686 or x86_64) from the
# distribution's own source packages of MediaInfoLib and ZenLib, the same
# versions as the installed libmediainfo0v5 / libzen0v5, so that the Windows
# and the Linux builds of the probe meet the same MediaInfo.
#
#   scripts/windows/build-mediainfo.sh ARCH              builds if needed, prints the DLL's path
#   scripts/windows/build-mediainfo.sh --print-dir ARCH  prints the cache folder only
#
# The result is cached outside the build tree, in
#   ${XDG_CACHE_HOME:-$HOME/.cache}/vidorra/mediainfo/<version>-<arch>/
# (MediaInfo.dll and the licence texts); a cached result means no work.
# The source tarballs are fetched once into .../mediainfo/src/<version>/ and
# serve both architectures.
#
# The sources come from `apt-get source --tar-only` through a private apt
# configuration: the machine's own apt sources, turned into deb-src entries in
# a temporary folder. The system's apt configuration is left as it is, and no
# root rights are needed.
#
# ZenLib is built as a static library, MediaInfoLib as a DLL linked with
# -static (zlib from libz-mingw-w64-dev, the GCC runtime, winpthread), so the
# DLL imports system DLLs only. The library's own .def file cannot be used
# with MinGW (it gives ordinal 0 twice), so the DLL is linked with
# -Wl,--kill-at instead: the __stdcall entries MediaInfoA_* and
# MediaInfoListA_* are exported by their plain names.
#
# MEDIAINFO_BUILD_JOBS (default 2) and MEDIAINFO_BUILD_FLAGS (default -O1)
# tune the compile.
set -euo pipefail

usage() { echo "usage: $0 [--print-dir] i686|x86_64" >&2; exit 2; }
print_dir=0
if [[ "${1:-}" == "--print-dir" ]]; then print_dir=1; shift; fi
(($# == 1)) || usage
arch=$1
case "$arch" in i686|x86_64) ;; *) usage ;; esac
triple=$arch-w64-mingw32
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

log() { echo "build-mediainfo: $*" >&2; }

# The versions of the Linux library the parity tests compare against.
source_version() {
  local v
  v=$(dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null) || true
  [[ -n "$v" ]] || { log "package $1 is not installed (scripts/setup.sh installs it)"; exit 1; }
  echo "$v"
}
mi_version=$(source_version libmediainfo0v5)
zen_version=$(source_version libzen0v5)

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/vidorra/mediainfo
out=$cache_root/${mi_version//:/_}-$arch
if ((print_dir)); then
  echo "$out"
  exit 0
fi
if [[ -f "$out/MediaInfo.dll" ]]; then
  echo "$out/MediaInfo.dll"
  exit 0
fi

for tool in "$triple-gcc-posix" "$triple-g++-posix" "$triple-windres" "$triple-strip" cmake ninja; do
  command -v "$tool" >/dev/null || { log "$tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
[[ -f /usr/$triple/lib/libz.a ]] || { log "libz-mingw-w64-dev is missing (scripts/setup.sh installs it)"; exit 1; }

mkdir -p "$cache_root"
# One build per architecture at a time: a second caller waits, then finds the
# result. The two architectures may build side by side.
exec 9>"$cache_root/.lock-$arch"
flock 9
if [[ -f "$out/MediaInfo.dll" ]]; then
  echo "$out/MediaInfo.dll"
  exit 0
fi

started=$SECONDS
work=$(mktemp -d "$cache_root/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- the sources, once for both architectures --------------------------------
src=$cache_root/src/${mi_version//:/_}
exec 8>"$cache_root/.lock-src"
flock 8
if ! compgen -G "$src/libmediainfo_*.orig.tar.*" >/dev/null \
   || ! compgen -G "$src/libzen_*.orig.tar.*" >/dev/null; then
  log "fetching the sources of libmediainfo $mi_version and libzen $zen_version"
  apt_dir=$work/apt
  mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  found=0
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$f" ]] || continue
    sed 's/^Types:.*/Types: deb-src/' "$f" > "$apt_dir/sources/$(basename "$f")"
    found=1
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$f" ]] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" > "$apt_dir/sources/$(basename "$f" .list)-src.list"
    found=1
  done
  ((found)) || { log "no apt sources found in /etc/apt"; exit 1; }
  apt_opts=(-o Dir::Etc::SourceList=/dev/null
            -o Dir::Etc::SourceParts="$apt_dir/sources"
            -o Dir::State::Lists="$apt_dir/lists"
            -o Dir::Cache="$apt_dir/cache"
            -o Debug::NoLocking=true
            -o APT::Sandbox::User="$(id -un)")
  apt-get -qq "${apt_opts[@]}" update
  mkdir -p "$work/fetch"
  (cd "$work/fetch" && apt-get -qq "${apt_opts[@]}" source --tar-only \
     "libmediainfo=$mi_version" "libzen=$zen_version")
  mkdir -p "$src"
  mv "$work"/fetch/*.orig.tar.* "$src"/
fi
flock -u 8

tar -C "$work" -xf "$(compgen -G "$src/libzen_*.orig.tar.*" | head -n1)"
tar -C "$work" -xf "$(compgen -G "$src/libmediainfo_*.orig.tar.*" | head -n1)"
[[ -d "$work/ZenLib" && -d "$work/MediaInfoLib" ]] || { log "unexpected layout of the source tarballs"; exit 1; }
# MediaInfoDLL.def names JNI_OnLoad and MediaInfoA_Set both with ordinal 0,
# which MinGW's linker refuses; the exports come from --kill-at instead.
sed -i '/MediaInfoDLL\.def/d' "$work/MediaInfoLib/Project/CMake/CMakeLists.txt"

jobs=${MEDIAINFO_BUILD_JOBS:-2}
flags=${MEDIAINFO_BUILD_FLAGS:--O1}
toolchain=$root/cmake/toolchain-$triple.cmake

# --- ZenLib, static -----------------------------------------------------------
log "building ZenLib ($arch)"
cmake -S "$work/ZenLib/Project/CMake" -B "$work/build-zen" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$work/zen" >"$work/zen.log" 2>&1 \
  && cmake --build "$work/build-zen" -j "$jobs" >>"$work/zen.log" 2>&1 \
  && cmake --install "$work/build-zen" >>"$work/zen.log" 2>&1 \
  || { tail -n 40 "$work/zen.log" >&2; log "ZenLib failed"; exit 1; }
zen_dir=$(dirname "$(find "$work/zen" -name ZenLibConfig.cmake | head -n1)")

# --- MediaInfoLib, the DLL ----------------------------------------------------
log "building MediaInfoLib ($arch), a few minutes"
cmake -S "$work/MediaInfoLib/Project/CMake" -B "$work/build-mi" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_FIND_ROOT_PATH="/usr/$triple;$work/zen" \
  -DBUILD_SHARED_LIBS=ON -DBUILD_ZENLIB=OFF -DBUILD_ZLIB=OFF -DZenLib_DIR="$zen_dir" \
  -DCMAKE_DISABLE_FIND_PACKAGE_CURL=ON -DCMAKE_DISABLE_FIND_PACKAGE_TinyXML=ON \
  -DCMAKE_SHARED_LINKER_FLAGS="-Wl,--kill-at -static-libgcc -static-libstdc++ -static" \
  >"$work/mi.log" 2>&1 \
  && cmake --build "$work/build-mi" -j "$jobs" >>"$work/mi.log" 2>&1 \
  || { tail -n 40 "$work/mi.log" >&2; log "MediaInfoLib failed"; exit 1; }
dll=$(find "$work/build-mi" -maxdepth 1 -iname '*mediainfo*.dll' | head -n1)
[[ -n "$dll" ]] || { log "the build made no DLL"; exit 1; }

# The DLL must export the ANSI entries by their plain names.
exports=$("$triple-objdump" -p "$dll")
for name in MediaInfoA_New MediaInfoA_Open MediaInfoA_Get MediaInfoA_Close MediaInfoA_Delete MediaInfoListA_New; do
  grep -qE "[[:space:]]$name\$" <<<"$exports" || { log "$name is not exported by name"; exit 1; }
done

mkdir -p "$work/out"
# Shipped as is: without its symbol tables (the exports stay).
"$triple-strip" --strip-unneeded -o "$work/out/MediaInfo.dll" "$dll"
cp "$work/MediaInfoLib/LICENSE" "$work/out/MediaInfoLib-LICENSE.txt"
cp "$work/ZenLib/License.txt" "$work/out/ZenLib-LICENSE.txt"
printf 'MediaInfoLib %s and ZenLib %s, from the source packages of the distribution,\nbuilt for %s with %s (%s).\n' \
  "$mi_version" "$zen_version" "$triple" "$("$triple-g++-posix" -dumpversion)" "$flags" > "$work/out/VERSION.txt"
rm -rf "$out"
mv "$work/out" "$out"
log "done in $((SECONDS - started)) s: $out"
echo "$out/MediaInfo.dll"
