#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian 12 x86-64
# machine, and makes sure i386 and aarch64 (64-bit ARM) programs run:
# natively where the kernel runs them; elsewhere through Debian's user-mode
# emulator (qemu-user-static), registered with binfmt_misc here
# (registrations last until the next boot; every run of this script checks).
# An x86-64 kernel never runs aarch64 programs, so the emulator is always
# installed and registered for them; for i386 only where the kernel does not
# run i386 programs (IA32 emulation off).
# Ends with one line per architecture saying how its programs run, or why
# they cannot.
# Idempotent: what is already present is left alone, so a second run is quick.
# With ORV_I386_EMULATE=1 the i386 registration is left to the test
# commands, which register the emulator only while their i386 stages run
# (see scripts/foreign-arch.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/foreign-arch.sh
source "$here/foreign-arch.sh"

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
install() {
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=900 update -qq &&
    apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "$@"
}

# Debian's i386 and arm64 packages: the 32-bit and the arm64 JDK and
# Google Benchmark, and the C libraries they bring.
for arch in i386 arm64; do
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    dpkg --add-architecture "$arch"
  fi
done

# The aarch64 build: Clang with --target=aarch64-linux-gnu (installed with
# clang), Debian's arm64 cross C library, GCC runtime and C++ library, and
# the arm64 binutils (cmake/toolchains/aarch64.cmake); GCC's own arm64 cross
# compiler would remove g++-multilib, which builds the i386 library.
for p in cmake ninja-build g++ g++-multilib clang llvm libclang-rt-14-dev \
         googletest libbenchmark-dev openjdk-17-jdk-headless junit5 \
         openjdk-17-jdk-headless:i386 libbenchmark-dev:i386 \
         libc6-dev-arm64-cross libstdc++-12-dev-arm64-cross libgcc-12-dev-arm64-cross \
         binutils-aarch64-linux-gnu openjdk-17-jdk-headless:arm64 libbenchmark-dev:arm64 \
         "$FOREIGN_EMULATOR_PACKAGE" \
         binutils file util-linux mount e2fsprogs dpkg-dev pkgconf lintian \
         debootstrap tzdata python3 \
         maven libmaven-resources-plugin-java libmaven-compiler-plugin-java libsurefire-java \
         libmaven-jar-plugin-java libmaven-deploy-plugin-java gradle; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  install "${need[@]}"
fi

# A kernel that does not run the architecture's programs: the emulator takes
# them. Prints the line for the architecture.
register_if_needed() {
  local arch=$1 reason=""
  foreign_arch "$arch"
  if ! foreign_forced && ! foreign_mode "$arch" &&
      [[ $(fa_get REASON) == "this kernel does not run $arch programs"* ]] &&
      [ "$(id -u)" -eq 0 ]; then
    if ! have "$FOREIGN_EMULATOR_PACKAGE" && ! install "$FOREIGN_EMULATOR_PACKAGE" >/dev/null; then
      reason="the emulator (package $FOREIGN_EMULATOR_PACKAGE) could not be installed"
    elif ! foreign_register "$arch"; then
      reason=$(fa_get REASON)
    fi
  fi
  if [ -n "$reason" ]; then
    echo "$arch programs: unavailable: this kernel does not run $arch programs and $reason"
  elif foreign_plan "$arch" && foreign_forced; then
    echo "$arch programs: emulated ($(fa_get VIA)) on request: registered while the $arch stages run"
  else
    echo "$arch programs: $(foreign_mode_line "$arch")"
  fi
}
register_if_needed i386
register_if_needed aarch64
