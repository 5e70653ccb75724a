#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian 12 machine,
# and makes sure i386 programs run: natively where the kernel runs them (then
# nothing more is installed or registered); elsewhere through Debian's
# user-mode emulator, installed and registered with binfmt_misc here
# (registrations last until the next boot; every run of this script checks).
# Ends with one line saying how i386 programs run, or why they cannot.
# Idempotent: what is already present is left alone, so a second run is quick.
# With ORV_I386_EMULATE=1 it installs the emulator even where the kernel runs
# i386 programs; the test commands then register it only while their i386
# stages run (see scripts/i386.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/i386.sh
source "$here/i386.sh"

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
install() {
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=900 update -qq &&
    apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "$@"
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

for p in cmake ninja-build g++ g++-multilib clang llvm libclang-rt-14-dev \
         googletest libbenchmark-dev openjdk-17-jdk-headless junit5 \
         openjdk-17-jdk-headless:i386 libbenchmark-dev:i386 binutils file util-linux dpkg-dev pkgconf lintian \
         debootstrap tzdata python3 \
         maven libmaven-resources-plugin-java libmaven-compiler-plugin-java libsurefire-java \
         libmaven-jar-plugin-java libmaven-deploy-plugin-java gradle; do
  have "$p" || need+=("$p")
done
if i386_forced; then
  have "$I386_EMULATOR_PACKAGE" || need+=("$I386_EMULATOR_PACKAGE")
fi

if [ ${#need[@]} -gt 0 ]; then
  install "${need[@]}"
fi

# A kernel without 32-bit execution: the emulator takes i386 programs.
reason=""
if ! i386_forced && ! i386_mode && [[ $I386_REASON == "this kernel does not run i386 programs"* ]] &&
    [ "$(id -u)" -eq 0 ]; then
  if ! have "$I386_EMULATOR_PACKAGE" && ! install "$I386_EMULATOR_PACKAGE" >/dev/null; then
    reason="the emulator (package $I386_EMULATOR_PACKAGE) could not be installed"
  elif ! i386_register; then
    reason=$I386_REASON
  fi
fi

if [ -n "$reason" ]; then
  echo "i386 programs: unavailable: this kernel does not run i386 programs and $reason"
elif i386_plan && i386_forced; then
  echo "i386 programs: emulated ($I386_VIA) on request: registered while the i386 stages run"
else
  echo "i386 programs: $(i386_mode_line)"
fi
