#!/usr/bin/env bash
# How this machine runs i386 programs: natively, through Debian's user-mode
# emulator (qemu-user) registered with binfmt_misc, or not at all.
#
#   bash scripts/i386.sh status       one line: "native", "emulated (qemu-user)"
#                                     or "unavailable: <reason>"; exits 1 when
#                                     i386 programs cannot run
#   bash scripts/i386.sh register     registers the emulator for i386 programs
#                                     (as root; mounts binfmt_misc first if needed)
#   bash scripts/i386.sh unregister   removes that registration again
#
# The set-up, test and benchmark scripts source this file. The test and
# benchmark commands run their i386 stages between i386_begin and i386_end:
# i386_begin holds a lock on ORV_I386_LOCK (default /tmp/orv-i386.lock; empty
# for none), exports ORV_EMULATED=1 when the stage runs under the emulator,
# and fails with the reason where i386 programs cannot run at all.
#
# ORV_I386_EMULATE=1 forces the emulated path on a kernel that runs i386
# programs itself: binfmt_misc is consulted before the kernel's own ELF
# loader, so i386_begin registers the emulator, holding the lock exclusively
# so that no other run sees the execution mode change under it, and i386_end
# removes the registration again.

I386_BINFMT=/proc/sys/fs/binfmt_misc
I386_HANDLER=quonvop4j-i386
I386_EMULATOR=/usr/bin/qemu-i386-static
I386_EMULATOR_PACKAGE=qemu-user-static
# An i386 ELF program or shared object (ET_EXEC or ET_DYN), any OS ABI.
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# P: the program sees the argv[0] it was started with (the emulator learns of
#    it from the kernel's AT_FLAGS, Linux 5.12 and later);
# O: the program is handed over open, so executables without read permission
#    run as they do natively;
# F: the emulator is opened now, so it works in every mount namespace and
#    chroot, static as it is.
I386_FLAGS=OPF

i386_forced() { [ "${ORV_I386_EMULATE:-0}" = 1 ]; }

# i386_handler_for FILE: prints the name of the enabled binfmt_misc handler
# that takes FILE, if any; the kernel would start FILE through it.
i386_handler_for() {
  local file=$1 entry
  [ -r "$I386_BINFMT/status" ] && [ "$(cat "$I386_BINFMT/status" 2>/dev/null)" = enabled ] ||
    return 1
  for entry in "$I386_BINFMT"/*; do
    case ${entry##*/} in register | status) continue ;; esac
    if [ -f "$entry" ] && i386_entry_takes "$entry" "$file"; then
      echo "${entry##*/}"
      return 0
    fi
  done
  return 1
}

