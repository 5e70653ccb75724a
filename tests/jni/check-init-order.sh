#!/usr/bin/env bash
# Checks the order in which the dynamic loader brings up the static objects of
# libquonvop4j.so: every initialiser of the C++ runtime linked into it before
# the first of the library's own. Each initialiser registers the destructors
# of the objects it constructs as it goes, and the loader runs them in the
# reverse order, so the runtime's objects also go after the library's; the
# .fini_array must therefore hold nothing but the compiler's entry that runs
# those destructors.
#
# The loader runs .init_array from first to last. Each entry is named by the
# symbol at its address: the compiler calls a source file's initialiser
# _GLOBAL__sub_I_<file>; the library's sources end in .cpp, the runtime's in
# .cc; frame_dummy is the compiler's own set-up and comes first. On arm64 the
# compiler's support library adds init_have_lse_atomics, linked last, which
# only chooses between two correct ways of doing atomic operations (until it
# has run, the ones every arm64 processor has).
# Usage: check-init-order.sh <path to libquonvop4j.so (not stripped)>
set -u
lib=$1
fail=0

# The addresses a pointer array section holds, in order, in lower-case hex
# without leading zeros: in a 64-bit library the RELA relocations carry them,
# in a 32-bit one the section's bytes do.
entries() {
  local section=$1 address size offset lo hi
  read -r address offset size < <(readelf -W -S "$lib" |
    sed 's/^ *\[ *[0-9]*\] *//' | awk -v s="$section" '$1 == s {print $3, $4, $5}')
  [ -n "${address:-}" ] || return 0
  if readelf -h "$lib" | grep -q 'Class:.*ELF64'; then
    lo=$((16#$address)) hi=$((16#$address + 16#$size))
    readelf -W -r "$lib" | while read -r at _ type value _; do
      [[ $type == *_RELATIVE ]] || continue
      at=$((16#$at))
      if ((at >= lo && at < hi)); then printf '%d %x\n' "$at" $((16#$value)); fi
    done | sort -n | cut -d' ' -f2
  else
    for word in $(od -A n -t x4 -v -j $((16#$offset)) -N $((16#$size)) "$lib"); do
      printf '%x\n' $((16#$word))
    done
  fi
}

# Address to function name, from the symbol table. ARM's mapping symbols
# ($x for code, $d for data, with or without a suffix) mark where code
# starts at the same addresses as the functions: they name nothing.
names=$(nm "$lib" 2>/dev/null |
  awk '$2 ~ /^[tT]$/ && $3 !~ /^\$[adtx](\.|$)/ {a = $1; sub(/^0+/, "", a); print a, $3}')
if [ -z "$names" ]; then
  echo "$lib has no symbol table"; exit 1
fi
name_of() { awk -v a="$1" '$1 == a {print $2; exit}' <<<"$names"; }

order=()
while read -r address; do
  [ -n "$address" ] && order+=("$(name_of "$address")")
done < <(entries .init_array)

seen_library=0 runtime=0 library=0
echo "initialisers of $lib, in load order:"
for name in "${order[@]}"; do
  case $name in
    frame_dummy | init_have_lse_atomics) kind=compiler ;;
    _GLOBAL__sub_I_*.cpp) kind=library; library=$((library + 1)); seen_library=1 ;;
    _GLOBAL__sub_I_*) kind=runtime; runtime=$((runtime + 1))
      if [ $seen_library -eq 1 ]; then
        echo "  $name  <- the runtime's, after the library's"; fail=1; continue
      fi ;;
    *) kind=unknown; echo "  ${name:-<no symbol>}  <- unknown initialiser"; fail=1; continue ;;
  esac
  echo "  $name ($kind)"
done
if [ $runtime -eq 0 ] || [ $library -eq 0 ]; then
  echo "expected initialisers of both the runtime and the library"; fail=1
fi

finis=()
while read -r address; do
  [ -n "$address" ] && finis+=("$(name_of "$address")")
done < <(entries .fini_array)
if [ "${finis[*]}" != "__do_global_dtors_aux" ]; then
  echo ".fini_array holds more than the destructor run: ${finis[*]}"; fail=1
fi

[ $fail -eq 0 ] && echo "the runtime comes up first and goes last"
exit $fail
