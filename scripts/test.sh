#!/usr/bin/env bash
# Sets up the machine, then builds and runs the whole test suite twice: the
# normal build and the AddressSanitizer + UndefinedBehaviorSanitizer build.
# Warnings are errors in both.
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
