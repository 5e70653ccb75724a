#!/usr/bin/env bash
# Builds and tests every flavour of the library, stage by stage; installs
# what is missing first (scripts/setup.sh). Fails if any stage failed. The
# stages, in the order they run (each is stage_<name> below; the presets are
# in CMakePresets.json):
#   x86_64    the 64-bit library: preset x86_64 built, its CTest tests run
#             (the Java ones on the 64-bit JVM)
#   i386      the 32-bit library: preset i386, its tests on the 32-bit JVM
#   aarch64   the arm64 library: preset aarch64, its tests on the arm64 JVM
#   asan      preset asan: AddressSanitizer with UndefinedBehaviorSanitizer,
#             the JVM included
#   tsan      preset tsan: ThreadSanitizer
#   fuzz      each fuzz target (preset fuzz) for FUZZ_SECONDS (default 30):
#             scripts/fuzz.sh
#   packages  the Debian packages of the three architectures built,
#             installed, tried and removed: scripts/test-packages.sh
#   bullseye  the 64-bit library on Debian 11 (glibc 2.31), in a root of
#             its own: the demo and the Java tests on its JVM 17:
#             scripts/test-bullseye.sh
#   jar       the one jar for every JVM and its Maven repository, tried on
#             each JVM and by Maven and Gradle: scripts/dist.sh --test
#             (tests/java/test-jar.sh, tests/java/test-maven.sh)
#
#   bash scripts/test-all.sh                every stage
#   bash scripts/test-all.sh i386 packages  only the stages named
#
# i386 and aarch64 programs run natively where the kernel runs them, else
# under the emulator that set-up registers (aarch64 programs always, on an
# x86-64 machine); the stages that run them (i386, aarch64, and parts of
# packages and jar) then get ORV_EMULATED=1. ORV_I386_EMULATE=1 runs the
# i386 ones under the emulator on any kernel (see scripts/foreign-arch.sh).
# Where they cannot run, their stages fail with the reason. Ends with one
# line per stage (passed or FAILED, its time and its programs' CPU time)
# and a summary line that says how the i386 and the aarch64 stages ran.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/foreign-arch.sh
source scripts/foreign-arch.sh
bash scripts/setup.sh

# The stages in the order they run: stage_<name> runs one and fails when it
# fails. Stages that run i386 or aarch64 programs do so under foreign_run
# (or in a script that calls foreign_begin and foreign_end).
stages=(x86_64 i386 aarch64 asan tsan fuzz packages bullseye jar)

build_preset() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }
test_preset() { build_preset "$1" && ctest --preset "$1" -j2; }

stage_x86_64() { test_preset x86_64; }

# Built first, so that only the tests hold the architecture's lock.
test_foreign_preset() { build_preset "$1" && foreign_run "$1" -- ctest --preset "$1" -j2; }
stage_i386() { test_foreign_preset i386; }
stage_aarch64() { test_foreign_preset aarch64; }

stage_asan() { test_preset asan; }
stage_tsan() { test_preset tsan; }
stage_fuzz() { FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash scripts/fuzz.sh; }
stage_packages() { bash scripts/test-packages.sh; }
stage_bullseye() { bash scripts/test-bullseye.sh; }
# Every architecture's library in the one jar, tried on each JVM (the i386
# and arm64 ones as in their stages).
stage_jar() { foreign_run i386 aarch64 -- bash scripts/dist.sh --test; }

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

# CPU time (user and system, in clock ticks) of the programs this shell has
# waited for: what a stage costs, however busy the machine is.
tick=$(getconf CLK_TCK)
children_cpu() { awk '{print $16 + $17}' "/proc/$$/stat"; }
# minutes_seconds SECONDS: 1m05s
minutes_seconds() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

results=()
passed=0
failed=0
for stage in "${selected[@]}"; do
  echo "=== $stage"
  start=$SECONDS
  cpu_start=$(children_cpu)
  if "stage_$stage"; then
    result=passed
    passed=$((passed + 1))
  else
    result=FAILED
    failed=$((failed + 1))
  fi
  took=$((SECONDS - start))
  cpu=$((($(children_cpu) - cpu_start + tick / 2) / tick))
  results+=("$(printf '%-10s %-7s %s (CPU %s)' "$stage" "$result" "$(minutes_seconds $took)" \
               "$(minutes_seconds $cpu)")")
done

echo "=== summary"
printf '%s\n' "${results[@]}"
list=$(printf '%s, ' "${results[@]}" | sed -E 's/ +/ /g; s/ [0-9]+m[0-9]+s \(CPU [0-9]+m[0-9]+s\)//g; s/, $//')
summary="test stages: $passed passed, $failed failed ($list)"
for arch in i386 aarch64; do
  how=$(sed -n "s/^$arch: //p" "$ORV_ARCH_REPORT" | sort -u | paste -sd';' - | sed 's/;/; /g')
  [ -z "$how" ] || summary="$summary; $arch: $how"
done
echo "$summary"
[ $failed -eq 0 ]
