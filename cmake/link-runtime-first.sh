#!/bin/sh
# Gathers the part of the static C++ runtime that the library needs into one
# relocatable object, which the library's link then places ahead of the
# library's own objects. The dynamic loader runs the static initialisers of a
# shared object in link order and registers their destructors in that order,
# so the runtime's objects (its exception pool, its locale tables, its error
# categories) come up before the library's and go after them. Linked from the
# archive at the end, as the compiler driver does by default, they would come
# up last.
#
# The runtime's members are those that the library's objects ask for (every
# symbol they reference and do not define that the archive defines), with
# everything those members need in turn. The library's replacements of runtime
# and C library functions (runtime/) go into the object first, so that the
# archive's own versions of them are not taken.
#
# Usage: link-runtime-first.sh <output.o> <nm> <runtime archive>
#          <replacement objects...> -- <library objects...> -- <compiler> [flags...]
set -eu
export LC_ALL=C  # one collation for sort and comm
output=$1 nm=$2 archive=$3
shift 3
replacements=
while [ "$1" != "--" ]; do replacements="$replacements $1"; shift; done
shift
objects=
while [ "$1" != "--" ]; do objects="$objects $1"; shift; done
shift

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2086  # the object lists are split on purpose
"$nm" -P -g $replacements $objects | awk 'NF >= 2 && $2 == "U" {print $1}' | sort -u >"$work/asked"
# shellcheck disable=SC2086
"$nm" -P -g --defined-only $replacements $objects | awk 'NF >= 2 {print $1}' | sort -u >"$work/own"
"$nm" -P -g --defined-only "$archive" 2>/dev/null | awk 'NF >= 2 {print $1}' | sort -u >"$work/runtime"
comm -12 "$work/asked" "$work/runtime" | comm -23 - "$work/own" | sed 's/^/--undefined=/' >"$work/roots"

# shellcheck disable=SC2086
"$@" -r -nostdlib -o "$output" $replacements "-Wl,@$work/roots" "$archive"
