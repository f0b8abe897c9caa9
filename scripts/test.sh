#!/usr/bin/env bash
# Sets up the machine, then builds and runs the whole test suite: the normal
# Linux build and the AddressSanitizer + UndefinedBehaviorSanitizer build, then
# the Windows builds (MinGW-w64): the 64-bit one with its tests under wine64,
# and the 32-bit release, whose binaries are checked as files. Warnings are
# errors in all of them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh

for preset in default sanitize; do
  echo "=== $preset: configure and build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset: test ==="
  ctest --preset "$preset"
done

# The wine tests start and stop their own wineserver (CTest fixture "wine");
# this also stops it when the run is cut short.
windows_started=$SECONDS
# The real MediaInfo.dll, built from the distribution's source once per
# machine and cached outside the build tree; the Windows configure picks it up.
for arch in x86_64 i686; do
  mediainfo_started=$SECONDS
  if bash scripts/windows/build-mediainfo.sh "$arch" >/dev/null; then
    echo "=== MediaInfo.dll ($arch): ready after $((SECONDS - mediainfo_started)) s ==="
  else
    echo "=== MediaInfo.dll ($arch): NOT BUILT; the tests against it report themselves not run ==="
  fi
done
stop_wine() { bash scripts/wine/prefix.sh stop build/windows-x86_64/wine/prefix >/dev/null 2>&1 || true; }
trap stop_wine EXIT
for preset in windows-x86_64 windows-i686; do
  echo "=== $preset: configure and build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset: test ==="
  ctest --preset "$preset"
done
echo "=== windows-i686: package ==="
cpack --preset windows-i686
echo "=== Windows builds and tests took $((SECONDS - windows_started)) s ==="
