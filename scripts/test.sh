#!/usr/bin/env bash
# Sets up the machine, then builds and runs the whole test suite: the normal
# Linux build, the AddressSanitizer + UndefinedBehaviorSanitizer build, the
# optimised build and the ThreadSanitizer build of the probe's threaded tests,
# the Debian packages (preset deb; their test installs them with apt: root), then
# the Windows builds (MinGW-w64): the 64-bit one with its tests under wine64,
# and the 32-bit release with the same tests under wine32 plus its file
# checks (only the file checks when 32-bit Wine is not installed: the summary
# then says so). Warnings are errors in all of them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh --all

# The normal build and the sanitizer build; the tests once more with
# optimisation (warnings and faults only the optimiser shows); and the probe
# library's threaded tests under ThreadSanitizer.
for preset in default sanitize optimized tsan; do
  echo "=== $preset: configure and build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset: test ==="
  ctest --preset "$preset"
done

# Optional (VIDORRA_CALLGRIND=1; valgrind is slow, so not by default): the
# probe's cost over direct MediaInfo calls in instructions, per media fixture.
if [[ "${VIDORRA_CALLGRIND:-0}" == 1 ]]; then
  echo "=== release: callgrind instruction counts of the probe ==="
  cmake --preset release
  cmake --build --preset release --target callgrind_probe
  bash bench/callgrind_probe.sh build/release
fi

# The fuzz leg: the whole tree, tests included, built with clang-14 and the
# libFuzzer targets of fuzz/, each run for VIDORRA_FUZZ_SECONDS (30 s). A
# failure names the input it left in build/fuzz/fuzz/<target>/artifacts/.
fuzz_started=$SECONDS
echo "=== fuzz: configure and build ==="
cmake --preset fuzz
cmake --build --preset fuzz
echo "=== fuzz: run every target ==="
ctest --preset fuzz
cat build/fuzz/fuzz/fuzz_*/summary.txt
echo "=== fuzz leg took $((SECONDS - fuzz_started)) s ==="

# The Debian packages: a release build for the prefix /usr, its install-tree
# test, and the package test (installs the .deb files with apt, uses them,
# purges them; root only).
echo "=== deb: configure, build, package test ==="
deb_started=$SECONDS
cmake --preset deb
cmake --build --preset deb
ctest --preset deb
echo "=== deb took $((SECONDS - deb_started)) s ==="

# The wine tests start and stop their own wineserver (CTest fixture "wine");
# this also stops it when the run is cut short.
windows_started=$SECONDS
stop_wine() {
  local preset
  for preset in windows-x86_64 windows-i686; do
    bash scripts/wine/prefix.sh stop "build/$preset/wine/prefix" >/dev/null 2>&1 || true
  done
}
trap stop_wine EXIT
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
# The 32-bit build's wine tests need a wine32 that runs here; the reason
# when not (see scripts/wine/setup-wine32.sh).
wine32_missing=$(bash scripts/wine/wine32-status.sh build/wine32-unavailable.txt) || true
wine32_summary=""
for preset in windows-x86_64 windows-i686; do
  echo "=== $preset: configure and build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset: test ==="
  if [[ "$preset" == windows-i686 && -n "$wine32_missing" ]]; then
    wine32_summary="windows-i686 under wine32: NOT RUN ($wine32_missing)"
    echo "$wine32_summary; running its file checks only"
    ctest --preset "$preset" -LE wine
  else
    leg_started=$SECONDS
    ctest --preset "$preset"
    if [[ "$preset" == windows-i686 ]]; then
      wine32_summary="windows-i686 under wine32: passed in $((SECONDS - leg_started)) s"
    fi
  fi
done
echo "=== windows-i686: package ==="
cpack --preset windows-i686
echo "=== Windows builds and tests took $((SECONDS - windows_started)) s ==="
echo "=== $wine32_summary ==="
