#!/bin/sh
# check-abi-definitions.sh <c++ compiler> <source folder>
# A 32-bit program that includes orv/orv.h without -D_FILE_OFFSET_BITS=64
# -D_TIME_BITS=64 (or with the first alone) must not compile, and the
# compiler must name both definitions; with both it compiles, and so does a
# 64-bit program without them.
set -u
cxx=$1
source=$2
flags="-D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64"
failed=0

# compile <header> <options...>: compiles a program that includes the
# header; the compiler's messages go to $messages. The whole API, orv/orv.h,
# takes seconds: the cases beside the two that matter most include the
# header that every public header includes first.
compile() {
  header=$1
  shift
  messages=$(printf '#include "%s"\nint main() { return 0; }\n' "$header" |
    "$cxx" -std=c++17 -fsyntax-only -I"$source" "$@" -x c++ - 2>&1)
}

for options in "orv/orv.h -m32" "orv/Export.h -m32 -D_FILE_OFFSET_BITS=64"; do
  # shellcheck disable=SC2086
  if compile $options; then
    echo "FAILED: compiled with $options"
    failed=1
  elif ! printf '%s\n' "$messages" | grep -qF -- "$flags"; then
    echo "FAILED: with $options the compiler does not name $flags:"
    printf '%s\n' "$messages" | head -20
    failed=1
  else
    echo "refused with $options, naming $flags"
  fi
done
for options in "orv/orv.h -m32 $flags" "orv/Export.h -m64"; do
  # shellcheck disable=SC2086
  if compile $options; then
    echo "compiled with $options"
  else
    echo "FAILED: did not compile with $options:"
    printf '%s\n' "$messages" | head -20
    failed=1
  fi
done
exit $failed
