# Builds the two outside programs against an installed libMetaScope and runs
# them on a media fixture. Sourced by the install-tree and package tests.
#
#   consumers_check WORKDIR FIXTURE_DIR [PREFIX LIBDIR]
# Without PREFIX the library is looked for where the system keeps it (the
# installed packages); nothing then points pkg-config or CMake anywhere.

consumers_check() {
  local work=$1 media=$2 prefix=${3:-} libdir=${4:-}
  local here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  local -a env_vars=(-u PKG_CONFIG_PATH -u CMAKE_PREFIX_PATH -u LD_LIBRARY_PATH)
  if [[ -n "$prefix" ]]; then
    env_vars+=("PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig" "CMAKE_PREFIX_PATH=$prefix")
  fi

  # pkg-config and make.
  rm -rf "$work/pkgconfig" "$work/cmake"
  cp -r "$here/pkgconfig-consumer" "$work/pkgconfig"
  env "${env_vars[@]}" make -s -C "$work/pkgconfig" probe || { echo "FAIL: the pkg-config consumer did not build"; return 1; }
  local out
  out=$(env "${env_vars[@]}" "$work/pkgconfig/probe" "$media/clip.mp4" "$media/tone.mp3" 2>/dev/null) || {
    echo "FAIL: the pkg-config consumer failed on the fixtures"; return 1; }
  if [[ "$out" != $'32 24 2 44100\n0 0 2 44100' ]]; then
    echo "FAIL: the pkg-config consumer printed: $out"; return 1
  fi
  if env "${env_vars[@]}" "$work/pkgconfig/probe" "$work/missing.mp4" >/dev/null 2>&1; then
    echo "FAIL: the pkg-config consumer opened a missing file"; return 1
  fi

  # find_package(MetaScope).
  env "${env_vars[@]}" cmake -S "$here/cmake-consumer" -B "$work/cmake" -G Ninja >"$work/cmake.log" 2>&1 &&
    env "${env_vars[@]}" cmake --build "$work/cmake" >>"$work/cmake.log" 2>&1 || {
      cat "$work/cmake.log"; echo "FAIL: the CMake consumer did not build"; return 1; }
  out=$(env "${env_vars[@]}" "$work/cmake/probe" "$media/clip.mp4" 2>/dev/null) || {
    echo "FAIL: the CMake consumer failed on clip.mp4"; return 1; }
  local width height duration
  read -r width height duration <<<"$out"
  if [[ "$width $height" != "32 24" ]] || ((duration < 950 || duration > 1050)); then
    echo "FAIL: the CMake consumer printed: $out"; return 1
  fi
  echo "ok: the pkg-config and CMake consumers built and probed the fixtures"
}
