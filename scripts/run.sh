#!/usr/bin/env bash
# Sets up the machine, builds the release, installs the launcher with its
# stand-ins (update-service library, starter, Core/Vidorra, Core/Snipwell)
# into build/release/install and starts it: on a machine with a display the
# launcher's window appears. Without a display it runs on a virtual screen
# (Xvfb), saves a screenshot to build/release/screenshot.png and closes.
#
#   bash scripts/run.sh            the launcher
#   bash scripts/run.sh probe [FILE...]   the media probe on FILEs (default:
#                                         the sample media files)
#
# The stand-ins keep their log and the installed update check in
# $TAVREL_DIR (default ~/.local/state/Tavrel).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

if [[ "${1:-}" == "probe" ]]; then
  shift
  files=("$@")
  if ((${#files[@]} == 0)); then
    files=(tests/fixtures/media/clip.mp4 tests/fixtures/media/noaudio.mkv
           tests/fixtures/media/tone.mp3 tests/fixtures/media/image.png)
  fi
  # The library's diagnostic lines go to standard error; the answers to
  # standard output.
  exec build/release/bin/metascope "${files[@]}" 2>/dev/null
fi

install_dir="$root/build/release/install"
cmake --install build/release --component launcher --prefix "$install_dir" >/dev/null
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # No display (a server, CI): show that it runs, on a virtual screen.
  echo "run: no display; running the launcher on a virtual screen instead"
  exec bash scripts/run-headless.sh "$install_dir" "$root/build/release/screenshot.png"
fi
echo "run: starting $install_dir/VidorraMain"
# Without arguments the launcher asks the update-service stand-in (as root) or
# hands over to the starter stand-in, which starts it again with an argument
# (otherwise): either way the window is shown.
exec "$install_dir/VidorraMain"
