#!/usr/bin/env bash
# How this machine runs programs of the architectures the library is built
# for besides its own (i386 and aarch64): natively, through Debian's
# user-mode emulator (qemu-user) registered with binfmt_misc, or not at all.
#
#   bash scripts/foreign-arch.sh ARCH status      one line: "native", "emulated
#                                                 (qemu-user)" or "unavailable:
#                                                 <reason>"; exits 1 when ARCH
#                                                 programs cannot run
#   bash scripts/foreign-arch.sh ARCH register    registers the emulator for ARCH
#                                                 (as root; mounts binfmt_misc
#                                                 first if needed)
#   bash scripts/foreign-arch.sh ARCH unregister  removes that registration again
#
# ARCH is i386 or aarch64. (scripts/i386.sh status|register|unregister does
# the same for i386.)
#
# The set-up, test and benchmark scripts source this file. The test and
# benchmark commands run a stage with ARCH programs between
# foreign_begin ARCH and foreign_end ARCH (foreign_run ARCH... -- COMMAND
# runs COMMAND so): foreign_begin holds a lock on
# ORV_<ARCH>_LOCK (ORV_I386_LOCK, ORV_AARCH64_LOCK; default
# /run/quonvop4j/<arch>.lock; empty for none), exports ORV_EMULATED=1 when
# the stage runs under the emulator, and fails with the reason where ARCH
# programs cannot run at all. The results are in <ARCH>_MODE ("native",
# "emulated" or "unavailable"), <ARCH>_VIA ("qemu-user") and <ARCH>_REASON
# (I386_MODE, AARCH64_MODE, ...).
#
# ORV_<ARCH>_EMULATE=1 forces the emulated path on a kernel that runs ARCH
# programs itself: binfmt_misc is consulted before the kernel's own ELF
# loader, so foreign_begin registers the emulator, holding the lock
# exclusively so that no other run sees the execution mode change under it,
# and foreign_end removes the registration again.
#
# The lock lives in a folder only root may write, and is never reached
# through a symbolic link: a file planted there by another user could
# otherwise make root create or lock a file of that user's choosing. A stage
# waits for the lock at most ORV_LOCK_WAIT seconds (default 900), then fails
# saying who holds it.

FOREIGN_BINFMT=/proc/sys/fs/binfmt_misc
FOREIGN_EMULATOR_PACKAGE=qemu-user-static
FOREIGN_LOCK_DIR=/run/quonvop4j
# The architectures that foreign_begin has begun and found emulated, for
# ORV_EMULATED (a stage may run programs of two of them).
FOREIGN_EMULATED_NOW=""

# foreign_arch ARCH: selects ARCH for the functions below; false for an
# architecture this file does not know.
#   FA_ARCH             its name (i386)
#   FA_P                the prefix of its variables (I386)
#   FA_HANDLER          the binfmt_misc entry registered for it
#   FA_EMULATOR         the emulator
#   FA_MAGIC, FA_MASK   which files the entry takes: an ELF program or shared
#                       object (ET_EXEC or ET_DYN) of the architecture, any OS ABI
#   FA_CC               how to build a small program for it
#   FA_BITS             the size of its pointers
foreign_arch() {
  case $1 in
    i386)
      FA_P=I386
      FA_EMULATOR=/usr/bin/qemu-i386-static
      FA_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
      FA_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
      FA_CC=(gcc -m32)
      FA_BITS=32
      ;;
    aarch64)
      FA_P=AARCH64
      FA_EMULATOR=/usr/bin/qemu-aarch64-static
      FA_MAGIC='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00'
      FA_MASK='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
      FA_CC=(clang --target=aarch64-linux-gnu)
      FA_BITS=64
      ;;
    *)
      echo "unknown architecture $1 (known: i386, aarch64)" >&2
      return 1
      ;;
  esac
  FA_ARCH=$1
  FA_HANDLER=quonvop4j-$1
}

# P: the program sees the argv[0] it was started with (the emulator learns of
#    it from the kernel's AT_FLAGS, Linux 5.12 and later);
# O: the program is handed over open, so executables without read permission
#    run as they do natively;
# F: the emulator is opened now, so it works in every mount namespace and
#    chroot, static as it is.
FOREIGN_FLAGS=OPF

# fa_set NAME VALUE / fa_get NAME: the variable <prefix>_NAME of the selected
# architecture (I386_MODE, AARCH64_REASON, ...).
fa_set() { declare -g "${FA_P}_$1=$2"; }
fa_get() {
  local name=${FA_P}_$1
  echo "${!name:-}"
}

