#!/usr/bin/env bash
# make fuzz: runs every fuzz target of the native build for a bounded time, starting from its seed
# corpus (fuzz/corpus/<target>) and what earlier runs found (<build>/fuzz-corpus/<target>), and
# prints one line per target: executions, speed, coverage at the start and the end, new inputs.
# A crash stops nothing else; its input is kept in <build>/fuzz-crashes, the logs in
# <build>/fuzz-crashes/<target>-logs, and the script fails.
# Usage: fuzz.sh <native build dir> <seconds per target>
set -uo pipefail
build=$(realpath "$1")
seconds=$2
source_dir=$(dirname "$(dirname "$(realpath "$0")")")
failed=0
stat() { awk -v k="stat::$1:" '$1 == k { v = $2 } END { print v + 0 }' "$log"; }  # a final statistic in $log
number() { grep -oE "$1: [0-9]+" <<<"$2" | head -n 1 | grep -oE '[0-9]+$' || echo 0; }  # a counter of a status line
# Every processor fuzzes each target at once (libFuzzer's jobs, sharing the corpus folder); the
# figures are the sums and the coverage of the job that reached most.
jobs=$(nproc)
printf '%-16s %12s %10s %8s %18s %8s\n' target executions "exec/s" "edges" "features" "new"
for binary in "$build"/bin/*_fuzz; do
  name=$(basename "$binary" _fuzz)
  work="$build/fuzz-corpus/$name"
  logs="$build/fuzz-crashes/$name-logs"
  rm -rf "$logs"
  mkdir -p "$work" "$logs"
  (cd "$logs" && "$binary" -jobs="$jobs" -workers="$jobs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-crashes/$name-" "$work" "$source_dir/fuzz/corpus/$name" \
    >"$logs/main.log" 2>&1)
  status=$?
  executions=0 speed=0 added=0 edges=0 first=0 last=0
  for log in "$logs"/fuzz-*.log; do
    [ -e "$log" ] || continue
    grep -q 'ERROR: libFuzzer\|SUMMARY: .*Sanitizer\|==ERROR' "$log" && status=1
    executions=$((executions + $(stat number_of_executed_units)))
    speed=$((speed + $(stat average_exec_per_sec)))
    added=$((added + $(stat new_units_added)))
    # Coverage once the corpus is loaded, and at the end: edges, and libFuzzer's finer features.
    start=$(grep -m1 -E 'INITED cov: ' "$log")
    end=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
    (( $(number cov "$end") > edges )) && edges=$(number cov "$end")
    (( $(number ft "$end") > last )) && { last=$(number ft "$end"); first=$(number ft "$start"); }
  done
  printf '%-16s %12s %10s %8s %18s %8s' "$name" "$executions" "$speed" "$edges" "$first -> $last" "$added"
  if [ "$status" -ne 0 ] || [ "$executions" -eq 0 ]; then
    failed=1
    echo "  FAILED: see $logs"
  else
    echo
  fi
done
exit "$failed"
