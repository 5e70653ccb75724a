#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian 12 machine.
# Idempotent: packages already present are left alone, so a second run is quick.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

for p in cmake ninja-build g++ g++-multilib clang llvm libclang-rt-14-dev \
         googletest libbenchmark-dev openjdk-17-jdk-headless junit5 \
         openjdk-17-jdk-headless:i386 libbenchmark-dev:i386 binutils file util-linux dpkg-dev pkgconf lintian \
         debootstrap; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
