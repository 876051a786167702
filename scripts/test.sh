#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: the normal build (with the edit
# pages in headless Chromium, an install into a temporary prefix and the Debian package), the same
# under AddressSanitizer + UndefinedBehaviorSanitizer, the tests of the threaded parts under
# ThreadSanitizer (the desktop program's lock and message handshake included), and a short run of
# every fuzz target, whose build has no Qt: it builds the core, the command line and the stand-in
# main unit without it (proof that the core needs no GUI). Warnings are errors in every build; the
# sources must be formatted as .clang-format says.
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
# clang-format is installed with the other packages; a machine without it fails here rather than
# passing unchecked.
command -v clang-format >/dev/null || fail "clang-format is not installed"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror ||
  fail "not formatted as .clang-format says (run clang-format -i on the files above)"
echo "every C++ source is formatted"

# What the runs counted, added up for the closing line.
passed=0
failed=0
skipped=0
fuzzed=0
failures=()
started=$SECONDS
timings=()
timed() { timings+=("$(printf '%-28s %4d s' "$1" $((SECONDS - $2)))"); }

# A count of the <testsuite> element that ctest's JUnit file opens with (one attribute a line).
junit_count() { grep -o -m 1 "^[[:space:]]*$2=\"[0-9]*\"" "$1" | grep -o '[0-9][0-9]*'; }

run_preset() {
  local preset=$1 begun=$SECONDS
  step "build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  timed "build: $preset" "$begun"
  begun=$SECONDS
  step "test: $preset"
  local junit status=0
  junit=$(mktemp --suffix=.xml)
  # The presets make "no tests found" an error.
  ctest --preset "$preset" -j "$jobs" --output-junit "$junit" || status=$?
  local tests failing skipping
  tests=$(junit_count "$junit" tests)
  failing=$(junit_count "$junit" failures)
  skipping=$(( $(junit_count "$junit" skipped) + $(junit_count "$junit" disabled) ))
  rm -f "$junit"
  [ -n "$tests" ] && [ "$tests" -gt 0 ] || fail "$preset: no test results"
  passed=$((passed + tests - failing - skipping))
  failed=$((failed + failing))
  skipped=$((skipped + skipping))
  timed "test: $preset" "$begun"
  echo "$preset: $((tests - failing - skipping)) passed, $failing failed, $skipping skipped"
  [ "$status" -eq 0 ] && [ "$failing" -eq 0 ] || failures+=("$preset: $failing failed")
  # Everything a test needs is installed above: a test that skipped itself did not run.
  [ "$skipping" -eq 0 ] || failures+=("$preset: $skipping skipped where their tools are installed")
}

run_preset dev
begun=$SECONDS
step "install and package: dev"
scripts/check-install.sh build/dev
timed "install and package" "$begun"
run_preset asan
run_preset tsan

begun=$SECONDS
step "fuzz: build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
[ -x build/fuzz/bin/rkdial-cli ] || fail "the build without Qt made no rkdial-cli"
timed "build: fuzz" "$begun"
begun=$SECONDS
fuzzers=$(find build/fuzz/fuzz -maxdepth 1 -type f -name '*_fuzz' -perm -u+x | sort)
[ -n "$fuzzers" ] || fail "the fuzz build made no fuzzer"
expected=$(ls -d fuzz/corpus/*/ | wc -l)
[ "$(echo "$fuzzers" | wc -l)" -eq "$expected" ] || fail "the fuzz build made $(echo "$fuzzers" | wc -l) fuzzers for $expected corpora"
# One fuzzer a core at a time, each on a copy of its seed corpus; every log is shown once its run
# has ended.
fuzz_one() {
  local fuzzer=$1 name corpus work status=0
  name=$(basename "$fuzzer")
  corpus=fuzz/corpus/${name%_fuzz}
  [ -d "$corpus" ] || { echo "$name has no seed corpus in $corpus" >"$fuzz_logs/$name.log"; return 1; }
  work=$(mktemp -d)
  cp -r "$corpus"/. "$work"/
  "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    "$work" >"$fuzz_logs/$name.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] && rm -rf "$work" || echo "inputs in $work" >>"$fuzz_logs/$name.log"
  return "$status"
}
fuzz_logs=$(mktemp -d)
fuzz_failures=()
running=()
for fuzzer in $fuzzers; do
  name=$(basename "$fuzzer")
  fuzz_one "$fuzzer" &
  running+=("$!:$name")
  # Wait for the oldest run whenever every core has one.
  while [ ${#running[@]} -ge "$jobs" ] || { [ ${#running[@]} -gt 0 ] && [ "$fuzzer" = "$(echo "$fuzzers" | tail -n 1)" ]; }; do
    pid=${running[0]%%:*}
    done_name=${running[0]#*:}
    running=("${running[@]:1}")
    status=0
    wait "$pid" || status=$?
    step "fuzz: $done_name for ${fuzz_seconds}s"
    grep -E 'stat::number_of_executed_units|^Done|ERROR|SUMMARY|no seed corpus' "$fuzz_logs/$done_name.log" || true
    if [ "$status" -eq 0 ]; then
      fuzzed=$((fuzzed + 1))
    else
      tail -n 60 "$fuzz_logs/$done_name.log" >&2
      fuzz_failures+=("fuzz: $done_name failed with status $status")
    fi
  done
done
rm -rf "$fuzz_logs"
timed "fuzz: $fuzzed targets" "$begun"

step "summary"
printf '%s\n' "${timings[@]}"
printf '%-28s %4d s\n' "all" $((SECONDS - started))
echo "tests: $passed passed, $failed failed, $skipped skipped; fuzzers: $fuzzed of $expected ran clean"
failures+=(${fuzz_failures[@]+"${fuzz_failures[@]}"})
if [ ${#failures[@]} -gt 0 ]; then
  printf '%s\n' "${failures[@]}" >&2
  fail "${#failures[@]} preset(s) did not pass"
fi
