#!/usr/bin/env bash
# The mirror scripts/test-bullseye.sh makes its Debian 11 root from, chosen
# from made-up machines (ORV_HOST_ROOT): the Debian archive's entry among
# others in either format of apt's sources, and a failure that says why
# where the machine has none. Ends with "mirror choice: N passed, M failed".
set -u
scripts=$(dirname "$0")/../../scripts
script=$scripts/test-bullseye.sh
# shellcheck source=scripts/lib/checks.sh
source "$scripts/lib/checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# machine NAME ID CODENAME [FILE TEXT]...: a root whose os-release names the
# system and whose etc/apt holds the files (text with \n for new lines).
machine() {
  local root=$work/$1
  mkdir -p "$root/etc/apt/sources.list.d"
  printf 'ID=%s\nVERSION_CODENAME=%s\n' "$2" "$3" >"$root/etc/os-release"
  shift 3
  while [ $# -gt 0 ]; do
    printf '%b' "$2" >"$root/etc/apt/$1"
    shift 2
  done
}

# expect NAME MIRROR: the choice on machine NAME prints MIRROR, or with
# MIRROR "fails", fails with the message and prints nothing.
expect() {
  want=$2
  out=$(ORV_HOST_ROOT=$work/$1 bash "$script" --mirror 2>"$work/err")
  rc=$? err=$(cat "$work/err")
  check "$1" chosen
}
chosen() {
  if [ "$want" = fails ]; then
    [ "$rc" != 0 ] && [ -z "$out" ] &&
      [[ $err == *"no Debian archive in the machine's apt sources"* ]]
  else
    [ "$rc" = 0 ] && [ "$out" = "$want" ]
  fi
}
check_failed() { echo "  exit $rc; out: $out; err: $err"; }

keyring=/usr/share/keyrings/debian-archive-keyring.gpg
machine deb822-after-others debian bookworm \
  sources.list.d/a-vendor.sources "Types: deb\nURIs: https://vendor.invalid/apt\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/vendor.gpg\n" \
  sources.list.d/debian.sources "Types: deb\nURIs: http://mirror.invalid/archive-security\nSuites: bookworm-security\nComponents: main\nSigned-By: $keyring\n\nEnabled: no\nTypes: deb\nURIs: http://disabled.invalid/archive\nSuites: bookworm\nComponents: main\n\n# the archive\ntypes: deb-src deb\nURIs: http://mirror.invalid/archive\nSuites: bookworm bookworm-updates\nComponents: main contrib\nSigned-By: $keyring\n"
expect deb822-after-others http://mirror.invalid/archive
machine one-line-after-others debian bookworm \
  sources.list "# deb http://commented.invalid/archive bookworm main\ndeb-src http://source.invalid/archive bookworm main\ndeb [arch=amd64] http://browser.invalid/deb/ stable main\ndeb http://containers.invalid/linux/distro bookworm stable\n  deb [ arch=amd64 signed-by=$keyring ] http://list.invalid/archive bookworm main contrib\n" \
  sources.list.d/z.list "deb http://later.invalid/archive bullseye main\n"
expect one-line-after-others http://list.invalid/archive
machine none-of-debian ubuntu jammy \
  sources.list "deb http://ubuntu.invalid/ubuntu jammy main\n" \
  sources.list.d/debian.sources.disabled "Types: deb\nURIs: http://disabled.invalid/archive\nSuites: bullseye\nComponents: main\n" \
  sources.list.d/vendor.list "deb http://vendor.invalid/apt vendor-bookworm main\n"
expect none-of-debian fails

checks_summary "mirror choice"
