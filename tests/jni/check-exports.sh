#!/usr/bin/env bash
# Checks what libquonvop4j.so shows the dynamic loader: both JNI functions
# under their exact names, nothing of the C++ runtime (its allocation
# functions included) and none of the library's private stand-ins for C
# library functions (exported, they would serve the whole process), nothing
# of namespace orv::internal, no dependency beyond the C library, POSIX
# threads, the loader and the shared unwinder (libgcc_s), and no
# STB_GNU_UNIQUE symbol (a single one turns dlclose into a no-op, so the
# library could not unload). The library linked with the system's C++ runtime
# (second argument "system") depends on libstdc++.so.6 as well and takes its
# throws and catches from it; the self-contained one (the default, "private")
# must not depend on it.
# Usage: check-exports.sh <path to libquonvop4j.so> [private | system]
set -u
lib=$1 kind=${2:-private}
fail=0
defined=$(readelf -W --dyn-syms "$lib" | awk '$7 != "UND" && NR > 3 {print $5, $8}')

for symbol in Java_com_quon_vop_Runtime_iGetVersion Java_com_quon_vop_Runtime_iSetApplicationName; do
  if ! grep -q -x "GLOBAL $symbol" <<<"$defined"; then
    echo "missing export: $symbol"; fail=1
  fi
done

runtime=$(awk '{print $2}' <<<"$defined" | grep -E '^(_ZNSt|_ZNKSt|_ZSt|_ZTISt|_ZTSSt|_ZTVSt|_ZN9__gnu_cxx|_ZNK9__gnu_cxx|__cxa_|__gxx_|_Unwind_|__gcc_|_Zn[wa]|_Zd[la])|^(dl[a-z0-9]+|pthread_once|l?stat64|fstat(at)?64|__libc_single_threaded)$' )
if [ -n "$runtime" ]; then
  echo "C++ runtime or C library symbols exported:"; head -20 <<<"$runtime"; fail=1
fi

# Nothing of namespace orv::internal, what the library shares only with its
# tests and its load order: functions, members and variables, and the
# vtables, VTTs, typeinfo, thunks and guards of its classes.
internal=$(awk '{print $2}' <<<"$defined" |
  grep -E '^_Z(T[VTIS]|Th[n0-9]+_|Tv[n0-9]+_[n0-9]+_|GV|GR)?NK?3orv8internal' || true)
if [ -n "$internal" ]; then
  echo "orv::internal symbols exported:"; head -20 <<<"$internal" | c++filt; fail=1
fi

needed=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
allowed='libc\.so\.6|libpthread\.so\.0|libdl\.so\.2|libgcc_s\.so\.1|ld-linux(-x86-64|-aarch64)?\.so\.[0-9]'
if [ "$kind" = system ]; then
  allowed="$allowed|libstdc\+\+\.so\.6|libm\.so\.6"
  if ! grep -q -x 'libstdc++.so.6' <<<"$needed"; then
    echo "does not depend on the system's C++ runtime libstdc++.so.6"; fail=1
  fi
  # Exceptions thrown and caught inside go through the system's runtime, so
  # the program's count of exceptions in flight is the library's.
  imported=$(readelf -W --dyn-syms "$lib" | awk '$7 == "UND" {print $8}')
  for symbol in __cxa_throw __cxa_begin_catch __cxa_end_catch; do
    if ! grep -q -E "^$symbol@CXXABI_" <<<"$imported"; then
      echo "$symbol is not taken from the system's C++ runtime"; fail=1
    fi
  done
fi
unexpected=$(grep -v -E "^($allowed)\$" <<<"$needed")
if [ -n "$unexpected" ]; then
  echo "unexpected shared-object dependencies:"; echo "$unexpected"; fail=1
fi

if readelf -W -s "$lib" | grep -q UNIQUE; then
  echo "STB_GNU_UNIQUE symbols:"; readelf -W -s "$lib" | grep UNIQUE | head; fail=1
fi

[ $fail -eq 0 ] && echo "exports of $lib are as intended"
exit $fail
