#!/usr/bin/env bash
# dll-search-test.sh RUN_TEST PREFIX HOST_EXE METASCOPE_DLL MEDIAINFO_DLL FAKE_DLL MEDIA_DIR WORK_DIR
#
# Where libMetaScope.dll finds MediaInfo.dll, under Wine: a host program in
# one folder loads libMetaScope.dll by its full path from a second folder
# (its name not ASCII), where the real MediaInfo.dll sits beside it, and
# probes a file of its current folder, a third one. That folder first also
# holds a stand-in MediaInfo.dll (which would answer 0 0 0), then none. Both
# times the real MediaInfo.dll beside the library answers.
set -euo pipefail
run_test=$1 prefix=$2 host=$3 metascope=$4 mediainfo=$5 fake=$6 media=$7 work=$8

rm -rf "$work"
mkdir -p "$work/host" "$work/libs été 模块" "$work/media"
libs="$work/libs été 模块"
cp "$host" "$work/host/"
cp "$metascope" "$mediainfo" "$libs/"
cp "$media/clip.mp4" "$work/media/"
cp "$fake" "$work/media/MediaInfo.dll"

winpath() { echo "Z:${1//\//\\}"; }
run() {
  bash "$run_test" "$prefix" --timeout 60 \
    --expect '^opened 32 24 2$' \
    --expect "^MediaInfo.dll from Z:.*\\\\libs été 模块\\\\MediaInfo.dll$" \
    -- "$work/host/$(basename "$host")" "$(winpath "$libs/$(basename "$metascope")")" \
    "$(winpath "$work/media")" clip.mp4
}

status=0
echo "--- a MediaInfo.dll in the current folder"
run || status=1
rm "$work/media/MediaInfo.dll"
echo "--- no MediaInfo.dll in the current folder"
run || status=1
rm -rf "$work"
exit "$status"
