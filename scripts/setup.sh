#!/usr/bin/env bash
# Installs the build and test dependencies with apt. Idempotent: packages that
# are already installed are left alone, and apt is not touched at all when
# nothing is missing. Runs as root (CI) or through sudo (a person).
#
# The package lists live in scripts/apt/*.txt, one package per line, grouped
# by the part of the tree that needs them; '#' starts a comment.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The lists that building and running the launcher and the probe need
# (scripts/run.sh); every other list is for the tests, the Windows builds and
# the packages.
run_lists=(base mainwindow mediaprobe ui accessibility)

usage() {
  cat <<USAGE
usage: bash scripts/setup.sh [--run | --all] [LIST.txt...]

Installs with apt what the project needs (idempotent; sudo when not root).
  --run        only what building and running needs (scripts/apt/{$(IFS=,; echo "${run_lists[*]}")}.txt)
  --all        everything: the tests, the Windows builds, the packages
               (every scripts/apt/*.txt); the default
  LIST.txt     also the packages of these lists (e.g. scripts/apt/optional/media-fixtures.txt)
  -h, --help   this text
USAGE
}

mode=all
extra=()
for arg in "$@"; do
  case "$arg" in
    -h|--help) usage; exit 0 ;;
    --run) mode=run ;;
    --all) mode=all ;;
    -*) echo "setup: unknown option: $arg" >&2; usage >&2; exit 2 ;;
    *)
      if [[ "$arg" != *.txt || ! -f "$arg" ]]; then
        echo "setup: not a package list (an existing .txt file): $arg" >&2
        usage >&2
        exit 2
      fi
      extra+=("$arg") ;;
  esac
done

if [[ "$mode" == run ]]; then
  lists=()
  for name in "${run_lists[@]}"; do lists+=("$here/apt/$name.txt"); done
else
  lists=("$here"/apt/*.txt)
fi
lists+=("${extra[@]}")

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

# 32-bit Wine, for the tests of the 32-bit Windows build. Optional: when the
# distribution cannot provide it, one line says so, the reason is kept in
# build/wine32-unavailable.txt for scripts/test.sh, and set-up goes on.
bash "$here/wine/setup-wine32.sh" "$here/../build/wine32-unavailable.txt"

# A locale whose decimal separator is a comma, for the tests that show the
# number parsing ignores the host's locale. Compiled once; nothing else of
# the system's locale settings changes.
if [[ "$mode" == all ]] && ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  echo "setup: compiling the de_DE.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

# A locale whose Windows ANSI code page (under wine) is 936, Simplified
# Chinese, for the test that hands MediaInfo.dll a Chinese file name in it.
if [[ "$mode" == all ]] && ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "setup: compiling the zh_CN.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -c -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

# A host locale whose character set is GB18030, for the tests that a program
# running in it keeps opening file names written in that character set.
if [[ "$mode" == all ]] && ! locale -a 2>/dev/null | grep -qix 'zh_CN.gb18030'; then
  echo "setup: compiling the zh_CN.GB18030 locale"
  "${sudo_cmd[@]}" localedef -c -i zh_CN -f GB18030 zh_CN.GB18030
fi
