#!/usr/bin/env bash
# Long fuzz runs, kept out of CI: every target runs until ten million executions or ten minutes,
# whichever comes first, growing its corpus in tests/fuzz/corpus/<target> (commit what it adds).
# A finding is saved in build/fuzz/findings/<target>/ and named in the summary.
#   scripts/fuzz_long.sh [target...]
# FUZZ_RUNS and FUZZ_SECONDS change the two bounds; FUZZ_JOBS runs that many targets at once.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh fuzz >/dev/null
export FUZZ_RUNS=${FUZZ_RUNS:-10000000} FUZZ_SECONDS=${FUZZ_SECONDS:-600}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(find build/fuzz/tests/fuzz -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort)
fi

run_target() {
  local name=$1 corpus=tests/fuzz/corpus/$1 findings=build/fuzz/findings/$1 log=build/fuzz/$1.log result start
  mkdir -p "$corpus" "$findings"
  start=$(date +%s)
  if "build/fuzz/tests/fuzz/$name" -runs="$FUZZ_RUNS" -max_total_time="$FUZZ_SECONDS" -max_len=4096 -print_final_stats=1 \
       -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1; then
    result="no finding"
  else
    result="FINDING, see $findings and $log"
  fi
  local executions time
  executions=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
  time=$(($(date +%s) - start))
  echo "$name: ${executions:-?} executions in ${time:-?} s, corpus $(ls "$corpus" | wc -l) inputs, $result"
  [ "$result" = "no finding" ]
}
export -f run_target
printf '%s\n' "${targets[@]}" | xargs -P "${FUZZ_JOBS:-1}" -I{} bash -c 'run_target {}'
