#!/usr/bin/env bash
# Sets up the machine (what running needs), builds the release, installs it
# into build/release/install (the launcher's folder is lib/vidorra there, with
# bin/vidorra linking to it) and starts the launcher: on a machine with a
# display its window appears. Without a display it runs on a virtual screen
# (Xvfb), saves a screenshot to build/release/screenshot.png and closes.
#
#   bash scripts/run.sh                    the launcher
#   bash scripts/run.sh probe [FILE...]    the media probe on FILEs, relative
#                                          to the current folder (default: the
#                                          sample media files)
#
# The stand-ins keep their log and the installed update check in
# $TAVREL_DIR (default $XDG_STATE_HOME/Tavrel, or ~/.local/state/Tavrel).
set -euo pipefail
caller=$PWD
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [[ "${1:-}" == "-h" || "${1:-}" == "--help" ]]; then
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
  exit 0
fi
if [[ $# -gt 0 && "$1" != "probe" ]]; then
  echo "run: unknown argument: $1 (try --help)" >&2
  exit 2
fi

bash scripts/setup.sh --run
# The benchmarks need Google Benchmark, which only the test set-up installs.
cmake --preset release -DVIDORRA_BUILD_BENCH=OFF >/dev/null
cmake --build --preset release

if [[ "${1:-}" == "probe" ]]; then
  shift
  files=()
  for arg in "$@"; do
    # Paths are the caller's, relative to the folder run.sh was started in;
    # options go to metascope as they are.
    if [[ "$arg" == -* || "$arg" == /* ]]; then files+=("$arg"); else files+=("$caller/$arg"); fi
  done
  if ((${#files[@]} == 0)); then
    files=(tests/fixtures/media/clip.mp4 tests/fixtures/media/noaudio.mkv
           tests/fixtures/media/tone.mp3 tests/fixtures/media/image.png)
  fi
  exec build/release/bin/metascope "${files[@]}"
fi

install_dir="$root/build/release/install"
cmake --install build/release --component launcher --prefix "$install_dir" >/dev/null
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # No display (a server, CI): show that it runs, on a virtual screen.
  echo "run: no display; running the launcher on a virtual screen instead"
  exec bash scripts/run-headless.sh "$install_dir" "$root/build/release/screenshot.png"
fi
echo "run: starting $install_dir/bin/vidorra"
# Without arguments the launcher asks the update-service stand-in (as root) or
# hands over to the starter stand-in, which starts it again with an argument
# (otherwise): either way the window is shown.
exec "$install_dir/bin/vidorra"