# foreign_forced: true when ORV_<ARCH>_EMULATE=1 asks for the emulator.
foreign_forced() {
  local name=ORV_${FA_P}_EMULATE
  [ "${!name:-0}" = 1 ]
}

# foreign_handler_for FILE: prints the name of the enabled binfmt_misc handler
# that takes FILE, if any; the kernel would start FILE through it.
foreign_handler_for() {
  local file=$1 entry
  [ -r "$FOREIGN_BINFMT/status" ] && [ "$(cat "$FOREIGN_BINFMT/status" 2>/dev/null)" = enabled ] ||
    return 1
  for entry in "$FOREIGN_BINFMT"/*; do
    case ${entry##*/} in register | status) continue ;; esac
    if [ -f "$entry" ] && foreign_entry_takes "$entry" "$file"; then
      echo "${entry##*/}"
      return 0
    fi
  done
  return 1
}

# foreign_entry_takes ENTRY FILE: true when the magic-number handler ENTRY is
# enabled and matches the first bytes of FILE under its mask.
foreign_entry_takes() {
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

# foreign_label HANDLER: how the programs that HANDLER takes run, for the
# summary lines ("qemu-user" for the emulator).
foreign_label() {
  local interpreter
  interpreter=$(sed -n 's/^interpreter //p' "$FOREIGN_BINFMT/$1" 2>/dev/null)
  case ${interpreter##*/} in
    qemu-*) echo qemu-user ;;
    *) echo "${interpreter:-handler $1}" ;;
  esac
}

# foreign_binfmt_available: true when binfmt_misc is mounted, or can be.
foreign_binfmt_available() {
  mountpoint -q "$FOREIGN_BINFMT" 2>/dev/null && return 0
  [ -d "$FOREIGN_BINFMT" ] || return 1
  grep -qw binfmt_misc /proc/filesystems 2>/dev/null || modprobe -n -q binfmt_misc 2>/dev/null
}

# foreign_cannot_register: prints why the emulator for the selected
# architecture cannot be registered here (not root, no binfmt_misc, the
# emulator not installed); false when it can be.
foreign_cannot_register() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "registering the $FA_ARCH emulator needs root"
  elif ! foreign_binfmt_available; then
    echo "binfmt_misc is not available to register the $FA_ARCH emulator with"
  elif [ ! -x "$FA_EMULATOR" ]; then
    echo "the emulator $FA_EMULATOR is not installed (package $FOREIGN_EMULATOR_PACKAGE)"
  else
    return 1
  fi
}

# Why no emulator can be registered here, or how to register one.
foreign_why_no_emulator() {
  foreign_cannot_register || echo "no emulator is registered (bash scripts/setup.sh registers one)"
}

# foreign_mode ARCH: builds a small ARCH program and runs it. Sets
# <ARCH>_MODE to native, emulated or unavailable, <ARCH>_VIA to what
# emulates (e.g. "qemu-user") and <ARCH>_REASON to why ARCH programs do not
# run.
foreign_mode() {
  foreign_arch "$1" || return 1
  fa_set MODE unavailable
  fa_set VIA ""
  fa_set REASON ""
  local dir out handler="" probe=orv-$1-probe
  if ! dir=$(mktemp -d "/tmp/$probe.XXXXXX"); then
    fa_set REASON "no temporary folder for the $1 probe"
    return 1
  fi
  if ! printf '%s\n' '#include <stdio.h>' \
      'int main(int argc, char** argv) {' \
      '  printf("%d-bit %s\n", (int)(8 * sizeof(void*)), argc > 0 ? argv[0] : "");' \
      '  return 0;' '}' | "${FA_CC[@]}" -x c -o "$dir/probe" - 2>"$dir/log"; then
    fa_set REASON "${FA_CC[*]} cannot build a $1 program: $(head -1 "$dir/log")"
    rm -rf "$dir"
    return 1
  fi
  handler=$(foreign_handler_for "$dir/probe") || handler=""
  out=$( (exec -a "$probe" "$dir/probe") 2>&1) || true
  if [ "$out" = "$FA_BITS-bit $probe" ]; then
    if [ -n "$handler" ]; then
      fa_set MODE emulated
      fa_set VIA "$(foreign_label "$handler")"
    else
      fa_set MODE native
    fi
  elif [ "$out" = "$FA_BITS-bit $dir/probe" ]; then
    fa_set REASON "the handler $handler does not keep argv[0] (the emulator needs Linux 5.12 or later)"
  elif [ -n "$handler" ]; then
    fa_set REASON "a $1 program started through the handler $handler fails: $(head -1 <<<"$out")"
  elif [[ $out == *"Exec format error"* ]]; then
    fa_set REASON "this kernel does not run $1 programs (Exec format error) and $(foreign_why_no_emulator)"
  else
    fa_set REASON "a $1 program does not run: $(head -1 <<<"$out")"
  fi
  rm -rf "$dir"
  [ "$(fa_get MODE)" != unavailable ]
}

