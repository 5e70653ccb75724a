#!/usr/bin/env bash
# Runs one JUnit test class on one JVM with -Xcheck:jni, with one folder as
# java.library.path. Fails when a test fails or when the JVM reports any JNI
# warning. The JVM starts through scripts/run-jvm.sh (interpreted under the
# emulator).
# Usage: run-junit.sh <java> <library dir> <test class> <class path...>
set -u
java=$1 libdir=$2 testclass=$3
root=$(dirname "$0")/../..
launcher=$root/scripts/run-jvm.sh
# shellcheck source=cmake/project.env
source "$root/cmake/project.env"  # ORV_JUNIT_JAR
shift 3
classpath=$(IFS=:; echo "$*")
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$launcher" "$java" -Xcheck:jni -Djava.library.path="$libdir" \
  -jar "$ORV_JUNIT_JAR" \
  --class-path "$classpath" --select-class "$testclass" \
  --disable-banner --disable-ansi-colors --details=tree >"$log" 2>&1
status=$?
cat "$log"
if grep -E -q 'WARNING in native method|FATAL ERROR in native method|JNI (WARNING|ERROR)' "$log"; then
  echo "run-junit.sh: the JVM reported a JNI problem" >&2
  exit 1
fi
exit $status
