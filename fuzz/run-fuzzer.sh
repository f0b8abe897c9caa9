#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time.
#
#   run-fuzzer.sh TARGET SEED_DIR WORK_DIR SECONDS [libFuzzer options...]
#
# The target reads the committed seeds in SEED_DIR and keeps the inputs it
# finds in WORK_DIR/corpus (the seeds are never written). A crash, a failed
# check, a leak, a time-out of one input or an allocation past the limits
# ends the run with a non-zero exit; the input that caused it is left in
# WORK_DIR/artifacts/ and named on the last line. The last run's figures
# (executions, executions per second, coverage) go to WORK_DIR/summary.txt.
set -uo pipefail
if (($# < 4)); then
  echo "usage: run-fuzzer.sh TARGET SEED_DIR WORK_DIR SECONDS [libFuzzer options...]" >&2
  exit 2
fi
target=$1 seeds=$2 work=$3 seconds=$4
shift 4
name=$(basename "$target")
mkdir -p "$work/corpus" "$work/artifacts"
log=$work/fuzz.log

# One input may take at most 10 s; no single allocation above 256 MiB and no
# more than 2 GiB in all (an input that makes the code allocate what a
# header claims shows up here).
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$@" \
  "$work/corpus" "$seeds" >"$log" 2>&1
status=$?

# The last status line reads like "#123 DONE cov: 45 ft: 67 corp: ... exec/s: 890 rss: ...".
last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
summary="$name: ${runs:-?} runs in ${seconds} s, ${speed:-?} exec/s, cov: ${cov:-?}"
echo "$summary" >"$work/summary.txt"

if ((status != 0)); then
  # Everything from the first report on, then where the input was left.
  sed -n '/^==[0-9]*==\|^INFO: .*leak\|runtime error\|^fuzz check failed\|ERROR: libFuzzer/,$p' "$log" | head -n 80
  artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
  echo "$name FAILED (exit $status) after ${seconds} s at most; log: $log"
  echo "crashing input: ${artifact:-none written (see the log)}"
  echo "replay: $target $artifact"
  exit 1
fi
echo "$summary"
