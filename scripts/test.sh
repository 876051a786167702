#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: the normal build, the same
# under AddressSanitizer + UndefinedBehaviorSanitizer, the core and command line without Qt
# (proof that the core needs no GUI), and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${RKDIAL_FUZZ_SECONDS:-20}

step() { printf '\n=== %s ===\n' "$*"; }

passed=0
ctest_log=$(mktemp)
trap 'rm -f "$ctest_log"' EXIT

run_preset() {
  local preset=$1
  step "build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  step "test: $preset"
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$ctest_log"
  local total
  total=$(sed -n 's/^100% tests passed, 0 tests failed out of \([0-9]*\)$/\1/p' "$ctest_log")
  [ -n "$total" ] || { echo "test: $preset did not pass" >&2; exit 1; }
  passed=$((passed + total))
}

run_preset dev
run_preset asan
run_preset core

step "fuzz: build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
fuzzers=$(find build/fuzz/fuzz -maxdepth 1 -type f -name '*_fuzz' -perm -u+x | sort)
for fuzzer in $fuzzers; do
  name=$(basename "$fuzzer")
  corpus=fuzz/corpus/${name%_fuzz}
  work=$(mktemp -d)
  cp -r "$corpus"/. "$work"/
  step "fuzz: $name for ${fuzz_seconds}s"
  status=0
  "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    "$work" >"$work.log" 2>&1 || status=$?
  grep -E 'stat::number_of_executed_units|^Done|ERROR|SUMMARY' "$work.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work.log" >&2
    echo "fuzz: $name failed with status $status (inputs in $work)" >&2
    exit 1
  fi
  rm -f "$work.log"
  rm -rf "$work"
done

step "summary"
echo "tests: $passed passed, 0 failed"
