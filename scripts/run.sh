#!/usr/bin/env bash
# Sets up the machine, builds the release and runs the main job.
#
# For now the main job is the media probe: metascope on the sample media
# files (or on the files given as arguments).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

files=("$@")
if ((${#files[@]} == 0)); then
  files=(tests/fixtures/media/clip.mp4 tests/fixtures/media/noaudio.mkv
         tests/fixtures/media/tone.mp3 tests/fixtures/media/image.png)
fi
# The library's diagnostic lines (the MediaInfo report of every close) go to
# standard error; the answers go to standard output.
exec build/release/bin/metascope "${files[@]}" 2>/dev/null
