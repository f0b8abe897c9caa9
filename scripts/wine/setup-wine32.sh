#!/usr/bin/env bash
# setup-wine32.sh STATUS_FILE
#
# Installs 32-bit Wine (Debian's wine32:i386), which the 32-bit Windows build
# runs its tests under. Idempotent: nothing is done when it is installed.
#
# 32-bit Wine is optional for the rest of the set-up: when the distribution
# cannot provide it, or this machine cannot run it, this prints one line
# saying why and still succeeds. An apt failure is written to STATUS_FILE;
# scripts/wine/wine32-status.sh reports it (or a loader that cannot run) to
# the test run, which then shows the 32-bit leg as not run. Called by
# scripts/setup.sh.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
status_file=${1:?usage: setup-wine32.sh STATUS_FILE}

installed() { [[ "$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null)" == "install ok installed" ]]; }
# Installed: one line when it cannot run here, nothing otherwise.
check_runs() {
  local why
  if ! why=$(bash "$here/wine32-status.sh"); then
    echo "setup: 32-bit Wine unavailable, the windows-i686 tests will not run: $why"
  fi
}

if installed; then
  rm -f "$status_file"
  check_runs
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp "${TMPDIR:-/tmp}/setup-wine32.XXXXXX")
trap 'rm -f "$log"' EXIT

echo "setup: installing wine32:i386 (32-bit Wine)"
reason=""
added_arch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  if "${sudo_cmd[@]}" dpkg --add-architecture i386 >>"$log" 2>&1; then added_arch=1; else
    reason="dpkg --add-architecture i386 failed"
  fi
fi
if [[ -z "$reason" ]]; then
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq >>"$log" 2>&1 ||
    reason="apt-get update failed after adding the i386 architecture"
fi
if [[ -z "$reason" ]]; then
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends wine32:i386 \
    >>"$log" 2>&1 || reason="apt-get install wine32:i386 failed"
fi
if [[ -z "$reason" ]] && ! installed; then
  reason="wine32:i386 is still not installed after apt-get"
fi

if [[ -n "$reason" ]]; then
  # An i386 architecture added in vain would make every later apt-get update
  # of the set-up fetch (and possibly fail on) the i386 indexes: take it back
  # while no i386 package is installed.
  if ((added_arch)) && ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --remove-architecture i386 >>"$log" 2>&1 || true
  fi
  # The last error line apt printed says most about the cause.
  detail=$(grep -E '^(E|W): ' "$log" | tail -n 1 | cut -c1-200)
  line="$reason${detail:+ ($detail)}"
  mkdir -p "$(dirname "$status_file")"
  printf '%s\n' "$line" >"$status_file"
  echo "setup: 32-bit Wine unavailable, the windows-i686 tests will not run: $line"
  exit 0
fi
rm -f "$status_file"
echo "setup: wine32:i386 installed"
check_runs