# foreign_mode_line ARCH: the one line that says how ARCH programs run, from
# foreign_mode's findings.
foreign_mode_line() {
  foreign_arch "$1" || return 1
  case $(fa_get MODE) in
    native) echo native ;;
    emulated) echo "emulated ($(fa_get VIA))" ;;
    *) echo "unavailable: $(fa_get REASON)" ;;
  esac
}

# foreign_register ARCH: registers the emulator for ARCH programs; true when
# it is registered (already or now). Sets <ARCH>_REGISTERED=1 when this call
# registered it and FOREIGN_MOUNTED=1 when it mounted binfmt_misc;
# <ARCH>_REASON says why not.
foreign_register() {
  foreign_arch "$1" || return 1
  local reason
  if reason=$(foreign_cannot_register); then
    fa_set REASON "$reason"
    return 1
  fi
  if ! mountpoint -q "$FOREIGN_BINFMT" 2>/dev/null; then
    if ! mount -t binfmt_misc binfmt_misc "$FOREIGN_BINFMT" 2>/dev/null; then
      fa_set REASON "binfmt_misc cannot be mounted at $FOREIGN_BINFMT"
      return 1
    fi
    FOREIGN_MOUNTED=1
  fi
  if [ -e "$FOREIGN_BINFMT/$FA_HANDLER" ]; then
    echo 1 >"$FOREIGN_BINFMT/$FA_HANDLER" 2>/dev/null || true
    return 0
  fi
  if ! printf ':%s:M::%s:%s:%s:%s\n' "$FA_HANDLER" "$FA_MAGIC" "$FA_MASK" \
      "$FA_EMULATOR" "$FOREIGN_FLAGS" 2>/dev/null >"$FOREIGN_BINFMT/register"; then
    fa_set REASON "binfmt_misc refused the $1 handler"
    return 1
  fi
  fa_set REGISTERED 1
}

# foreign_unregister ARCH: removes the registration and, if foreign_register
# mounted binfmt_misc and nothing else is registered, unmounts it again.
foreign_unregister() {
  foreign_arch "$1" || return 1
  local entry others=0
  if [ -e "$FOREIGN_BINFMT/$FA_HANDLER" ]; then
    echo -1 >"$FOREIGN_BINFMT/$FA_HANDLER" || return 1
  fi
  if [ "${FOREIGN_MOUNTED:-0}" = 1 ]; then
    for entry in "$FOREIGN_BINFMT"/*; do
      case ${entry##*/} in register | status) ;; *) [ -e "$entry" ] && others=1 ;; esac
    done
    [ $others -eq 1 ] || umount "$FOREIGN_BINFMT" 2>/dev/null || true
    FOREIGN_MOUNTED=0
  fi
}

