#!/usr/bin/env bash
# wine32-status.sh [STATUS_FILE]
#
# Whether 32-bit Wine can run programs here: exits 0 and prints nothing when
# it can; otherwise prints one line saying why not and exits 1. A reason that
# scripts/wine/setup-wine32.sh wrote to STATUS_FILE (apt could not install
# the package) is given as it is.
#
# The package alone is not enough: a kernel without 32-bit support (or a
# sandbox that does not emulate it) refuses the loader with "Exec format
# error", and then no 32-bit Windows program can start.
set -uo pipefail
status_file=${1:-}
loader=/usr/lib/wine/wine

if [[ "$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null)" != "install ok installed" ]]; then
  reason=""
  if [[ -n "$status_file" && -s "$status_file" ]]; then reason=$(head -n 1 "$status_file"); fi
  echo "${reason:-wine32:i386 is not installed (scripts/setup.sh installs it)}"
  exit 1
fi
if [[ ! -x "$loader" ]]; then
  echo "wine32:i386 is installed but $loader is missing"
  exit 1
fi
output=$("$loader" --version 2>&1)
status=$?
if ((status != 0)) || [[ "$output" != wine-* ]]; then
  detail=$(tr '\n' ' ' <<<"$output" | sed -e 's/^.*: \([^:]*\)$/\1/' -e 's/[[:space:]]*$//' | cut -c1-120)
  echo "wine32:i386 is installed but its 32-bit loader cannot run on this machine (${detail:-exit status $status})"
  exit 1
fi
exit 0
