# Sourced by the wine scripts: the wine programs and the environment of a
# headless run in the prefix $1 (a folder inside the build folder).
#
# The architecture comes from the build: the file "arch" beside the prefix
# (written by cmake/WineTests.cmake) holds win32 for a 32-bit build, whose
# programs run under wine32 in a win32 prefix, or win64 for a 64-bit build
# (wine64). A prefix elsewhere takes WINEARCH from the environment.
#
# Debian's wine64 and wine32 packages put their loaders (wine64, wine) and
# servers under /usr/lib/wine; the wine package adds the wrappers in /usr/bin.
wine_find() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    if [[ -x "/usr/lib/wine/$name" ]]; then echo "/usr/lib/wine/$name"; return 0; fi
  done
  echo "wine: none of $* found (install the packages in scripts/apt/windows.txt)" >&2
  return 1
}

export WINEPREFIX=$1
wine_arch_file="$(dirname "$WINEPREFIX")/arch"
if [[ -f "$wine_arch_file" ]]; then
  WINEARCH=$(tr -d '[:space:]' <"$wine_arch_file")
fi
export WINEARCH=${WINEARCH:-}
# WINE runs a program of the build: wine32's loader for win32 (the wrapper in
# /usr/bin is not asked, it would hand a 32-bit program to wine64 when wine32
# is missing, where it exits 0 without having run).
case "$WINEARCH" in
  win32)
    if [[ -x /usr/lib/wine/wine ]]; then WINE=/usr/lib/wine/wine; else
      echo "wine: the 32-bit loader /usr/lib/wine/wine is missing (package wine32:i386, scripts/setup.sh)" >&2
      return 1
    fi
    WINE_PE_MACHINE=014c
    ;;
  win64)
    WINE=$(wine_find wine64) || { return 1; }
    WINE_PE_MACHINE=8664
    ;;
  *)
    echo "wine: no architecture for $WINEPREFIX (expected win32 or win64 in $wine_arch_file or WINEARCH)" >&2
    return 1
    ;;
esac
WINESERVER=$(wine_find wineserver64 wineserver32 wineserver) || { return 1; }
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# DISPLAY passes through: console programs need none, window tests bring
# their own (Xvfb). The wineserver keeps the DISPLAY it was started with, so
# stop it (prefix.sh stop) before running programs with another one.

# A path of this machine as the Windows programs see it (wine maps drive Z:
# to the root folder).
wine_path() {
  local p
  p=$(realpath -m "$1")
  printf 'Z:%s' "${p//\//\\}"
}