# foreign_lock_holders FILE: the processes /proc/locks names as holding a lock
# on FILE ("pid 123 (bash)", ...), for the message of a stage that gave up.
foreign_lock_holders() {
  local inode pid holders=()
  inode=$(stat -c %i "$1" 2>/dev/null) || return 0
  for pid in $(awk -v i="$inode" '$2 != "->" { n = split($6, f, ":"); if (f[n] == i) print $5 }' \
      /proc/locks 2>/dev/null | sort -un); do
    holders+=("pid $pid ($(cat "/proc/$pid/comm" 2>/dev/null || echo gone))")
  done
  [ ${#holders[@]} -eq 0 ] || (IFS=,; echo "${holders[*]}" | sed 's/,/, /g')
}

# foreign_safe_folder FOLDER: true when no one but root and this user can
# add or replace names in FOLDER (a real folder, not a link to one, owned by
# either and writable by no group or other user).
foreign_safe_folder() {
  local owner mode
  [ -d "$1" ] && [ ! -L "$1" ] || return 1
  read -r owner mode < <(stat -c '%u %a' "$1") || return 1
  { [ "$owner" = 0 ] || [ "$owner" = "$(id -u)" ]; } && (((8#$mode & 8#022) == 0))
}

# foreign_lock ARCH HOW: takes the stage's lock on ORV_<ARCH>_LOCK, shared
# (HOW -s) or exclusive (-x), into <ARCH>_LOCK_FD. True when it holds the
# lock or runs without one (ORV_<ARCH>_LOCK empty; a user other than root
# where the lock file is not there to be read); otherwise prints why and
# returns 1: a lock file that is a symbolic link or in a folder others may
# write (never followed, never created), or a lock still held by another
# process after ORV_LOCK_WAIT seconds.
foreign_lock() {
  foreign_arch "$1" || return 1
  local how=$2 var=ORV_${FA_P}_LOCK lock folder fd wait=${ORV_LOCK_WAIT:-900} holders
  lock=${!var-$FOREIGN_LOCK_DIR/$1.lock}
  [ -n "$lock" ] || return 0
  [ -z "$(fa_get LOCK_FD)" ] || return 0
  folder=$(dirname "$lock")
  if [ "$(id -u)" -eq 0 ] && [ "$lock" = "$FOREIGN_LOCK_DIR/$1.lock" ] && [ ! -e "$folder" ]; then
    mkdir -m 0755 "$folder" 2>/dev/null || true
  fi
  if ! foreign_safe_folder "$folder"; then
    if [ "$(id -u)" -ne 0 ] && [ ! -e "$lock" ]; then
      echo "warning: no lock file $lock; the $1 stage runs without the lock" >&2
      return 0
    fi
    echo "$1: the lock's folder $folder is not a folder that only root (or this user) may write: not used; set $var to a file in such a folder" >&2
    return 1
  fi
  if [ -L "$lock" ]; then
    echo "$1: the lock $lock is a symbolic link: not followed; remove it (or set $var to another file)" >&2
    return 1
  fi
  if [ ! -e "$lock" ] && [ "$(id -u)" -eq 0 ]; then
    # noclobber: created with O_EXCL, which follows no link.
    (set -C && : >"$lock") 2>/dev/null || [ -e "$lock" ] || {
      echo "$1: the lock $lock cannot be created" >&2
      return 1
    }
  fi
  if [ -L "$lock" ] || { [ -e "$lock" ] && [ ! -f "$lock" ]; }; then
    echo "$1: the lock $lock is not a regular file: not used; remove it (or set $var to another file)" >&2
    return 1
  fi
  # Opened for reading: nothing is created, and flock needs no more.
  if ! exec {fd}<"$lock"; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "warning: cannot open $lock; the $1 stage runs without the lock" >&2
      return 0
    fi
    echo "$1: the lock $lock cannot be opened" >&2
    return 1
  fi
  if ! flock -n "$how" "$fd"; then
    echo "$1: waiting for the lock $lock (at most $wait s)" >&2
    if ! flock -w "$wait" "$how" "$fd"; then
      holders=$(foreign_lock_holders "$lock")
      exec {fd}<&-
      echo "$1: gave up after $wait s waiting for the lock $lock, held by ${holders:-another process} (another run of the test, benchmark or package command?); try again when it ends" >&2
      return 1
    fi
  fi
  fa_set LOCK_FD "$fd"
}

# foreign_unlock ARCH: releases the lock foreign_lock took.
foreign_unlock() {
  foreign_arch "$1" || return 1
  local fd
  fd=$(fa_get LOCK_FD)
  if [ -n "$fd" ]; then
    exec {fd}<&-
    fa_set LOCK_FD ""
  fi
}

# Under the emulator, a tmpfs for the 32-bit JVM's temporary files (see
# scripts/run-jvm.sh), as ORV_I386_TMPDIR; as root only. Without it the JVM's
# own folder listings may fail on ext4 (EOVERFLOW), which the Java tests then
# report. (The arm64 JVM reads folders with 64-bit offsets: it needs none.)
foreign_make_i386_tmpdir() {
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

# foreign_begin ARCH: starts a stage that runs ARCH programs: takes the lock
# (exclusively under ORV_<ARCH>_EMULATE=1, after which it registers the
# emulator), finds out how ARCH programs run and exports ORV_EMULATED=1 if
# emulated. Prints the reason and returns 1 (the lock released) when they
# cannot run. With ORV_ARCH_REPORT naming a file, appends "<ARCH>: <mode
# line>" to it for the test command's summary.
foreign_begin() {
  local arch=$1 how=-s ok=1
  foreign_arch "$arch" || return 1
  foreign_forced && how=-x
  if ! foreign_lock "$arch" "$how"; then
    foreign_arch "$arch"
    fa_set MODE unavailable
    fa_set REASON "the lock could not be taken"
    ok=0
  elif foreign_forced && ! foreign_register "$arch"; then
    fa_set MODE unavailable
    ok=0
  elif ! foreign_mode "$arch"; then
    ok=0
  elif foreign_forced && [ "$(fa_get MODE)" != emulated ]; then
    fa_set MODE unavailable
    fa_set REASON "the registered emulator does not take $arch programs"
    ok=0
  fi
  if [ -n "${ORV_ARCH_REPORT:-}" ]; then
    case $(fa_get MODE) in
      unavailable) echo "$arch: unavailable ($(fa_get REASON))" ;;
      *) echo "$arch: $(foreign_mode_line "$arch")" ;;
    esac >>"$ORV_ARCH_REPORT"
  fi
  if [ $ok -eq 0 ]; then
    echo "$arch programs cannot run here: $(fa_get REASON)" >&2
    foreign_end "$arch"
    return 1
  fi
  echo "$arch programs: $(foreign_mode_line "$arch")"
  foreign_arch "$arch"
  if [ "$(fa_get MODE)" = emulated ]; then
    FOREIGN_EMULATED_NOW="$FOREIGN_EMULATED_NOW $arch"
    export ORV_EMULATED=1
    [ "$arch" != i386 ] || [ -n "${ORV_I386_TMPDIR:-}" ] || foreign_make_i386_tmpdir
  elif [ -z "${FOREIGN_EMULATED_NOW// /}" ]; then
    unset ORV_EMULATED
  fi
}

# foreign_end ARCH: ends the stage: removes a registration foreign_begin made
# and releases the lock. Safe to call more than once (and from an exit trap).
foreign_end() {
  local arch=$1
  foreign_arch "$arch" || return 1
  if [ "$arch" = i386 ] && [ -n "${ORV_I386_TMPDIR:-}" ]; then
    umount "$ORV_I386_TMPDIR" 2>/dev/null && rmdir "$ORV_I386_TMPDIR"
    unset ORV_I386_TMPDIR
  fi
  if [ "$(fa_get REGISTERED)" = 1 ]; then
    foreign_unregister "$arch" ||
      echo "warning: the $arch handler $FOREIGN_BINFMT/$FA_HANDLER could not be removed" >&2
    fa_set REGISTERED 0
  fi
  FOREIGN_EMULATED_NOW=$(sed "s/ $arch\b//g" <<<"$FOREIGN_EMULATED_NOW")
  [ -n "${FOREIGN_EMULATED_NOW// /}" ] || unset ORV_EMULATED
  foreign_unlock "$arch"
}

# foreign_run ARCH... -- COMMAND...: runs COMMAND as a stage of each ARCH:
# between foreign_begin of each, in the order given, and foreign_end of each
# in the reverse order. Where one cannot begin, COMMAND does not run and the
# stages begun end again; returns 1 then, else COMMAND's status.
foreign_run() {
  local archs=() begun=() arch status=0
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    archs+=("$1")
    shift
  done
  shift
  for arch in "${archs[@]}"; do
    if ! foreign_begin "$arch"; then
      status=1
      break
    fi
    begun=("$arch" "${begun[@]}")
  done
  if [ $status -eq 0 ]; then
    "$@" || status=$?
  fi
  for arch in "${begun[@]}"; do
    foreign_end "$arch"
  done
  return $status
}

# foreign_plan ARCH: what the ARCH stages will do, changing nothing: as
# foreign_mode, but under ORV_<ARCH>_EMULATE=1 whether the emulator can be
# registered for them.
foreign_plan() {
  foreign_arch "$1" || return 1
  if ! foreign_forced; then
    foreign_mode "$1"
    return
  fi
  local reason
  fa_set VIA ""
  if reason=$(foreign_cannot_register); then
    fa_set MODE unavailable
    fa_set REASON "ORV_${FA_P}_EMULATE=1, but $reason"
    return 1
  fi
  fa_set MODE emulated
  fa_set VIA qemu-user
  fa_set REASON ""
}

# foreign_command ARCH status|register|unregister: the command line.
# FOREIGN_USAGE is what the usage line says the arguments are.
foreign_command() {
  local arch=${1:-} command=${2:-}
  case $arch:$command in
    i386:status | aarch64:status)
      foreign_mode "$arch"
      foreign_mode_line "$arch"
      [ "$(fa_get MODE)" != unavailable ]
      ;;
    i386:register | aarch64:register)
      foreign_register "$arch" || { fa_get REASON >&2; return 1; }
      foreign_mode "$arch"
      foreign_mode_line "$arch"
      [ "$(fa_get MODE)" = emulated ]
      ;;
    i386:unregister | aarch64:unregister)
      foreign_unregister "$arch"
      ;;
    *)
      echo "usage: $0 ${FOREIGN_USAGE:-i386|aarch64 status|register|unregister}" >&2
      return 2
      ;;
  esac
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -uo pipefail
  foreign_command "$@"
  exit
fi
