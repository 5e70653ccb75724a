#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": Clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time.
#
#   scripts/fuzz.sh                     every target, 30 seconds each
#   FUZZ_SECONDS=600 scripts/fuzz.sh    every target, 10 minutes each
#   scripts/fuzz.sh Base64Fuzz ...      only the targets named
#
# Each target first replays the inputs in fuzz/regressions/<target>/ (inputs
# that once failed), then fuzzes from a temporary copy of its seed corpus
# fuzz/corpus/<target>/, so the repository's corpus does not grow. Prints the
# number of executions per target and ends with a summary line; exits
# non-zero if any target fails. The input of a failure is kept under
# <build>/fuzz-artifacts/<target>/. FUZZ_BUILD_DIR builds elsewhere than the
# preset's build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${FUZZ_SECONDS:-30}
case $seconds in
  '' | *[!0-9]*) echo "FUZZ_SECONDS must be a whole number of seconds" >&2; exit 2 ;;
esac

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/*Fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

build=${FUZZ_BUILD_DIR:-build/fuzz}
case $build in
  /*) ;;
  *) build=$root/$build ;;
esac
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target fuzzers

# Stop at the first error, with a stack trace, so libFuzzer records the input.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1

work=$(mktemp -d /tmp/orv-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
failures=()
for target in "${targets[@]}"; do
  echo "=== $target (${seconds} s)"
  binary=$build/fuzz/$target
  if [ ! -x "$binary" ] || [ ! -d "fuzz/corpus/$target" ]; then
    echo "$target: no such fuzz target"
    failed=$((failed + 1))
    failures+=("$target")
    continue
  fi
  artifacts=$build/fuzz-artifacts/$target
  mkdir -p "$artifacts"
  log=$work/$target.log
  ok=1

  # The targets may change the current directory, so every path is absolute.
  regressions=$root/fuzz/regressions/$target
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    if ! "$binary" -artifact_prefix="$artifacts/" "$regressions"/* >"$log" 2>&1; then
      echo "$target: a regression input fails:"
      tail -n 30 "$log"
      ok=0
    fi
  fi

  if [ $ok -eq 1 ]; then
    corpus=$work/$target.corpus
    cp -r "$root/fuzz/corpus/$target" "$corpus"
    if "$binary" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 \
        -rss_limit_mb=2048 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
      executions=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" |
                   grep -o '[0-9]*$' || echo "?")
      echo "$target: passed, $executions executions"
    else
      echo "$target: FAILED"
      tail -n 40 "$log"
      ok=0
    fi
  fi

  if [ $ok -eq 1 ]; then
    passed=$((passed + 1))
  else
    echo "$target: failing input(s) kept in $artifacts"
    failed=$((failed + 1))
    failures+=("$target")
  fi
done

echo "fuzz targets: $passed passed, $failed failed${failures[*]:+ (${failures[*]})}"
[ $failed -eq 0 ]
