#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz and runs each, one after another, for
# SECONDS seconds on a copy of its seed corpus (the repository's corpus stays as it is).
# Ends with a non-zero status on the first finding: a crash, a sanitizer report, a broken
# invariant, a time-out or running out of memory. The input that caused it is kept in
# build-fuzz/runs/TARGET/findings/; put it under fuzz/regressions/TARGET/ to replay it in
# every test run.
#   fuzz/run.sh SECONDS [TARGET...]
set -euo pipefail
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(verse2chan smf1to0 eventline mev2smf lys2mev smf2mev words)
cd "$(dirname "$0")/.."

cmake -S . -B build-fuzz -DSUITE_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for t in "${targets[@]}"; do
  run=build-fuzz/runs/$t
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/findings"
  cp fuzz/corpus/"$t"/* "$run/corpus/"
  echo "== fuzz_$t for $seconds s"
  status=0
  build-fuzz/fuzz/fuzz_"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$run/findings/" "$run/corpus" >"$run/log" 2>&1 ||
    status=$?
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done [0-9]+ runs' "$run/log" || true
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$run/findings")" ]; then
    echo "fuzz_$t FOUND SOMETHING (status $status); its log ends:"
    tail -n 60 "$run/log"
    ls -l "$run/findings"
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "findings in: ${failed[*]}"
  exit 1
fi
echo "no findings in: ${targets[*]}"
