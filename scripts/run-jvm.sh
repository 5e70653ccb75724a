#!/usr/bin/env bash
# Starts a JVM: run-jvm.sh [--short] <java> <arguments...>
#               run-jvm.sh --emulated-options [--short] <java>
# A JVM that the kernel starts through the user-mode emulator (a binfmt_misc
# handler takes it, see scripts/foreign-arch.sh) gets the options that suit
# it there; the second form prints them, one a line (nothing when none).
# --short says the run does little beyond starting (a demo, one load):
#   - a 32-bit x86 JVM runs interpreted (-Xint): HotSpot's compiled code
#     crashes now and then under the emulator (SIGSEGV in its safepoint
#     code), the interpreter does not. Its temporary folder is then
#     ORV_I386_TMPDIR where the i386 stage made one (a tmpfs): the 32-bit JVM
#     lists folders with the 32-bit readdir, which fails with EOVERFLOW under
#     the emulator on file systems whose folder offsets need 64 bits (ext4),
#     and a tmpfs has small ones. A -Djava.io.tmpdir of the caller comes
#     later and wins.
#   - an arm64 JVM compiles with its first tier only
#     (-XX:TieredStopAtLevel=1), or runs interpreted (-Xint) with --short:
#     the emulator translates the code HotSpot generates once more. A JUnit
#     class costs least with the first tier only (17 s of CPU against 19 to
#     28 s with both compilers and 25 s interpreted), a bare start least
#     interpreted (1.3 s against 1.9 s and 2.4 s).
# Otherwise the JVM starts exactly as asked; nothing is printed either way.
set -euo pipefail
options_only=0 short=0
while :; do
  case ${1:-} in
    --emulated-options) options_only=1 ;;
    --short) short=1 ;;
    *) break ;;
  esac
  shift
done
java=$1
shift

# The JVM's architecture from its ELF header: byte 5 is the class (1 for
# 32-bit), bytes 18-19 the machine (3 for i386, 183 for aarch64).
elf_class=$(od -An -tu1 -j4 -N1 "$java" 2>/dev/null | tr -d ' ') || true
elf_machine=$(od -An -tu2 -j18 -N2 "$java" 2>/dev/null | tr -d ' ') || true
options=()
if [ "$elf_class:$elf_machine" = 1:3 ] || [ "$elf_class:$elf_machine" = 2:183 ]; then
  # shellcheck source=scripts/foreign-arch.sh
  source "$(dirname "$0")/foreign-arch.sh"
  if foreign_handler_for "$(realpath "$java")" >/dev/null; then
    if [ "$elf_machine" = 3 ]; then
      options=(-Xint)
      [ $options_only -eq 1 ] || [ -z "${ORV_I386_TMPDIR:-}" ] ||
        options+=(-Djava.io.tmpdir="$ORV_I386_TMPDIR")
    elif [ $short -eq 1 ]; then
      options=(-Xint)
    else
      options=(-XX:TieredStopAtLevel=1)
    fi
  fi
fi
if [ $options_only -eq 1 ]; then
  [ ${#options[@]} -eq 0 ] || printf '%s\n' "${options[@]}"
  exit 0
fi
exec "$java" "${options[@]}" "$@"
