#!/usr/bin/env bash
# Installs every build and test dependency with apt. Idempotent: packages that
# are already installed are left alone, and apt is not touched at all when
# nothing is missing. Runs as root (CI) or through sudo (a person).
#
# The package lists live in scripts/apt/*.txt, one package per line, grouped
# by the part of the tree that needs them; '#' starts a comment.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

lists=("$here"/apt/*.txt)
# Extra lists can be named on the command line (e.g. scripts/apt/optional/ffmpeg.txt).
for extra in "$@"; do lists+=("$extra"); done

mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "${lists[@]}" | grep -v '^$' | sort -u)

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi

if ((${#missing[@]} == 0)); then
  echo "setup: all ${#wanted[@]} packages present"
else
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi

# A locale whose decimal separator is a comma, for the tests that show the
# number parsing ignores the host's locale. Compiled once; nothing else of
# the system's locale settings changes.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  echo "setup: compiling the de_DE.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

# A locale whose Windows ANSI code page (under wine) is 936, Simplified
# Chinese, for the test that hands MediaInfo.dll a Chinese file name in it.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "setup: compiling the zh_CN.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -c -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
