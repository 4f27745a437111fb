#!/usr/bin/env bash
# make fuzz: runs every fuzz target of the native build for a bounded time, starting from its seed
# corpus (fuzz/corpus/<target>) and what earlier runs found (<build>/fuzz-corpus/<target>), and
# prints one line per target: executions, speed, coverage at the start and the end, new inputs.
# A crash stops nothing else; its input is kept in <build>/fuzz-crashes and the script fails.
# Usage: fuzz.sh <native build dir> <seconds per target>
set -uo pipefail
build=$(realpath "$1")
seconds=$2
source_dir=$(dirname "$(dirname "$(realpath "$0")")")
failed=0
stat() { awk -v k="stat::$1:" '$1 == k { print $2 }' "$log"; }   # a final statistic of the run in $log
number() { grep -oE "$1: [0-9]+" <<<"$2" | grep -oE '[0-9]+$'; }    # a counter of a status line
printf '%-16s %12s %10s %8s %18s %8s\n' target executions "exec/s" "edges" "features" "new"
for binary in "$build"/bin/*_fuzz; do
  name=$(basename "$binary" _fuzz)
  work="$build/fuzz-corpus/$name"
  mkdir -p "$work" "$build/fuzz-crashes"
  log="$build/fuzz-crashes/$name.log"
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-crashes/$name-" "$work" "$source_dir/fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  # Coverage once the corpus is loaded, and at the end: edges, and libFuzzer's finer features.
  start=$(grep -m1 -E 'INITED cov: ' "$log")
  end=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
  printf '%-16s %12s %10s %8s %18s %8s' "$name" "$(stat number_of_executed_units)" "$(stat average_exec_per_sec)" \
    "$(number cov "$end")" "$(number ft "$start") -> $(number ft "$end")" "$(stat new_units_added)"
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "  FAILED: see $log"
  else
    echo
  fi
done
exit "$failed"
