#!/usr/bin/env bash
# Starts a JVM: run-jvm.sh <java> <arguments...>
# A 32-bit JVM under the user-mode emulator runs interpreted (-Xint): there,
# HotSpot's compiled code crashes now and then (SIGSEGV in its safepoint
# code), the interpreter does not. Its temporary folder is then
# ORV_I386_TMPDIR where the i386 stage made one (a tmpfs): the 32-bit JVM
# lists folders with the 32-bit readdir, which fails with EOVERFLOW under the
# emulator on file systems whose folder offsets need 64 bits (ext4), and a
# tmpfs has small ones. A -Djava.io.tmpdir of the caller comes later and wins.
# Under the emulator means ORV_EMULATED=1 or, where that is not set, a
# binfmt_misc handler that takes this JVM. Otherwise the JVM starts exactly
# as asked; nothing is printed either way.
set -euo pipefail
java=$1
shift
# Byte 5 of an ELF file: 1 for 32-bit, 2 for 64-bit.
if [ "$(od -An -tu1 -j4 -N1 "$java" 2>/dev/null | tr -d ' ')" = 1 ]; then
  if [ "${ORV_EMULATED-unset}" = unset ]; then
    # shellcheck source=scripts/i386.sh
    source "$(dirname "$0")/i386.sh"
    i386_handler_for "$java" >/dev/null && ORV_EMULATED=1
  fi
  if [ "${ORV_EMULATED:-0}" = 1 ]; then
    if [ -n "${ORV_I386_TMPDIR:-}" ]; then
      exec "$java" -Xint -Djava.io.tmpdir="$ORV_I386_TMPDIR" "$@"
    fi
    exec "$java" -Xint "$@"
  fi
fi
exec "$java" "$@"
