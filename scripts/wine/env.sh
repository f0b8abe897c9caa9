# Sourced by the wine scripts: the wine programs and the environment of a
# headless run in the prefix $1 (a folder inside the build folder).
#
# Debian's wine64 package puts its loader and server under /usr/lib/wine; the
# wine package adds the wrappers in /usr/bin. Either will do.
wine_find() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    if [[ -x "/usr/lib/wine/$name" ]]; then echo "/usr/lib/wine/$name"; return 0; fi
  done
  echo "wine: none of $* found (install the packages in scripts/apt/windows.txt)" >&2
  return 1
}

WINE64=$(wine_find wine64)
WINESERVER=$(wine_find wineserver64 wineserver)

export WINEPREFIX=$1
export WINEARCH=win64
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
