#!/usr/bin/env bash
# check-launcher-manifest.sh LAUNCHER
#
# The application manifest of VidorraMain.exe, read back with wrestool: one
# resource of type 24 (RT_MANIFEST) with id 1, declaring per-monitor
# awareness of the display scale both ways Windows reads it
# (<dpiAware>true/pm</dpiAware> up to Windows 10 1607,
# <dpiAwareness>PerMonitorV2, PerMonitor</dpiAwareness> after), and no
# execution level.
set -euo pipefail
launcher=${1:?usage: check-launcher-manifest.sh LAUNCHER}

failed=0
fail() { echo "check: $*"; failed=1; }

list=$(wrestool -l "$launcher")
manifests=$(grep -c -- '--type=24' <<<"$list" || true)
[[ "$manifests" == 1 ]] || fail "$launcher holds $manifests manifests, expected 1"
grep -q -- '--type=24 --name=1 ' <<<"$list" || fail "$launcher has no manifest with id 1"
manifest=$(wrestool -x --raw --type=24 --name=1 "$launcher" | tr -d '\r')
# Blanks between the elements do not matter; the values must be exact.
flat=$(tr -s ' \n\t' ' ' <<<"$manifest")
grep -Eq '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings"> ?true/pm ?</dpiAware>' <<<"$flat" ||
  fail "no <dpiAware>true/pm</dpiAware> in the 2005 WindowsSettings namespace"
grep -Eq '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings"> ?PerMonitorV2, PerMonitor ?</dpiAwareness>' <<<"$flat" ||
  fail "no <dpiAwareness>PerMonitorV2, PerMonitor</dpiAwareness> in the 2016 WindowsSettings namespace"
grep -q '<application xmlns="urn:schemas-microsoft-com:asm.v3">' <<<"$flat" || fail "no asm.v3 application element"
grep -q 'requestedExecutionLevel' <<<"$flat" && fail "the manifest requests an execution level"
# Well-formed XML, as the loader refuses anything else.
python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parseString(sys.stdin.buffer.read())' <<<"$manifest" ||
  fail "the manifest is no well-formed XML"

if ((failed)); then
  echo "--- manifest"
  echo "$manifest"
  exit 1
fi
echo "$(basename "$launcher"): manifest id 1, dpiAware true/pm, dpiAwareness PerMonitorV2, PerMonitor"
