#!/usr/bin/env bash
# Builds the benchmarks for x86_64, i386 and aarch64, runs each next to its
# floor (the C++ benchmarks with 3 repetitions, the JNI call on the JVM of
# the same architecture) and prints one table: benchmark, ours, baseline,
# ratio. The table, with the machine it ran on, is kept in bench/RESULTS.md.
#
# Where i386 or aarch64 programs run only under the emulator (aarch64 ones
# on an x86-64 machine; i386 ones where the kernel does not run them or
# ORV_I386_EMULATE=1 asks for it, see scripts/foreign-arch.sh), their
# benchmarks run there with one short repetition, the JVM as in the tests
# under the emulator (scripts/run-jvm.sh): their rows are marked "emulated"
# and no target is judged on them. Where i386 programs cannot run at all,
# nothing is measured and the command fails with the reason; aarch64 is
# left out with a line saying why where its programs cannot run or Google
# Benchmark for arm64 is missing.
#
#   bash scripts/bench.sh            # full run (a few minutes)
#   bash scripts/bench.sh --quick    # one repetition, short rounds, small files
#
# BENCH_DIR_X86_64, BENCH_DIR_I386 and BENCH_DIR_AARCH64 choose other build
# folders (default: the presets' build/x86_64, build/i386, build/aarch64).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

quick=0
[ "${1:-}" = "--quick" ] && quick=1

bash scripts/setup.sh >&2
# shellcheck source=scripts/foreign-arch.sh
source scripts/foreign-arch.sh
if ! foreign_plan i386; then
  echo "i386 programs cannot run here: $I386_REASON" >&2
  exit 1
fi
archs=(x86_64 i386)
if foreign_plan aarch64; then
  archs+=(aarch64)
else
  echo "aarch64: not measured: $AARCH64_REASON" >&2
fi

declare -A dirs=([x86_64]="${BENCH_DIR_X86_64:-build/x86_64}" [i386]="${BENCH_DIR_I386:-build/i386}"
                 [aarch64]="${BENCH_DIR_AARCH64:-build/aarch64}")
# shellcheck source=scripts/lib/arch.sh
source scripts/lib/arch.sh  # jvm_of

out=$(mktemp -d /tmp/orv-bench-results-XXXXXX)
trap 'foreign_end i386; foreign_end aarch64; rm -rf "$out"' EXIT
trap 'exit 130' INT TERM

quick_gbench_args=(--benchmark_min_time=0.05)
quick_java_args=(3 200000)
if [ $quick -eq 1 ]; then
  gbench_args=("${quick_gbench_args[@]}")
  java_args=("${quick_java_args[@]}")
  export ORV_BENCH_FILE_MIB=32
else
  gbench_args=(--benchmark_repetitions=3 --benchmark_report_aggregates_only=true)
  java_args=(15 2000000)
fi

measured=()
for arch in "${archs[@]}"; do
  dir=${dirs[$arch]}
  echo "== $arch: building in $dir" >&2
  cmake --preset "$arch" -B "$dir" >/dev/null
  if ! cmake --build "$dir" --target benchmarks >/dev/null 2>"$out/build.log"; then
    if [ "$arch" = aarch64 ] && grep -q "unknown target 'benchmarks'" "$out/build.log"; then
      echo "aarch64: not measured: no Google Benchmark for arm64 (libbenchmark-dev:arm64)" >&2
      continue
    fi
    cat "$out/build.log" >&2
    exit 1
  fi
  [ -x "$dir/bench/orv_bench" ] || { echo "no benchmark program in $dir (Google Benchmark missing?)" >&2; exit 1; }
  measured+=("$arch")
done

results=()
report_args=()
emulated=()
for arch in "${measured[@]}"; do
  dir=${dirs[$arch]}
  args=("${gbench_args[@]}") jargs=("${java_args[@]}")
  if [ "$arch" != x86_64 ]; then
    foreign_begin "$arch" >&2 || exit 1
    foreign_arch "$arch"
    if [ "$(fa_get MODE)" = emulated ]; then
      args=("${quick_gbench_args[@]}") jargs=("${quick_java_args[@]}")
      report_args+=(--emulated "$arch")
      emulated+=("$arch")
    fi
  fi

  echo "== $arch: C++ benchmarks" >&2
  # Standard output to /dev/null: the console benchmark writes there. TZ unset;
  # the date/time benchmarks set and unset it themselves.
  if ! env -u TZ "$dir/bench/orv_bench" "${args[@]}" \
      --benchmark_out="$out/$arch.json" --benchmark_out_format=json >/dev/null 2>"$out/$arch.log"; then
    cat "$out/$arch.log" >&2
    exit 1
  fi

  echo "== $arch: JNI call on ${jvm_of[$arch]}" >&2
  scripts/run-jvm.sh "${jvm_of[$arch]}" -Djava.library.path="$root/$dir:$root/$dir/bench-modules" \
      -cp "$dir/bench/quonvop4j-bench.jar" com.quon.vop.bench.JniBench "${jargs[@]}" \
      >"$out/$arch-java.json"
  results+=("$arch=$out/$arch.json,$out/$arch-java.json")
  [ "$arch" = x86_64 ] || foreign_end "$arch"
done

model=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
cores=$(nproc)
machine="Machine: ${model:-unknown CPU}, ${cores} cores; kernel $(uname -r); $(g++ --version | head -1)"
[ $quick -eq 1 ] && machine="$machine (quick run)"
[ ${#emulated[@]} -eq 0 ] ||
  machine="$machine; $(IFS=/; echo "${emulated[*]}") under the emulator (qemu-user), one short repetition, the JVM as in the tests there"

table=$(python3 bench/report.py --machine "$machine" "${report_args[@]}" "${results[@]}")
echo "$table"
{
  echo "# Benchmark results"
  echo
  echo "The last table printed by \`bash scripts/bench.sh\`; ratios compare figures of"
  echo "the same run on the same machine (medians of 3 repetitions)."
  echo
  echo "$table"
} > bench/RESULTS.md
