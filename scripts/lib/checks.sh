# shellcheck shell=bash
# Counting the steps of a test written in bash (the package, jar and Maven
# tests, the scripts' own tests): sourced, never run.
#
#   check NAME COMMAND...   runs COMMAND as one step: "PASS NAME" when it
#                           succeeds, else "FAIL NAME"; counts it
#   skip TEXT...            counts a step not run: "SKIP TEXT"
#   checks_summary WHAT [--skipped]
#                           names each failed step ("failed: NAME"), then
#                           prints "WHAT: N passed, M failed" (with
#                           ", K skipped" under --skipped); false when a
#                           step failed
#
# A script that defines check_started NAME has it called before each step
# (to print a heading, or to clear what the step reports), and one that
# defines check_failed NAME has it called after "FAIL NAME" (to say why).
# The counts are in passed, failed and skipped, the failed steps' names in
# failures.

passed=0
failed=0
skipped=0
failures=()

check() {
  local name=$1
  shift
  if declare -F check_started >/dev/null; then
    check_started "$name"
  fi
  if "$@"; then
    passed=$((passed + 1))
    echo "PASS $name"
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "FAIL $name"
    if declare -F check_failed >/dev/null; then
      check_failed "$name"
    fi
  fi
}

skip() {
  skipped=$((skipped + 1))
  echo "SKIP $*"
}

checks_summary() {
  local line="$1: $passed passed, $failed failed"
  [ "${2:-}" != --skipped ] || line="$line, $skipped skipped"
  if [ ${#failures[@]} -gt 0 ]; then
    printf 'failed: %s\n' "${failures[@]}"
  fi
  echo "$line"
  [ "$failed" -eq 0 ]
}
