#!/usr/bin/env bash
# Builds and tests every flavour of the library: x86_64 and i386 (each with
# its own JVM), AddressSanitizer with UndefinedBehaviorSanitizer (the JVM
# included), and ThreadSanitizer; then runs each fuzz target for a bounded
# time (FUZZ_SECONDS, default 30) and tests the Debian packages. Installs
# what is missing first. Fails if any stage failed.
#
#   bash scripts/test-all.sh                every stage
#   bash scripts/test-all.sh i386 packages  only the stages named
#
# i386 programs run natively where the kernel runs them, else under the
# emulator that set-up registers; the i386 stages then get ORV_EMULATED=1.
# ORV_I386_EMULATE=1 runs them under the emulator on any kernel (see
# scripts/i386.sh). Where i386 programs cannot run, the i386 stages fail with
# the reason. Ends with one line per stage and a summary line that says how
# the i386 stages ran.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/i386.sh
source scripts/i386.sh
bash scripts/setup.sh

# The stages in the order they run: stage_<name> runs one and fails when it
# fails. Stages that run i386 programs do so between i386_begin and i386_end
# (or in a script that does).
stages=(x86_64 i386 asan tsan fuzz packages bullseye jar)

build_preset() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }
test_preset() { build_preset "$1" && ctest --preset "$1" -j2; }

stage_x86_64() { test_preset x86_64; }

# Built first, so that only the tests hold the i386 lock.
stage_i386() {
  build_preset i386 || return 1
  i386_begin || return 1
  local status=0
  ctest --preset i386 -j2 || status=$?
  i386_end
  return $status
}

stage_asan() { test_preset asan; }
stage_tsan() { test_preset tsan; }
stage_fuzz() { FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash scripts/fuzz.sh; }
stage_packages() { bash scripts/test-packages.sh; }
stage_bullseye() { bash scripts/test-bullseye.sh; }
# Both architectures' jar on both JVMs (the 32-bit one as in stage_i386).
stage_jar() {
  i386_begin || return 1
  local status=0
  bash scripts/dist.sh --test || status=$?
  i386_end
  return $status
}

if [ $# -gt 0 ]; then
  selected=("$@")
else
  selected=("${stages[@]}")
fi
for stage in "${selected[@]}"; do
  if ! declare -F "stage_$stage" >/dev/null; then
    echo "unknown stage $stage; the stages are: ${stages[*]}" >&2
    exit 2
  fi
done

# How each i386 stage ran, one line per stage (written by i386_begin).
ORV_I386_REPORT=$(mktemp /tmp/orv-i386-report.XXXXXX)
export ORV_I386_REPORT
trap 'i386_end; rm -f "$ORV_I386_REPORT"' EXIT
trap 'exit 130' INT TERM
# Only the i386 stages say whether they are emulated.
unset ORV_EMULATED

results=()
passed=0
failed=0
for stage in "${selected[@]}"; do
  echo "=== $stage"
  start=$SECONDS
  if "stage_$stage"; then
    result=passed
    passed=$((passed + 1))
  else
    result=FAILED
    failed=$((failed + 1))
  fi
  took=$((SECONDS - start))
  results+=("$(printf '%-10s %-7s %dm%02ds' "$stage" "$result" $((took / 60)) $((took % 60)))")
done

echo "=== summary"
printf '%s\n' "${results[@]}"
list=$(printf '%s, ' "${results[@]}" | sed -E 's/ +/ /g; s/ [0-9]+m[0-9]+s//g; s/, $//')
i386_how=$(sort -u "$ORV_I386_REPORT" | paste -sd';' - | sed 's/;/; /g')
summary="test stages: $passed passed, $failed failed ($list)"
[ -z "$i386_how" ] || summary="$summary; i386: $i386_how"
echo "$summary"
[ $failed -eq 0 ]
