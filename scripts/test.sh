#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: the normal build (with the edit
# pages in headless Chromium, an install into a temporary prefix and the Debian package), the same
# under AddressSanitizer + UndefinedBehaviorSanitizer, the core and command line under
# ThreadSanitizer, the core and command line without Qt (proof that the core needs no GUI), and a
# short run of every fuzz target. Warnings are errors in every build; the sources must be
# formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Chromium and playwright-core are installed now: a browser test that cannot find them fails
# instead of reporting itself skipped.
export RKDIAL_REQUIRE_BROWSER=1

jobs=$(nproc)
fuzz_seconds=${RKDIAL_FUZZ_SECONDS:-20}

step() { printf '\n=== %s ===\n' "$*"; }
fail() {
  echo "test: $*" >&2
  exit 1
}

step "format"
unformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' | cut -d: -f1 | sort -u || true)
[ -z "$unformatted" ] || fail "not formatted as .clang-format says (run clang-format -i): $unformatted"
echo "every C++ source is formatted"

passed=0
run_preset() {
  local preset=$1
  step "build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  step "test: $preset"
  # The presets make "no tests found" an error; any failed test fails the run.
  ctest --preset "$preset" -j "$jobs" || fail "$preset: tests failed"
  local total
  total=$(ctest --preset "$preset" -N | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p')
  [ "${total:-0}" -gt 0 ] || fail "$preset: no tests"
  passed=$((passed + total))
}

run_preset dev
step "install and package: dev"
scripts/check-install.sh build/dev
run_preset asan
run_preset tsan
run_preset core

step "fuzz: build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
fuzzers=$(find build/fuzz/fuzz -maxdepth 1 -type f -name '*_fuzz' -perm -u+x | sort)
[ -n "$fuzzers" ] || fail "the fuzz build made no fuzzer"
expected=$(ls -d fuzz/corpus/*/ | wc -l)
[ "$(echo "$fuzzers" | wc -l)" -eq "$expected" ] || fail "the fuzz build made $(echo "$fuzzers" | wc -l) fuzzers for $expected corpora"
for fuzzer in $fuzzers; do
  name=$(basename "$fuzzer")
  corpus=fuzz/corpus/${name%_fuzz}
  [ -d "$corpus" ] || fail "$name has no seed corpus in $corpus"
  work=$(mktemp -d)
  cp -r "$corpus"/. "$work"/
  step "fuzz: $name for ${fuzz_seconds}s"
  status=0
  "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    "$work" >"$work.log" 2>&1 || status=$?
  grep -E 'stat::number_of_executed_units|^Done|ERROR|SUMMARY' "$work.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work.log" >&2
    fail "fuzz: $name failed with status $status (inputs in $work)"
  fi
  rm -f "$work.log"
  rm -rf "$work"
done

step "summary"
echo "tests: $passed passed, 0 failed"
