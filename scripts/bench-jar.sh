#!/usr/bin/env bash
# Measures the jar for every JVM (scripts/dist.sh builds it): its size, and
# the time of the first load of com.quon.vop.Runtime in a fresh JVM with the
# library extracted from the jar against the same library found on
# java.library.path, as elapsed time and as the loading thread's CPU time
# (which holds on a busy machine). Each figure is the median of RUNS fresh
# JVMs (default 21), the two ways alternating, on the 64-bit, the 32-bit and
# the arm64 JVM, each started as the tests start it (scripts/run-jvm.sh).
# Prints a table and keeps it in bench/RESULTS-jar.md. The target: the thread
# CPU time of a load extracted from the jar at most twice that of a load from
# java.library.path; the rows of a JVM that runs under a user-mode emulator
# are marked as emulated, and no target is judged on them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${RUNS:-21}

bash scripts/dist.sh >/dev/null
# shellcheck source=scripts/lib/arch.sh
source scripts/lib/arch.sh  # all_archs, jvm_of
version=$ORV_VERSION
jar=$root/build/dist/quonvop4j-$version.jar
jdk=$ORV_JDK_X86_64
# shellcheck source=scripts/foreign-arch.sh
source scripts/foreign-arch.sh  # foreign_handler_for
# The most the extraction may multiply the first load's thread CPU time by.
target=2

work=$(mktemp -d /tmp/orv-bench-jar.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$jdk/bin/javac" --release 8 -d "$work/classes" -cp "$jar" bench/java/com/quon/vop/bench/LoadTime.java
(cd "$work" && "$jdk/bin/jar" --extract --file "$jar" native)
mkdir -p "$work/empty"

# median COLUMN: the median of one column of the measurements.
median() { awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# first_load JAVA [OPTIONS...]: microseconds of one first load in a fresh JVM.
first_load() {
  local java=$1
  shift
  (cd "$work/empty" && "$root/scripts/run-jvm.sh" "$java" "$@" -cp "$jar:$work/classes" \
     com.quon.vop.bench.LoadTime)
}

size=$(stat -c %s "$jar")
# The one-minute load average, before and after: how busy the machine was.
load_start=$(cut -d' ' -f1 /proc/loadavg)
rows=()
for arch in "${all_archs[@]}"; do
  java=${jvm_of[$arch]} libdir=$work/native/linux-$arch
  note=""
  foreign_handler_for "$(realpath "$java")" >/dev/null && note=" (emulated)"
  first_load "$java" >/dev/null && first_load "$java" -Djava.library.path="$libdir" >/dev/null
  : >"$work/bundled" && : >"$work/path"
  for _ in $(seq "$runs"); do
    first_load "$java" >>"$work/bundled"
    first_load "$java" -Djava.library.path="$libdir" >>"$work/path"
  done
  for column in 1 2; do
    bundled=$(median $column <"$work/bundled") path=$(median $column <"$work/path")
    kind=elapsed verdict=""
    ratio=$(awk -v a="$bundled" -v b="$path" 'BEGIN { printf "%.2f", a / b }')
    if [ $column = 2 ]; then
      kind="thread CPU" verdict="<= ${target}x (met)"
      if [ -n "$note" ]; then
        verdict="<= ${target}x (emulated, not judged)"
      elif ! awk -v r="$ratio" -v t="$target" 'BEGIN { exit !(r <= t) }'; then
        verdict="<= ${target}x (MISSED)"
      fi
    fi
    rows+=("| $arch$note | $kind | $(( $(stat -c %s "$libdir/libquonvop4j.so") / 1024 )) KiB | $path us | $bundled us | $(( bundled - path )) us | ${ratio}x | $verdict |")
  done
done

model=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
load_end=$(cut -d' ' -f1 /proc/loadavg)
table=$(
  echo "Jar: quonvop4j-$version.jar, $size bytes ($(( size / 1024 )) KiB)."
  echo "Machine: ${model:-unknown CPU}, $(nproc) cores; kernel $(uname -r); medians of $runs fresh JVMs each;"
  echo "load average $load_start at the start, $load_end at the end."
  echo
  echo "| JVM | time | library | first load from java.library.path | first load extracted from the jar | extraction costs | ratio | target |"
  echo "|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
)
echo "$table"
{
  echo "# The jar's first load"
  echo
  echo "The last table printed by \`bash scripts/bench-jar.sh\`: the time from the first"
  echo "use of com.quon.vop.Runtime until its library is loaded, in a fresh JVM each."
  echo
  echo "$table"
} >bench/RESULTS-jar.md
