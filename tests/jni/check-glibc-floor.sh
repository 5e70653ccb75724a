#!/usr/bin/env bash
# Checks the oldest C library that libquonvop4j.so can load on: the highest
# GLIBC_ version that the library needs must not lie above the floor given
# (a loader older than that refuses the library: "version `GLIBC_x' not
# found"), and no private version of the C library may be needed at all.
# Prints the highest version needed and, on failure, each symbol that needs
# more than the floor.
# Usage: check-glibc-floor.sh <path to libquonvop4j.so> <floor, e.g. 2.17>
set -u
lib=$1 floor=$2
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
exit $fail