# i386_entry_takes ENTRY FILE: true when the magic-number handler ENTRY is
# enabled and matches the first bytes of FILE under its mask.
i386_entry_takes() {
  local entry=$1 file=$2 line state="" offset=0 magic="" mask="" data i m
  while IFS= read -r line; do
    case $line in
      enabled | disabled) state=$line ;;
      "offset "*) offset=${line#offset } ;;
      "magic "*) magic=${line#magic } ;;
      "mask "*) mask=${line#mask } ;;
    esac
  done <"$entry"
  [ "$state" = enabled ] && [ -n "$magic" ] || return 1
  data=$(od -An -v -tx1 -j "$offset" -N $((${#magic} / 2)) "$file" 2>/dev/null | tr -d ' \n')
  [ ${#data} -eq ${#magic} ] || return 1
  for ((i = 0; i < ${#magic}; i += 2)); do
    m=0xff
    [ -n "$mask" ] && m=0x${mask:i:2}
    (((0x${data:i:2} & m) == (0x${magic:i:2} & m))) || return 1
  done
}

# i386_label HANDLER: how the programs that HANDLER takes run, for the
# summary lines ("qemu-user" for the emulator).
i386_label() {
  local interpreter
  interpreter=$(sed -n 's/^interpreter //p' "$I386_BINFMT/$1" 2>/dev/null)
  case ${interpreter##*/} in
    qemu-*) echo qemu-user ;;
    *) echo "${interpreter:-handler $1}" ;;
  esac
}

i386_binfmt_available() {
  mountpoint -q "$I386_BINFMT" 2>/dev/null && return 0
  [ -d "$I386_BINFMT" ] || return 1
  grep -qw binfmt_misc /proc/filesystems 2>/dev/null || modprobe -n -q binfmt_misc 2>/dev/null
}

# Why no emulator can be registered here, or how to register one.
i386_why_no_emulator() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "registering an emulator needs root"
  elif ! i386_binfmt_available; then
    echo "binfmt_misc is not available to register an emulator with"
  elif [ ! -x "$I386_EMULATOR" ]; then
    echo "the emulator $I386_EMULATOR is not installed (package $I386_EMULATOR_PACKAGE)"
  else
    echo "no emulator is registered (bash scripts/setup.sh registers one)"
  fi
}

# Builds a small i386 program and runs it. Sets I386_MODE to native, emulated
# or unavailable, I386_VIA to what emulates (e.g. "qemu-user") and
# I386_REASON to why i386 programs do not run.
i386_mode() {
  I386_MODE=unavailable I386_VIA="" I386_REASON=""
  local dir out handler=""
  if ! dir=$(mktemp -d /tmp/orv-i386-probe.XXXXXX); then
    I386_REASON="no temporary folder for the i386 probe"
    return 1
  fi
  if ! printf '%s\n' '#include <stdio.h>' \
      'int main(int argc, char** argv) {' \
      '  printf("%d-bit %s\n", (int)(8 * sizeof(void*)), argc > 0 ? argv[0] : "");' \
      '  return 0;' '}' | gcc -m32 -x c -o "$dir/probe" - 2>"$dir/log"; then
    I386_REASON="gcc -m32 cannot build an i386 program: $(head -1 "$dir/log")"
    rm -rf "$dir"
    return 1
  fi
  handler=$(i386_handler_for "$dir/probe") || handler=""
  out=$( (exec -a orv-i386-probe "$dir/probe") 2>&1) || true
  if [ "$out" = "32-bit orv-i386-probe" ]; then
    if [ -n "$handler" ]; then
      I386_MODE=emulated I386_VIA=$(i386_label "$handler")
    else
      I386_MODE=native
    fi
  elif [ "$out" = "32-bit $dir/probe" ]; then
    I386_REASON="the handler $handler does not keep argv[0] (the emulator needs Linux 5.12 or later)"
  elif [ -n "$handler" ]; then
    I386_REASON="an i386 program started through the handler $handler fails: $(head -1 <<<"$out")"
  elif [[ $out == *"Exec format error"* ]]; then
    I386_REASON="this kernel does not run i386 programs (Exec format error) and $(i386_why_no_emulator)"
  else
    I386_REASON="an i386 program does not run: $(head -1 <<<"$out")"
  fi
  rm -rf "$dir"
  [ "$I386_MODE" != unavailable ]
}

# The one line that says how i386 programs run, from i386_mode's findings.
i386_mode_line() {
  case $I386_MODE in
    native) echo native ;;
    emulated) echo "emulated ($I386_VIA)" ;;
    *) echo "unavailable: $I386_REASON" ;;
  esac
}

# Registers the emulator for i386 programs; true when it is registered
# (already or now). Sets I386_REGISTERED=1 when this call registered it and
# I386_MOUNTED=1 when it mounted binfmt_misc; I386_REASON says why not.
i386_register() {
  if [ "$(id -u)" -ne 0 ]; then
    I386_REASON="registering the i386 emulator needs root"
    return 1
  fi
  if [ ! -x "$I386_EMULATOR" ]; then
    I386_REASON="the emulator $I386_EMULATOR is not installed (package $I386_EMULATOR_PACKAGE)"
    return 1
  fi
  if ! mountpoint -q "$I386_BINFMT" 2>/dev/null; then
    if ! mount -t binfmt_misc binfmt_misc "$I386_BINFMT" 2>/dev/null; then
      I386_REASON="binfmt_misc cannot be mounted at $I386_BINFMT"
      return 1
    fi
    I386_MOUNTED=1
  fi
  if [ -e "$I386_BINFMT/$I386_HANDLER" ]; then
    echo 1 >"$I386_BINFMT/$I386_HANDLER" 2>/dev/null || true
    return 0
  fi
  if ! printf ':%s:M::%s:%s:%s:%s\n' "$I386_HANDLER" "$I386_MAGIC" "$I386_MASK" \
      "$I386_EMULATOR" "$I386_FLAGS" 2>/dev/null >"$I386_BINFMT/register"; then
    I386_REASON="binfmt_misc refused the i386 handler"
    return 1
  fi
  I386_REGISTERED=1
}

# Removes the registration and, if i386_register mounted binfmt_misc and
# nothing else is registered, unmounts it again.
i386_unregister() {
  local entry others=0
  if [ -e "$I386_BINFMT/$I386_HANDLER" ]; then
    echo -1 >"$I386_BINFMT/$I386_HANDLER" || return 1
  fi
  if [ "${I386_MOUNTED:-0}" = 1 ]; then
    for entry in "$I386_BINFMT"/*; do
      case ${entry##*/} in register | status) ;; *) [ -e "$entry" ] && others=1 ;; esac
    done
    [ $others -eq 1 ] || umount "$I386_BINFMT" 2>/dev/null || true
    I386_MOUNTED=0
  fi
}

# Starts an i386 stage: takes the lock (exclusively under ORV_I386_EMULATE=1,
# after which it registers the emulator), finds out how i386 programs run
# and exports ORV_EMULATED=1 if emulated. Prints the reason and returns 1
# (the lock released) when they cannot run. With ORV_I386_REPORT naming a
# file, appends the mode line to it for the test command's summary.
# Under the emulator, a tmpfs for the 32-bit JVM's temporary files (see
# scripts/run-jvm.sh), as ORV_I386_TMPDIR; as root only. Without it the JVM's
# own folder listings may fail on ext4 (EOVERFLOW), which the Java tests then
# report.
i386_make_tmpdir() {
  [ "$(id -u)" -eq 0 ] || return 0
  local dir
  dir=$(mktemp -d /tmp/orv-i386-tmp.XXXXXX) || return 0
  if mount -t tmpfs -o size=1g,mode=1777 orv-i386-tmp "$dir"; then
    export ORV_I386_TMPDIR=$dir
  else
    rmdir "$dir"
    echo "warning: no tmpfs for the 32-bit JVM's temporary files" >&2
  fi
}

i386_begin() {
  local lock=${ORV_I386_LOCK-/tmp/orv-i386.lock} how=-s
  i386_forced && how=-x
  if [ -n "$lock" ] && [ -z "${I386_LOCK_FD:-}" ]; then
    if exec {I386_LOCK_FD}>>"$lock"; then
      if ! flock -n "$how" "$I386_LOCK_FD"; then
        echo "i386: waiting for $lock" >&2
        flock "$how" "$I386_LOCK_FD"
      fi
    else
      echo "warning: cannot open $lock; i386 stage runs without the lock" >&2
      unset I386_LOCK_FD
    fi
  fi
  local ok=1
  if i386_forced && ! i386_register; then
    I386_MODE=unavailable
    ok=0
  elif ! i386_mode; then
    ok=0
  elif i386_forced && [ "$I386_MODE" != emulated ]; then
    I386_MODE=unavailable I386_REASON="the registered emulator does not take i386 programs"
    ok=0
  fi
  if [ -n "${ORV_I386_REPORT:-}" ]; then
    case $I386_MODE in
      unavailable) echo "unavailable ($I386_REASON)" ;;
      *) i386_mode_line ;;
    esac >>"$ORV_I386_REPORT"
  fi
  if [ $ok -eq 0 ]; then
    echo "i386 programs cannot run here: $I386_REASON" >&2
    i386_end
    return 1
  fi
  echo "i386 programs: $(i386_mode_line)"
  if [ "$I386_MODE" = emulated ]; then
    export ORV_EMULATED=1
    i386_make_tmpdir
  else
    unset ORV_EMULATED
  fi
}

