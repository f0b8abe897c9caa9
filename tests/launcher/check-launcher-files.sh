#!/usr/bin/env bash
# check-launcher-files.sh OBJDUMP LAUNCHER TAVREL QBSTART
#
# Checks the 32-bit Windows launcher and its stand-ins as files (32-bit
# programs cannot run here): all three PE32; VidorraMain.exe a GUI program
# that imports exactly entries 1 and 11 of Tavrel.dll, by ordinal, and
# otherwise only system DLLs (oleacc and oleaut32 for screen readers); Tavrel.dll exporting ordinals 1, 11 and 12 and
# no names; VidorraMain.exe's resources: the icon with six sizes at 32 bits
# per pixel and the version record (10.0.0.1, 0x0804 / 936, no other
# strings); its manifest is check-launcher-manifest.sh's.
set -euo pipefail
objdump=$1 launcher=$2 tavrel=$3 qbstart=$4

failed=0
fail() { echo "check: $*"; failed=1; }

for file in "$launcher" "$tavrel" "$qbstart"; do
  magic=$("$objdump" -p "$file" | awk '/^Magic/ {print $3}')
  [[ "$magic" == "(PE32)" ]] || fail "$file is $magic, expected (PE32)"
done

dump=$("$objdump" -p "$launcher")
subsystem=$(awk '/^Subsystem/ {$1 = ""; $2 = ""; print}' <<<"$dump" | xargs)
[[ "$subsystem" == "(Windows GUI)" ]] || fail "$launcher subsystem is $subsystem, expected (Windows GUI)"

# The import block of Tavrel.dll: by-ordinal entries show as 8000000N.
tavrel_imports=$(awk '/DLL Name:/ {inside = ($3 == "Tavrel.dll"); next}
                      inside && NF == 0 {inside = 0}
                      inside && $1 ~ /^[0-9a-f]+$/ {print $0}' <<<"$dump")
ordinals=$(while read -r vma rest; do
    [[ -z "$vma" ]] && continue
    if [[ "$vma" == 8000* ]]; then echo $((16#${vma#8000})); else echo "name:$rest"; fi
  done <<<"$tavrel_imports" | sort -n | tr '\n' ' ' | xargs)
[[ "$ordinals" == "1 11" ]] || fail "$launcher imports from Tavrel.dll: '$ordinals', expected by ordinal '1 11'"

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort -u | tr '\n' ' ')
for name in $imports; do
  case "$name" in
    tavrel.dll | kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | shell32.dll | gdi32.dll | \
      ole32.dll | windowscodecs.dll | oleacc.dll | oleaut32.dll | api-ms-win-*.dll) ;;
    *) fail "$launcher imports $name" ;;
  esac
done

tdump=$("$objdump" -p "$tavrel")
exports=$(sed -n '/Export Address Table -- Ordinal Base/,/^$/p' <<<"$tdump" |
  sed -n 's/.*+base\[ *\([0-9]*\)\] *[0-9a-f]* Export RVA.*/\1/p' | tr '\n' ' ' | xargs)
[[ "$exports" == "1 11 12" ]] || fail "$tavrel exports ordinals '$exports', expected '1 11 12'"
names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$tdump" | tail -n +2 | grep -c '\[' || true)
[[ "$names" == 0 ]] || fail "$tavrel exports $names names, expected none"

# Resources, read back with wrestool and decoded by python3.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wrestool -x --raw --type=14 "$launcher" >"$work/group"
wrestool -x --raw --type=16 "$launcher" >"$work/version"
resources=$(python3 - "$work/group" "$work/version" <<'PY'
import struct, sys
group = open(sys.argv[1], "rb").read()
reserved, kind, count = struct.unpack_from("<HHH", group)
sizes = []
for i in range(count):
    w, h, colours, _, planes, bits, size, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
    sizes.append("%dx%d@%d" % (w or 256, h or 256, bits))
print("icon", " ".join(sizes))

data = open(sys.argv[2], "rb").read()
def node(offset):
    length, value_length, is_text = struct.unpack_from("<HHH", data, offset)
    end = data.index(b"\0\0", offset + 6)
    while (end - offset - 6) % 2: end = data.index(b"\0\0", end + 1)
    key = data[offset + 6:end].decode("utf-16-le")
    value = (end + 2 + 3) & ~3
    children = value + (value_length * (2 if is_text else 1))
    children = (children + 3) & ~3
    return length, key, value, value_length, is_text, children
def walk(offset, path, out):
    length, key, value, value_length, is_text, child = node(offset)
    here = path + "/" + key
    if is_text and value_length:
        out.append("%s=%s" % (here, data[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")))
    elif key == "VS_VERSION_INFO":
        ms, ls, pms, pls = struct.unpack_from("<IIII", data, value + 8)
        out.append("fixed file %d.%d.%d.%d product %d.%d.%d.%d" % (
            ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF, pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF))
    elif key == "Translation":
        out.append("%s=%s" % (here, " ".join("0x%04X/%d" % struct.unpack_from("<HH", data, value + 4 * i)
                                               for i in range(value_length // 4))))
    while child < offset + length:
        child_length = struct.unpack_from("<H", data, child)[0]
        walk(child, here, out)
        child = (child + child_length + 3) & ~3
out = []
walk(0, "", out)
print("\n".join(out))
PY
)
expected="icon 16x16@32 24x24@32 32x32@32 48x48@32 64x64@32 128x128@32
fixed file 10.0.0.1 product 10.0.0.1
/VS_VERSION_INFO/StringFileInfo/080403A8/FileVersion=10.0.0.1
/VS_VERSION_INFO/StringFileInfo/080403A8/ProductVersion=10.0.0.1
/VS_VERSION_INFO/VarFileInfo/Translation=0x0804/936"
if [[ "$resources" != "$expected" ]]; then
  fail "resources of $launcher differ:"
  diff <(echo "$expected") <(echo "$resources") || true
fi

if ((failed)); then exit 1; fi
echo "PE32: $(basename "$launcher") (Windows GUI), $(basename "$tavrel"), $(basename "$qbstart")"
echo "$(basename "$launcher") imports from Tavrel.dll by ordinal: $ordinals; imports: $imports"
echo "$(basename "$tavrel") exports ordinals $exports, no names"
echo "$resources"
