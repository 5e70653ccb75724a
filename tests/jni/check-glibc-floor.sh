#!/usr/bin/env bash
# Checks the oldest C library that libquonvop4j.so can load on: the highest
# GLIBC_ version that the library needs must not lie above the floor given
# (a loader older than that refuses the library: "version `GLIBC_x' not
# found"), and no private version of the C library may be needed at all.
# Prints the highest version needed and, on failure, each symbol that needs
# more than the floor. A library linked with the system's C++ runtime also
# needs libstdc++.so.6 from one release on: its floors follow as
# GLIBCXX_<version> and CXXABI_<version>, and the highest version of each
# that the library needs must not lie above it. Without them the library
# may need no version of the C++ runtime at all (it carries its own).
# Usage: check-glibc-floor.sh <path to libquonvop4j.so> <floor, e.g. 2.17>
#          [GLIBCXX_<version> CXXABI_<version>]
set -u
lib=$1 floor=$2
shift 2
cxx_floors=("$@")
fail=0

above() {  # is version $1 newer than version $2?
  [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -1)" = "$1" ]
}

# Every version the library asks the loader for, and the symbols behind them.
versions=$(readelf -W -V "$lib" | sed -n 's/.*Name: GLIBC_\([0-9.]*\) .*/\1/p' | sort -uV)
if [ -z "$versions" ]; then
  echo "no GLIBC_ version needed by $lib: not a library of this build?"; exit 1
fi
symbols=$(objdump -T "$lib" | sed -n 's/.*\*UND\*.*[( ]GLIBC_\([0-9.]*\))\{0,1\} \{1,\}\([^ ]*\)$/\1 \2/p')

if readelf -W -V "$lib" | grep -q 'Name: GLIBC_PRIVATE'; then
  echo "needs the C library's private interface:"
  objdump -T "$lib" | grep GLIBC_PRIVATE
  fail=1
fi

highest=$(tail -1 <<<"$versions")
echo "highest C library version needed by $lib: GLIBC_$highest (floor GLIBC_$floor)"
for version in $versions; do
  if above "$version" "$floor"; then
    echo "GLIBC_$version, above the floor, is needed by:"
    awk -v v="$version" '$1 == v {print "  " $2}' <<<"$symbols"
    fail=1
  fi
done

# The C++ runtime's versions, where the library takes it from the system.
needs_cxx=0
for family in GLIBCXX CXXABI; do
  version=$(readelf -W -V "$lib" | sed -n "s/.*Name: ${family}_\([0-9.]*\) .*/\1/p" | sort -uV | tail -1)
  [ -n "$version" ] || continue
  needs_cxx=1
  given=
  for cxx_floor in "${cxx_floors[@]}"; do
    [ "${cxx_floor%%_*}" = "$family" ] && given=${cxx_floor#*_}
  done
  echo "highest ${family} version needed: ${family}_$version${given:+ (floor ${family}_$given)}"
  if [ ${#cxx_floors[@]} -eq 0 ]; then
    continue
  elif [ -z "$given" ]; then
    echo "no floor given for ${family}_"; fail=1
  elif above "$version" "$given"; then
    echo "${family}_$version, above the floor, is needed by:"
    objdump -T "$lib" | grep -F "(${family}_$version)" | awk '{print "  " $NF}'
    fail=1
  fi
done
if [ ${#cxx_floors[@]} -gt 0 ] && [ $needs_cxx -eq 0 ]; then
  echo "needs no version of the system's C++ runtime: not linked with it?"; fail=1
elif [ ${#cxx_floors[@]} -eq 0 ] && [ $needs_cxx -eq 1 ]; then
  echo "needs the system's C++ runtime, which this library should carry inside"; fail=1
fi
exit $fail
