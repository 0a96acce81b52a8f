#!/usr/bin/env bash
# Long fuzz runs, kept out of CI: every target runs until ten million executions or ten minutes,
# whichever comes first, growing its corpus in tests/fuzz/corpus/<target> (commit what it adds).
# A finding is saved in build/fuzz/findings/<target>/ and named in the summary.
#   scripts/fuzz_long.sh [target...]     FUZZ_RUNS and FUZZ_SECONDS change the two bounds
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh fuzz
runs=${FUZZ_RUNS:-10000000}
seconds=${FUZZ_SECONDS:-600}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(find build/fuzz/tests/fuzz -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort)
fi
status=0
for name in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$name
  findings=build/fuzz/findings/$name
  log=build/fuzz/$name.log
  mkdir -p "$corpus" "$findings"
  if "build/fuzz/tests/fuzz/$name" -runs="$runs" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
       -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1; then
    result="no finding"
  else
    result="FINDING, see $findings and $log"
    status=1
  fi
  executions=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
  time=$(awk '/stat::total_time/ {print $2}' "$log" 2>/dev/null)
  echo "$name: ${executions:-?} executions in ${time:-?} s, corpus $(ls "$corpus" | wc -l) inputs, $result"
done
exit $status
