#!/usr/bin/env bash
# The lock that a stage running i386 or aarch64 programs holds
# (scripts/foreign-arch.sh; the i386 cases through its wrapper
# scripts/i386.sh, the aarch64 one directly):
#   - a symbolic link at the lock's path is not followed: nothing is created
#     where it points, and the stage fails saying so;
#   - a lock in a folder that others may write is not used;
#   - a lock another process holds is waited for ORV_LOCK_WAIT seconds at
#     most, then the stage fails naming the process;
#   - in a folder only its owner may write, the lock file is made and held.
# Each stage is started in a subshell, bounded in time, with no report file.
# Usage: foreign-arch-lock.sh <source tree>
set -u
root=$1
unset ORV_ARCH_REPORT ORV_I386_REPORT ORV_I386_EMULATE ORV_AARCH64_EMULATE ORV_EMULATED
work=$(mktemp -d)
holder=""
# Ends the process holding the lock and the command it runs (which must not
# keep the test's output open either).
release() {
  [ -n "$holder" ] || return 0
  # shellcheck disable=SC2046  # the children's process ids are words
  kill "$holder" $(cat "/proc/$holder/task/$holder/children" 2>/dev/null) 2>/dev/null
  wait "$holder" 2>/dev/null
  holder=""
}
trap 'release; rm -rf "$work"' EXIT
# shellcheck source=scripts/lib/checks.sh
source "$root/scripts/lib/checks.sh"
# A failed case (check NAME CONDITION...) shows what the stage did.
check_failed() { echo "  exit $status, $took s; said: $said"; }

# begin LOCK: i386_begin with the lock at LOCK, waiting at most 2 s; sets
# status, said (its standard error) and took (seconds).
begin() {
  local start=$SECONDS
  said=$(ORV_I386_LOCK=$1 ORV_LOCK_WAIT=2 timeout 30 bash -c '
    source "$1/scripts/i386.sh" && i386_begin' begin "$root" 2>&1 >/dev/null)
  status=$?
  took=$((SECONDS - start))
}

mkdir -m 0700 "$work/own"

# A link to a file that does not exist: opening the lock with O_CREAT would
# create it there.
ln -s "$work/created-through-link" "$work/own/dangling.lock"
begin "$work/own/dangling.lock"
check "a symbolic link at the lock's path to no file: nothing created there" \
  eval '[ $status -ne 0 ] && [ ! -e "$work/created-through-link" ] && [[ $said == *"is a symbolic link: not followed"* ]]'

# A link to someone's file: it is not opened either.
echo "someone's data" >"$work/victim"
ln -s "$work/victim" "$work/own/to-file.lock"
begin "$work/own/to-file.lock"
check "a symbolic link at the lock's path to a file: not followed, the file unchanged" \
  eval '[ $status -ne 0 ] && [ "$(cat "$work/victim")" = "someone'"'"'s data" ] && [[ $said == *"is a symbolic link"* ]]'

# A folder everyone may write (as /tmp): another user could plant a link
# between a check and the open.
mkdir -m 1777 "$work/shared"
begin "$work/shared/i386.lock"
check "a lock in a folder others may write is not used" \
  eval '[ $status -ne 0 ] && [ ! -e "$work/shared/i386.lock" ] && [[ $said == *"not a folder that only root"* ]]'

# Held by another process: the stage gives up after ORV_LOCK_WAIT seconds
# and names the holder.
: >"$work/own/held.lock"
flock -o -x "$work/own/held.lock" sleep 60 >/dev/null 2>&1 &
holder=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
  flock -n -s "$work/own/held.lock" true || break
  sleep 0.2
done
begin "$work/own/held.lock"
check "a lock held elsewhere is given up after ORV_LOCK_WAIT seconds, naming its holder" \
  eval '[ $status -ne 0 ] && [ $status -ne 124 ] && [ $took -lt 20 ] &&
        [[ $said == *"gave up after 2 s waiting for the lock $work/own/held.lock, held by pid $holder (flock)"* ]]'
release

# The sound case: made as a regular file in a folder only its owner writes,
# and held while the stage runs (another process cannot take it exclusively).
status=0 took=0 said=""
out=$(ORV_AARCH64_LOCK=$work/own/aarch64.lock bash -c '
  source "$1/scripts/foreign-arch.sh"
  foreign_lock aarch64 -s || exit 1
  [ -f "$2" ] && [ ! -L "$2" ] || exit 2
  flock -n -x "$2" true && exit 3
  foreign_unlock aarch64
  flock -n -x "$2" true || exit 4' lock "$root" "$work/own/aarch64.lock" 2>&1)
status=$?
said=$out
check "a lock in a folder only its owner writes is made and held" eval '[ $status -eq 0 ]'

checks_summary "lock tests"
