#!/usr/bin/env bash
# libMetaScope.so defines exactly the twelve exports, unmangled, and nothing else.
set -euo pipefail
lib=$1
expected="MediaInfoCloseFile
MediaInfoGetAudioBitrate
MediaInfoGetAudioChannels
MediaInfoGetAudioSamples
MediaInfoGetHeight
MediaInfoGetVideoAspect
MediaInfoGetVideoBitrate
MediaInfoGetVideoDuration
MediaInfoGetVideoFramerate
MediaInfoGetVideoRotate
MediaInfoGetWidth
MediaInfoOpenFile"
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | sort)
if [[ "$actual" != "$expected" ]]; then
  echo "exports of $lib differ from the twelve:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
# Each is a function (T), not data.
types=$(nm -D --defined-only "$lib" | awk '{print $2}' | sort -u)
[[ "$types" == "T" ]] || { echo "unexpected symbol types: $types"; exit 1; }
echo "exports: the twelve functions, nothing else"
