#!/usr/bin/env bash
# Runs every fuzz target of build-sanitize/ (scripts/sanitize.sh builds them)
# for a while each:  scripts/fuzz.sh [seconds per target, default 20] [target...]
# The test command runs them 20 s each; run them for hours on a spare
# machine: scripts/fuzz.sh 3600. New inputs collect in
# build-sanitize/fuzz/<target>/corpus; an input that fails is written to
# build-sanitize/fuzz/<target>/ and named in the output. Add it to
# fuzz/corpus/<target>/ with the fix, so the test run replays it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-sanitize"
seconds="${1:-20}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(ls "$root/fuzz/corpus")
fi

# The budget of every parser: at most 100 ms per megabyte of input and at most
# 20 times the input in memory. The harness (fuzz/FuzzHarness.cpp) holds each
# input to it exactly; libFuzzer's own limits bound the same from outside:
#   -max_len=1048576      inputs up to one megabyte
#   -timeout=3            three seconds for any input (libFuzzer counts whole
#                         seconds): the budget of the largest input, 100 ms,
#                         times the sanitizers' slowdown the harness allows
#   -malloc_limit_mb=20   no single allocation above 20 times the largest input
#   -rss_limit_mb=1024    the whole process, sanitizer shadow memory included
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
failed=()
printf '%-24s %12s %10s %s\n' target executions seconds result
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  out="$build/fuzz/$target"
  mkdir -p "$out/corpus"
  log="$out/last-run.log"
  started=$(date +%s)
  result=ok
  if ! "$binary" -max_total_time="$seconds" -max_len=1048576 -timeout=3 \
      -malloc_limit_mb=20 -rss_limit_mb=1024 -print_final_stats=1 \
      -artifact_prefix="$out/" "$out/corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
    result="FAILED, see $log"
    failed+=("$target")
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  printf '%-24s %12s %10s %s\n' "$target" "${runs:-?}" "$(($(date +%s) - started))" "$result"
done
if [ ${#failed[@]} -gt 0 ]; then
  for target in "${failed[@]}"; do
    echo "--- $target"
    grep -E -A30 'ERROR: |budget: |check failed|Test unit written' "$build/fuzz/$target/last-run.log" | head -60
  done
  exit 1
fi
