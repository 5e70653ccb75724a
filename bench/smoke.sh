#!/usr/bin/env sh
# One iteration of every benchmark: fails when one no longer runs or reports
# an error, and when composing a text from 1 MiB costs more than 100 times
# its one-pass baseline. The linear passes stay within a few times it; a
# quadratic one is thousands of times slower at that size, so the loose
# ceiling holds on any machine and still catches it. Under the emulator
# (ORV_EMULATED=1) timings say nothing and the ceiling is not judged.
# Usage: smoke.sh <orv_bench> <name of the build, for the table>
bench=$1 arch=$2
set --
here=$(dirname "$0")
"$bench" --benchmark_min_time=0 --benchmark_out=smoke.json --benchmark_out_format=json \
  >smoke.txt 2>&1
rc=$?
cat smoke.txt
[ $rc -eq 0 ] || exit 1
! grep -q 'ERROR OCCURRED' smoke.txt || exit 1
echo "(the targets below are judged by scripts/bench.sh; this run judges only the 1 MiB ceiling)"
[ "${ORV_EMULATED:-0}" = 1 ] && set -- --emulated "$arch"
# Only the compositions of text: Base64 decoding of 1 MiB is many times its
# table-driven baseline by design, and one iteration of it on a busy machine
# can pass 100 times.
python3 "$here/report.py" "$@" \
  --ceiling '^(FormatMessage|Exception\.what\.token|FileException\.what|FileString\.\w+)\.?1MiB$:100' \
  "$arch=smoke.json"
