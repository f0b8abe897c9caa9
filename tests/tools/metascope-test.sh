#!/usr/bin/env bash
# The metascope tool as its users meet it: reasons, exit codes, JSON that
# parses, write errors, -r, -, -j, --timeout, --trace, options in every
# spelling, the progress line on a terminal, --help and --version.
# Arguments: the tool, the media fixtures folder, the fake MediaInfo library
# and the fake that lacks one entry point.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cli=$(realpath "$1")
media=$(realpath "$2")
fake=$(realpath "$3")
fake_incomplete=$(realpath "$4")
fail() { echo "FAIL: $*"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
ulimit -c 0  # the crash case below leaves no core file

# Runs the tool; sets rc, out (standard output) and reasons (its own
# "metascope:" lines on standard error, without the library's lines).
run() {
  "$@" >"$tmp/out" 2>"$tmp/err"
  rc=$?
  out=$(cat "$tmp/out")
  reasons=$(grep -a '^metascope: ' "$tmp/err")
}

# Every line of $tmp/out is strict UTF-8 and one JSON object; prints
# "file<TAB>error" per line (error empty for a file that answered).
json_rows() {
  python3 - "$tmp/out" <<'PY' || fail "output is not one JSON object per line: $(cat "$tmp/out")"
import json, sys
for raw in open(sys.argv[1], 'rb').read().split(b'\n')[:-1]:
    obj = json.loads(raw.decode('utf-8'))
    print(obj['file'] + '\t' + obj.get('error', ''))
PY
}

# --- One reason for each kind of failure, on stderr and in the JSON object.
cp "$media/clip.mp4" "$tmp/good.mp4"
echo "not media" >"$tmp/notes.txt"
mkfifo "$tmp/pipe.mp4"
cp "$media/clip.mp4" "$tmp/locked.mp4"
chmod 000 "$tmp/locked.mp4"
accepted=".png .jpg .bmp .jpeg .m4a .aac .mp3 .wma .wav .avi .asf .mp4 .xvid .mov .mpg1 .mpg2 .rmvb .amv .divx .mtv .3gp .flv .swf .mkv .mpg"
as_user=()
user_cli=$cli
if [[ $(id -u) -eq 0 ]]; then
  # root reads any file: ask as an ordinary user. That user may not enter the
  # build folder (a clone in a home folder of mode 0700): it runs a copy of
  # the tool in a folder of its own, with the probe library beside it, where
  # the tool's $ORIGIN search path finds it.
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  mkdir "$tmp/as-user"
  cp -L "$cli" "$(dirname "$cli")"/libMetaScope.so* "$tmp/as-user/" || fail "cannot copy the tool for user 65534"
  user_cli=$tmp/as-user/$(basename "$cli")
fi
run timeout 30 "${as_user[@]}" "$user_cli" --json "$tmp/missing.mp4" "$tmp" "$tmp/pipe.mp4" "$tmp/notes.txt" \
  "$tmp/locked.mp4" "$tmp/good.mp4"
[[ $rc -eq 1 ]] || fail "exit code $rc when files fail (a FIFO must not block)"
expected="$tmp/missing.mp4	no such file
$tmp	not a regular file
$tmp/pipe.mp4	not a regular file
$tmp/notes.txt	unsupported extension (accepted: $accepted)
$tmp/locked.mp4	permission denied
$tmp/good.mp4	"
[[ $(json_rows) == "$expected" ]] || fail "JSON reasons: $(json_rows)"
[[ $reasons == "$(grep -v '	$' <<<"$expected" | sed 's/^/metascope: /; s/	/: /')" ]] ||
  fail "stderr reasons: $reasons"

# The MediaInfo library: missing, lacking an entry point, refusing the file.
mkdir "$tmp/junk" "$tmp/incomplete" "$tmp/fake"
echo "not a library" >"$tmp/junk/libmediainfo.so.0"
ln -s "$fake_incomplete" "$tmp/incomplete/libmediainfo.so.0"
ln -s "$fake" "$tmp/fake/libmediainfo.so.0"
echo "open=0" >"$tmp/refuse.script"
for case in "junk|the MediaInfo library libmediainfo.so.0 could not be loaded" \
            "incomplete|the MediaInfo library libmediainfo.so.0 could not be loaded (it lacks MediaInfoListA_Count_Get_Files)" \
            "fake|MediaInfo could not open it"; do
  dir=${case%%|*} reason=${case#*|}
  run env LD_LIBRARY_PATH="$tmp/$dir" FAKE_MEDIAINFO_SCRIPT="$tmp/refuse.script" "$cli" --json "$tmp/good.mp4"
  [[ $rc -eq 1 && $(json_rows) == "$tmp/good.mp4	$reason" && $reasons == "metascope: $tmp/good.mp4: $reason" ]] ||
    fail "library $dir: rc $rc, $out, $reasons"
done

# --- The library's own lines only with --trace.
run "$cli" --trace "$tmp/missing.mp4"
grep -q '^error = MediaInfo: Open file fail!' "$tmp/err" || fail "--trace shows no library line: $(cat "$tmp/err")"
if grep -q METASCOPE_TRACE "$(dirname "$0")/../../mediaprobe/include/libMetaScopeSDK.h"; then
  run "$cli" "$tmp/missing.mp4" "$media/clip.mp4"
  [[ $(cat "$tmp/err") == "metascope: $tmp/missing.mp4: no such file" ]] || fail "library lines without --trace: $(cat "$tmp/err")"
else
  echo "note: this libMetaScope has no METASCOPE_TRACE yet; quiet stderr not checked"
fi

# --- Write errors on standard output.
for mode in --json --trace; do
  "$cli" $mode "$media/clip.mp4" >/dev/full 2>"$tmp/err"
  rc=$?
  [[ $rc -eq 1 ]] || fail "$mode >/dev/full: exit code $rc"
  grep -q '^metascope: cannot write to standard output: No space left on device$' "$tmp/err" ||
    fail "$mode >/dev/full: $(cat "$tmp/err")"
done

# --- File names that are not UTF-8, or hold quotes and control characters.
names=($'bad\xffname.mp4' $'cut\xe4\xb8.mp4' $'over\xc0\xafe.mp4' $'ctl\x01\ttab.mp4' 'quote"back\slash.mp4' $'ok\xc3\xa9.mp4')
for name in "${names[@]}"; do cp "$media/clip.mp4" "$tmp/$name"; done
run "$cli" --json "${names[@]/#/$tmp/}" "$tmp/gone"$'\xfe'".mp4"
[[ $rc -eq 1 ]] || fail "non-UTF-8 names: exit code $rc"
python3 - "$tmp/out" "$tmp" "${names[@]}" "gone"$'\xfe'".mp4" <<'PY' || fail "non-UTF-8 names: $out"
import json, os, sys
lines = open(sys.argv[1], 'rb').read().split(b'\n')[:-1]
names = [os.fsencode(n) for n in sys.argv[3:]]
folder = os.fsencode(sys.argv[2]) + b'/'
assert len(lines) == len(names), lines
for raw, name in zip(lines, names):
    obj = json.loads(raw.decode('utf-8'))          # strict: raises on bad UTF-8
    assert obj['file'] == (folder + name).decode('utf-8', 'replace'), (obj['file'], name)
    try:
        name.decode('utf-8')
        openable = not name.startswith(b'gone')
    except UnicodeDecodeError:
        openable = False   # MediaInfo reads names as UTF-8 here
    assert ('error' in obj) != openable, obj
PY

# --- -r: accepted extensions only, sorted; relative paths from any folder.
mkdir -p "$tmp/tree/a" "$tmp/tree/b/c"
cp "$media/clip.mp4" "$tmp/tree/b/c/deep.mp4"
cp "$media/tone.mp3" "$tmp/tree/a/z.mp3"
cp "$media/noaudio.mkv" "$tmp/tree/A.MKV"
cp "$media/tone.wav" "$tmp/tree/b.wav"
echo text >"$tmp/tree/readme.txt"
ln -s ../tree "$tmp/tree/b/loop"
run bash -c 'cd "$1/tree/b" && "$2" --json -r .. c/deep.mp4' - "$tmp" "$cli"
[[ $rc -eq 0 ]] || fail "-r: exit code $rc, $reasons"
[[ $(json_rows) == $'../A.MKV\t\n../a/z.mp3\t\n../b.wav\t\n../b/c/deep.mp4\t\nc/deep.mp4\t' ]] || fail "-r: $(json_rows)"
run "$cli" --json "$tmp/tree"
[[ $(json_rows) == "$tmp/tree	not a regular file" ]] || fail "a folder without -r: $out"

# --- "-": names from standard input, in place among the arguments.
run bash -c 'printf "%s\n" "$1/tone.wav" "" "$1/none.mp4" "$1/rotated.mp4" | "$2" --json "$1/clip.mp4" - "$1/tone.mp3"' - "$media" "$cli"
[[ $rc -eq 1 ]] || fail "-: exit code $rc"
[[ $(json_rows | cut -f1 | xargs -n1 basename | tr '\n' ' ') == "clip.mp4 tone.wav none.mp4 rotated.mp4 tone.mp3 " ]] ||
  fail "-: $(json_rows)"

# --- -j: the same lines in the same order, whatever the number of jobs.
files=()
for i in 1 2 3 4 5 6; do files+=("$media/noaudio.mkv" "$media/tone.mp3" "$tmp/missing$i.mp4" "$media/image.png"); done
"$cli" --json -j 1 "${files[@]}" >"$tmp/one" 2>/dev/null
"$cli" --json -j4 "${files[@]}" >"$tmp/four" 2>/dev/null
[[ $(wc -l <"$tmp/one") -eq 24 ]] && cmp -s "$tmp/one" "$tmp/four" || fail "-j4 differs from -j 1: $(diff "$tmp/one" "$tmp/four")"

# --- --timeout: a file on which MediaInfo never returns is given up on, and
# the files after it are still probed.
printf 'hang=stuck.mp4\nget 1 Width=32\n' >"$tmp/hang.script"
touch "$tmp/first.mp4" "$tmp/stuck.mp4" "$tmp/after.mp4"
for jobs in 1 2; do
  run env LD_LIBRARY_PATH="$tmp/fake" FAKE_MEDIAINFO_SCRIPT="$tmp/hang.script" \
    timeout 60 "$cli" --json -j $jobs --timeout 0.5 "$tmp/first.mp4" "$tmp/stuck.mp4" "$tmp/after.mp4"
  [[ $rc -eq 1 ]] || fail "--timeout -j $jobs: exit code $rc"
  [[ $(json_rows) == "$tmp/first.mp4	
$tmp/stuck.mp4	timed out after 0.5 s
$tmp/after.mp4	" ]] || fail "--timeout -j $jobs: $out"
  [[ $reasons == "metascope: $tmp/stuck.mp4: timed out after 0.5 s" ]] || fail "--timeout reason: $reasons"
done

# A file on which MediaInfo crashes costs only its own worker.
printf 'crash=boom.mp4\nget 1 Width=32\n' >"$tmp/crash.script"
touch "$tmp/boom.mp4"
run env LD_LIBRARY_PATH="$tmp/fake" FAKE_MEDIAINFO_SCRIPT="$tmp/crash.script" \
  timeout 60 "$cli" --json -j 1 "$tmp/first.mp4" "$tmp/boom.mp4" "$tmp/after.mp4"
[[ $rc -eq 1 && $(json_rows) == "$tmp/first.mp4	
$tmp/boom.mp4	the probe ended without an answer (MediaInfo may have crashed)
$tmp/after.mp4	" ]] || fail "crash: rc $rc, $out"

# --- Options as getopt_long reads them: bundled, glued, prefixes, any order.
run "$cli" -rj2 --json "$tmp/tree"
[[ $rc -eq 0 && $(json_rows | cut -f1 | sed "s|^$tmp/tree/||" | tr '\n' ' ') == "A.MKV a/z.mp3 b.wav b/c/deep.mp4 " ]] ||
  fail "-rj2 --json DIR: rc $rc, $out"
run "$cli" "$tmp/tree" --jobs 2 --rec --js
[[ $rc -eq 0 && $(json_rows | wc -l) -eq 4 ]] || fail "DIR --jobs 2 --rec --js: rc $rc, $out"
run "$cli" --json -- -r
[[ $rc -eq 1 && $(json_rows) == "-r	no such file" ]] || fail "-- -r: rc $rc, $out"
run "$cli" --json "$media/clip.mp4" -rj
[[ $rc -eq 2 && -z $out && $(cat "$tmp/err") == "metascope: option requires an argument -- 'j'
usage: metascope [OPTION]... FILE...
Try 'metascope --help' for more information." ]] || fail "-rj at the end: rc $rc, $(cat "$tmp/err")"

# --- The progress line: on a terminal (a pseudo-terminal made by script),
# drawn in place and wiped at the end, with every other line whole; nothing
# of it in a pipe. A file on which MediaInfo hangs makes the run last.
# Renders what a terminal shows after the bytes of $1, one screen line each.
screen() { python3 "$here/terminal-screen.py" "$1"; }
on_tty() { script -qec "$1" /dev/null >"$tmp/tty"; }
slow=(env LD_LIBRARY_PATH="$tmp/fake" FAKE_MEDIAINFO_SCRIPT="$tmp/hang.script" "$cli" -j 1 --timeout 1)
slow_files=("$tmp/first.mp4" "$tmp/stuck.mp4" "$tmp/after.mp4")
printf -v slow_cmd '%q ' "${slow[@]}" --json "${slow_files[@]}"
"${slow[@]}" --json "${slow_files[@]}" >"$tmp/pipe.out" 2>"$tmp/pipe.err"
on_tty "$slow_cmd >$tmp/tty.out"
grep -q $'\rmetascope: [0-9] of 3 files' "$tmp/tty" || fail "no progress line on a terminal: $(cat -A "$tmp/tty")"
[[ $(screen "$tmp/tty") == "metascope: $tmp/stuck.mp4: timed out after 1 s" ]] ||
  fail "the terminal shows more than the error line: $(screen "$tmp/tty")"
[[ $(tail -c 1 "$tmp/tty") == $'\r' ]] || fail "the progress line is not wiped at the end: $(cat -A "$tmp/tty")"
cmp -s "$tmp/tty.out" "$tmp/pipe.out" || fail "standard output differs on a terminal: $(diff "$tmp/tty.out" "$tmp/pipe.out")"
[[ $(cat "$tmp/pipe.err") == "metascope: $tmp/stuck.mp4: timed out after 1 s" ]] ||
  fail "progress in a pipe: $(cat -A "$tmp/pipe.err")"
# Tables, the library's lines and the error line on one terminal: the same
# lines a pipe gets, none of them cut by the progress line (their order
# across files is not fixed: the next file's worker runs on while a result is
# printed).
printf -v slow_cmd '%q ' "${slow[@]}" --trace "${slow_files[@]}"
"${slow[@]}" --trace "${slow_files[@]}" >"$tmp/both" 2>&1
on_tty "$slow_cmd"
grep -q 'of 3 files' "$tmp/tty" || fail "no progress line with --trace: $(cat -A "$tmp/tty")"
[[ $(screen "$tmp/tty" | sort) == "$(sort "$tmp/both")" ]] ||
  fail "the terminal differs from the pipe: $(diff <(screen "$tmp/tty" | sort) <(sort "$tmp/both"))"
grep -c '^debug = ' "$tmp/both" | grep -qx 2 || fail "expected two report lines: $(cat "$tmp/both")"
# --no-progress on a terminal, --progress in a pipe.
printf -v slow_cmd '%q ' "${slow[@]}" --no-progress --json "${slow_files[@]}"
on_tty "$slow_cmd >/dev/null"
! grep -q 'files' "$tmp/tty" || fail "--no-progress shows progress: $(cat -A "$tmp/tty")"
"${slow[@]}" --progress --json "${slow_files[@]}" 2>"$tmp/forced.err" >/dev/null
grep -q $'^\rmetascope: 0 of 3 files' "$tmp/forced.err" || fail "--progress in a pipe: $(cat -A "$tmp/forced.err")"
[[ $(screen "$tmp/forced.err") == "metascope: $tmp/stuck.mp4: timed out after 1 s" ]] ||
  fail "--progress in a pipe: $(screen "$tmp/forced.err")"

# --- Usage, help and version.
for args in "" "--bogus x.mp4" "-j 0 x.mp4" "-j" "--jobs=two x.mp4" "--timeout 0 x.mp4" "--timeout=-1 x.mp4"; do
  # shellcheck disable=SC2086
  "$cli" $args >/dev/null 2>&1 </dev/null
  rc=$?
  [[ $rc -eq 2 ]] || fail "usage error '$args': exit code $rc"
done
"$cli" --version | grep -Eq '^metascope [0-9]+(\.[0-9]+)+$' || fail "--version: $("$cli" --version)"
help=$("$cli" --help) || fail "--help exit code"
for word in --json U+FFFD --recursive --jobs --timeout --trace --progress --no-progress --version "Exit status" ".mpg1" \
            "-rj2" "terminal"; do
  grep -qF -- "$word" <<<"$help" || fail "--help does not mention $word"
done
echo "metascope tool: all checks held"
