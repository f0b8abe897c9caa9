#!/usr/bin/env bash
# metascope --json next to mediainfo --Output=JSON over the same generated
# corpus: copies of the media fixtures, each a little different (a few
# trailing bytes), in the build folder. Prints the wall-clock time of each
# (the median of RUNS runs) and metascope's time as a ratio of mediainfo's,
# with one job and with the default number of jobs.
#
# usage: bench/bench_metascope.sh [BUILD_DIR [FILES [RUNS]]]
#   BUILD_DIR  a build with bin/metascope (default build/release)
#   FILES      corpus size (default 600)
#   RUNS       runs of each command (default 5)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/release}" && pwd)
count=${2:-600}
runs=${3:-5}
metascope=$build/bin/metascope
[[ -x $metascope ]] || { echo "no $metascope: cmake --build --preset release --target metascope" >&2; exit 2; }
command -v mediainfo >/dev/null || { echo "mediainfo is missing: bash scripts/setup.sh" >&2; exit 2; }

corpus=$build/bench-corpus
if [[ ! -f $corpus/.complete-$count ]]; then
  rm -rf "$corpus"
  mkdir -p "$corpus"
  fixtures=()
  for f in "$here"/tests/fixtures/media/*; do
    case $f in *.mp4|*.mkv|*.mp3|*.wav|*.png|*.jpg) fixtures+=("$f") ;; esac
  done
  for ((i = 0; i < count; i++)); do
    src=${fixtures[i % ${#fixtures[@]}]}
    dst=$(printf '%s/%04d-%s' "$corpus" "$i" "$(basename "$src")")
    cp "$src" "$dst"
    printf '%08d' "$i" >>"$dst"  # trailing bytes: no two files alike
  done
  touch "$corpus/.complete-$count"
fi
files=("$corpus"/[0-9]*)

# Median wall-clock seconds of `runs` runs of the command.
median() {
  local times=() start end
  for ((r = 0; r < runs; r++)); do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}

echo "corpus: ${#files[@]} files in $corpus; $(nproc) processors; median of $runs runs"
# Warm the page cache and the libraries.
mediainfo --Output=JSON "${files[@]}" >/dev/null 2>&1 || true
"$metascope" --json "${files[@]}" >/dev/null 2>&1 || true

t_mediainfo=$(median mediainfo --Output=JSON "${files[@]}")
t_one=$(median "$metascope" --json -j 1 "${files[@]}")
t_jobs=$(median "$metascope" --json "${files[@]}")
ratio() { echo "$1 / $2" | bc -l; }
printf '%-30s %8.3f s\n' "mediainfo --Output=JSON" "$t_mediainfo"
printf '%-30s %8.3f s   ratio %.2f\n' "metascope --json -j 1" "$t_one" "$(ratio "$t_one" "$t_mediainfo")"
printf '%-30s %8.3f s   ratio %.2f\n' "metascope --json (-j $(nproc))" "$t_jobs" "$(ratio "$t_jobs" "$t_mediainfo")"