# Ends an i386 stage: removes a registration i386_begin made and releases
# the lock. Safe to call more than once (and from an exit trap).
i386_end() {
  if [ -n "${ORV_I386_TMPDIR:-}" ]; then
    umount "$ORV_I386_TMPDIR" 2>/dev/null && rmdir "$ORV_I386_TMPDIR"
    unset ORV_I386_TMPDIR
  fi
  if [ "${I386_REGISTERED:-0}" = 1 ]; then
    i386_unregister || echo "warning: the i386 handler $I386_BINFMT/$I386_HANDLER could not be removed" >&2
    I386_REGISTERED=0
  fi
  unset ORV_EMULATED
  if [ -n "${I386_LOCK_FD:-}" ]; then
    exec {I386_LOCK_FD}>&-
    unset I386_LOCK_FD
  fi
}

# What the i386 stages will do, changing nothing: as i386_mode, but under
# ORV_I386_EMULATE=1 whether the emulator can be registered for them.
i386_plan() {
  if ! i386_forced; then
    i386_mode
    return
  fi
  I386_MODE=unavailable I386_VIA="" I386_REASON=""
  if [ "$(id -u)" -ne 0 ]; then
    I386_REASON="ORV_I386_EMULATE=1 registers the emulator, which needs root"
  elif ! i386_binfmt_available; then
    I386_REASON="ORV_I386_EMULATE=1 needs binfmt_misc, which is not available"
  elif [ ! -x "$I386_EMULATOR" ]; then
    I386_REASON="the emulator $I386_EMULATOR is not installed (package $I386_EMULATOR_PACKAGE)"
  else
    I386_MODE=emulated I386_VIA=qemu-user
  fi
  [ "$I386_MODE" != unavailable ]
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -uo pipefail
  case ${1:-} in
    status)
      i386_mode
      i386_mode_line
      [ "$I386_MODE" != unavailable ]
      ;;
    register)
      i386_register || { echo "$I386_REASON" >&2; exit 1; }
      i386_mode
      i386_mode_line
      [ "$I386_MODE" = emulated ]
      ;;
    unregister)
      i386_unregister
      ;;
    *)
      echo "usage: $0 status|register|unregister" >&2
      exit 2
      ;;
  esac
fi
