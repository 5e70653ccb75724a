#!/usr/bin/env bash
# Builds and tests every flavour of the library: x86_64, i386 and aarch64
# (each with its own JVM), AddressSanitizer with UndefinedBehaviorSanitizer
# (the JVM included), and ThreadSanitizer; then runs each fuzz target for a bounded
# time (FUZZ_SECONDS, default 30) and tests the Debian packages. Installs
# what is missing first. Fails if any stage failed.
#
#   bash scripts/test-all.sh                every stage
#   bash scripts/test-all.sh i386 packages  only the stages named
#
# i386 and aarch64 programs run natively where the kernel runs them, else
# under the emulator that set-up registers (aarch64 programs always, on an
# x86-64 machine); the stages that run them then get ORV_EMULATED=1.
# ORV_I386_EMULATE=1 runs the i386 ones under the emulator on any kernel
# (see scripts/foreign-arch.sh). Where they cannot run, their stages fail
# with the reason. Ends with one line per stage and a summary line that says
# how the i386 and the aarch64 stages ran.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/foreign-arch.sh
source scripts/foreign-arch.sh
bash scripts/setup.sh

# The stages in the order they run: stage_<name> runs one and fails when it
# fails. Stages that run i386 or aarch64 programs do so between
# foreign_begin and foreign_end (or in a script that does).
stages=(x86_64 i386 aarch64 asan tsan fuzz packages bullseye jar)

build_preset() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }
test_preset() { build_preset "$1" && ctest --preset "$1" -j2; }

stage_x86_64() { test_preset x86_64; }

# Built first, so that only the tests hold the architecture's lock.
test_foreign_preset() {
  build_preset "$1" || return 1
  foreign_begin "$1" || return 1
  local status=0
  ctest --preset "$1" -j2 || status=$?
  foreign_end "$1"
  return $status
}
stage_i386() { test_foreign_preset i386; }
stage_aarch64() { test_foreign_preset aarch64; }

stage_asan() { test_preset asan; }
stage_tsan() { test_preset tsan; }
stage_fuzz() { FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash scripts/fuzz.sh; }
stage_packages() { bash scripts/test-packages.sh; }
stage_bullseye() { bash scripts/test-bullseye.sh; }
# Every architecture's library in the one jar, tried on each JVM (the i386
# and arm64 ones as in their stages).
stage_jar() {
  foreign_begin i386 || return 1
  if ! foreign_begin aarch64; then
    foreign_end i386
    return 1
  fi
  local status=0
  bash scripts/dist.sh --test || status=$?
  foreign_end aarch64
  foreign_end i386
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

# How each i386 and aarch64 stage ran, one "<arch>: <how>" line per stage
# (written by foreign_begin).
ORV_ARCH_REPORT=$(mktemp /tmp/orv-arch-report.XXXXXX)
export ORV_ARCH_REPORT
trap 'foreign_end aarch64; foreign_end i386; rm -f "$ORV_ARCH_REPORT"' EXIT
trap 'exit 130' INT TERM
# Only the i386 and aarch64 stages say whether they are emulated.
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
summary="test stages: $passed passed, $failed failed ($list)"
for arch in i386 aarch64; do
  how=$(sed -n "s/^$arch: //p" "$ORV_ARCH_REPORT" | sort -u | paste -sd';' - | sed 's/;/; /g')
  [ -z "$how" ] || summary="$summary; $arch: $how"
done
echo "$summary"
[ $failed -eq 0 ]
