#!/usr/bin/env bash
# Builds the benchmarks for x86_64 and i386, runs each next to its floor (the
# C++ benchmarks with 3 repetitions, the JNI call on the JVM of the same
# architecture) and prints one table: benchmark, ours, baseline, ratio. The
# table, with the machine it ran on, is kept in bench/RESULTS.md.
#
# Where i386 programs run only under the emulator (or ORV_I386_EMULATE=1
# asks for it, see scripts/i386.sh), the i386 benchmarks run there with one
# short repetition, interpreted on the JVM: their rows are marked "emulated"
# and no target is judged on them. Where i386 programs cannot run at all,
# nothing is measured and the command fails with the reason.
#
#   bash scripts/bench.sh            # full run (a few minutes)
#   bash scripts/bench.sh --quick    # one repetition, short rounds, small files
#
# BENCH_DIR_X86_64 and BENCH_DIR_I386 choose other build folders (default:
# the presets' build/x86_64 and build/i386).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

quick=0
[ "${1:-}" = "--quick" ] && quick=1

bash scripts/setup.sh >&2
# shellcheck source=scripts/i386.sh
source scripts/i386.sh
if ! i386_plan; then
  echo "i386 programs cannot run here: $I386_REASON" >&2
  exit 1
fi

declare -A dirs=([x86_64]="${BENCH_DIR_X86_64:-build/x86_64}" [i386]="${BENCH_DIR_I386:-build/i386}")
# shellcheck source=cmake/project.env
source cmake/project.env
declare -A jvms=([x86_64]=$ORV_JDK_X86_64/bin/java [i386]=$ORV_JDK_I386/bin/java)

out=$(mktemp -d /tmp/orv-bench-results-XXXXXX)
trap 'i386_end; rm -rf "$out"' EXIT
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

for arch in x86_64 i386; do
  dir=${dirs[$arch]}
  echo "== $arch: building in $dir" >&2
  cmake --preset "$arch" -B "$dir" >/dev/null
  cmake --build "$dir" --target benchmarks >/dev/null
  [ -x "$dir/bench/orv_bench" ] || { echo "no benchmark program in $dir (Google Benchmark missing?)" >&2; exit 1; }
done

results=()
report_args=()
for arch in x86_64 i386; do
  dir=${dirs[$arch]}
  args=("${gbench_args[@]}") jargs=("${java_args[@]}")
  if [ "$arch" = i386 ]; then
    i386_begin >&2 || exit 1
    if [ "$I386_MODE" = emulated ]; then
      args=("${quick_gbench_args[@]}") jargs=("${quick_java_args[@]}")
      report_args+=(--emulated i386)
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

  echo "== $arch: JNI call on ${jvms[$arch]}" >&2
  scripts/run-jvm.sh "${jvms[$arch]}" -Djava.library.path="$root/$dir:$root/$dir/bench-modules" \
      -cp "$dir/bench/quonvop4j-bench.jar" com.quon.vop.bench.JniBench "${jargs[@]}" \
      >"$out/$arch-java.json"
  results+=("$arch=$out/$arch.json,$out/$arch-java.json")
  i386_end
done

model=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
cores=$(nproc)
machine="Machine: ${model:-unknown CPU}, ${cores} cores; kernel $(uname -r); $(g++ --version | head -1)"
[ $quick -eq 1 ] && machine="$machine (quick run)"
[ ${#report_args[@]} -eq 0 ] ||
  machine="$machine; i386 under the emulator ($I386_VIA), one short repetition, JVM interpreted"

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
