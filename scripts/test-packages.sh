#!/usr/bin/env bash
# Tests the Debian packages end to end, as root on a Debian 12 machine:
#   1. builds the x86_64, i386 and aarch64 packages (build/pkg-x86_64,
#      build/pkg-i386, build/pkg-aarch64),
#   2. checks them with lintian (no error allowed) and checks their fields,
#   3. installs the three architectures side by side,
#   4. runs the demo jar on the 64-bit, the 32-bit and the arm64 JVM with no
#      library path,
#   5. builds the C++ consumer in tests/package against the installed
#      packages, through find_package and through pkg-config, for each
#      architecture, and runs each build without LD_LIBRARY_PATH: its texts,
#      and the exceptions of the library meeting the program's C++ runtime
#      (caught, held, nested, and with the program's operator new throwing
#      inside the library),
#   6. removes the packages again.
# The i386 and aarch64 steps of 4 and 5 run between foreign_begin and
# foreign_end (see scripts/foreign-arch.sh): under the emulator where the
# kernel does not run their programs (aarch64 ones, on an x86-64 machine) or
# ORV_I386_EMULATE=1 asks for it; where they cannot run at all, each of them
# fails with the reason.
# The packages are removed on every exit, failures and interruptions
# included; packages of the same names installed before are replaced and
# removed too. Ends with "package tests: N passed, M failed" and exits
# non-zero if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
# shellcheck source=scripts/foreign-arch.sh
source scripts/foreign-arch.sh
bash scripts/setup.sh || { echo "package tests: 0 passed, 1 failed"; exit 1; }

# shellcheck source=scripts/lib/arch.sh
source scripts/lib/arch.sh  # all_archs, deb_arch, triplet, jvm_of, jvm_arch, jvm_name
# shellcheck source=scripts/lib/checks.sh
source scripts/lib/checks.sh
version=$ORV_VERSION
declare -A bits=([x86_64]=64 [i386]=32 [aarch64]=64)
# What file(1) says of a program of each architecture.
declare -A machine=([x86_64]="x86-64" [i386]="Intel 80386" [aarch64]="ARM aarch64")
# The compiler of a pkg-config consumer (C++17, which Clang 14 does not
# default to), and the toolchain file of a CMake one.
declare -A cxx=([x86_64]="g++" [i386]="g++ -m32" [aarch64]="clang++ --target=aarch64-linux-gnu -std=c++17")
declare -A toolchain=([i386]=$root/cmake/toolchains/i386.cmake
                      [aarch64]=$root/cmake/toolchains/aarch64.cmake)
installed_names=(libquonvop4j-java libquonvop4j-dev:amd64 libquonvop4j-dev:i386
                 libquonvop4j-dev:arm64 libquonvop4j:amd64 libquonvop4j:i386 libquonvop4j:arm64)

work=$(mktemp -d /tmp/quonvop4j-packages.XXXXXX)

# is_present NAME: true when dpkg knows NAME in any state but not-installed.
is_present() {
  local status
  status=$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null) || return 1
  [ -n "$status" ] && [ "$status" != not-installed ]
}

# Purges whichever of the packages are installed; true when none is left.
remove_packages() {
  local present=() name
  for name in "${installed_names[@]}"; do
    if is_present "$name"; then
      present+=("$name")
    fi
  done
  if [ ${#present[@]} -gt 0 ]; then
    dpkg --purge "${present[@]}" || return 1
  fi
  for name in "${installed_names[@]}"; do
    if is_present "$name"; then
      return 1
    fi
  done
  return 0
}

finish() {
  trap - EXIT INT TERM
  foreign_end i386
  foreign_end aarch64
  remove_packages >/dev/null 2>&1 || echo "warning: packages could not all be removed"
  rm -rf "$work"
}
trap finish EXIT
trap 'echo "interrupted"; failed=$((failed + 1)); echo "package tests: $passed passed, $failed failed"; exit 130' INT TERM

# Each step (check NAME COMMAND...) starts with a heading.
check_started() { echo "--- $1"; }

debs() {  # the package files of one architecture's build
  ls "$root/build/pkg-$1"/*.deb 2>/dev/null
}

build_packages() {
  local arch=$1 dir=$root/build/pkg-$1
  cmake --preset "$arch" -B "$dir" -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null &&
    cmake --build "$dir" &&
    rm -f "$dir"/*.deb &&
    (cd "$dir" && cpack -G DEB >/dev/null 2>&1) &&
    debs "$arch"
}

run_lintian() {
  local files
  mapfile -t files < <(debs "$1")
  [ ${#files[@]} -gt 0 ] && lintian --fail-on error --info "${files[@]}" 2>&1 |
    grep -v '^running with root privileges'
  return "${PIPESTATUS[0]}"
}

# field FILE NAME: one field of a package's control file.
field() { dpkg-deb --field "$1" "$2"; }

check_fields() {
  local arch=$1 dir=$root/build/pkg-$1 a=${deb_arch[$1]} ok=0 pkg
  for pkg in libquonvop4j libquonvop4j-dev; do
    local f=$dir/${pkg}_${version}_${a}.deb
    [ -f "$f" ] || { echo "missing $f"; return 1; }
    [ "$(field "$f" Architecture)" = "$a" ] || { echo "$pkg: Architecture"; ok=1; }
    [ "$(field "$f" Multi-Arch)" = same ] || { echo "$pkg: Multi-Arch"; ok=1; }
  done
  # The installed library is the one on the system's C++ runtime.
  local depends
  depends=$(field "$dir/libquonvop4j_${version}_${a}.deb" Depends)
  [[ $depends == *"libc6 (>= "* ]] ||
    { echo "libquonvop4j: Depends lacks the computed libc6: $depends"; ok=1; }
  [[ $depends == *"libstdc++6 (>= "* ]] ||
    { echo "libquonvop4j: Depends lacks the computed libstdc++6: $depends"; ok=1; }
  [ "$(field "$dir/libquonvop4j-dev_${version}_${a}.deb" Depends)" = "libquonvop4j (= $version)" ] ||
    { echo "libquonvop4j-dev: Depends"; ok=1; }
  if [ "$arch" = x86_64 ]; then
    local j=$dir/libquonvop4j-java_${version}_all.deb
    [ -f "$j" ] || { echo "missing $j"; return 1; }
    [ "$(field "$j" Architecture)" = all ] || { echo "java: Architecture"; ok=1; }
  elif [ -e "$dir/libquonvop4j-java_${version}_all.deb" ]; then
    echo "the jar package is built by the x86_64 build only"; ok=1
  fi
  return $ok
}

install_packages() {
  local files=()
  mapfile -t -O 0 files < <(debs x86_64; debs i386; debs aarch64)
  [ ${#files[@]} -eq 7 ] || { echo "expected 7 packages, have ${#files[@]}"; return 1; }
  remove_packages >/dev/null || return 1
  dpkg -i "${files[@]}" >/dev/null || return 1
  local arch
  for arch in "${all_archs[@]}"; do
    [ -f "/usr/lib/${triplet[$arch]}/jni/libquonvop4j.so" ] || return 1
  done
  [ -e /usr/share/java/quonvop4j.jar ]
}

# Runs with a clean environment for the loader and the JVM, away from the
# source tree, so only the installed files can be found.
clean_run() {
  (cd "$work" && env -u LD_LIBRARY_PATH -u JAVA_TOOL_OPTIONS -u _JAVA_OPTIONS \
     -u JDK_JAVA_OPTIONS -u CLASSPATH "$@")
}

run_demo() {
  local arch=$1 out expected
  expected="Application PackageTest uses libquonvop4j $version, released $ORV_RELEASE_DATE (${jvm_arch[$arch]})"
  out=$(clean_run "$root/scripts/run-jvm.sh" --short "${jvm_of[$arch]}" -Xcheck:jni -jar /usr/share/java/quonvop4j.jar PackageTest 2>&1)
  local rc=$?
  echo "$out"
  [ $rc -eq 0 ] && [ "$out" = "$expected" ]
}

# run_consumer ARCH PROGRAM [ARG]: runs a consumer and checks that the
# loader took the installed library of the right architecture (listed by
# the program's own loader, as ldd does; ldd knows no arm64 loader).
run_consumer() {
  local arch=$1 program=$2 lib=/usr/lib/${triplet[$1]}/jni/libquonvop4j.so
  shift 2
  local kind libs
  kind=$(file -L "$program") && libs=$(clean_run env LD_TRACE_LOADED_OBJECTS=1 "$program") ||
    return 1
  [[ $kind == *"ELF ${bits[$arch]}-bit"*", ${machine[$arch]},"* ]] ||
    { echo "not a ${bits[$arch]}-bit ${machine[$arch]} program: $kind"; return 1; }
  [[ $libs == *"libquonvop4j.so => $lib "* ]] ||
    { echo "libquonvop4j.so does not resolve to $lib:"; echo "$libs"; return 1; }
  clean_run "$program" "$@"
}

# consumer_configure ARCH DIR [CMAKE OPTIONS...]: configures the consumer,
# asking for exactly this version; the i386 and aarch64 ones with their
# toolchain files.
consumer_configure() {
  local arch=$1 dir=$2 flags=()
  shift 2
  [ -z "${toolchain[$arch]:-}" ] || flags=(--toolchain "${toolchain[$arch]}")
  cmake -S "$root/tests/package" -B "$dir" -G Ninja "${flags[@]}" \
    -DQUONVOP4J_VERSION="$version" "$@"
}

consumer_cmake() {
  local arch=$1 dir=$work/cmake-$1
  consumer_configure "$arch" "$dir" >/dev/null &&
    cmake --build "$dir" >/dev/null &&
    run_consumer "$arch" "$dir/consumer"
}

# A 64-bit consumer pointed at the i386 package must not take it (nor fall
# back to the 64-bit one, which is hidden from it here, also where /lib is
# /usr/lib).
consumer_refuses_i386() {
  local out dir=$work/cmake-refuse package=cmake/quonvop4j
  if out=$(consumer_configure x86_64 "$dir" \
             "-DCMAKE_IGNORE_PATH=/usr/lib/${triplet[x86_64]}/$package;/lib/${triplet[x86_64]}/$package" \
             -Dquonvop4j_DIR="/usr/lib/${triplet[i386]}/$package" 2>&1); then
    echo "a 64-bit consumer configured, with $(grep '^quonvop4j_DIR:' "$dir/CMakeCache.txt")"
    return 1
  fi
  grep -q '(32bit)' <<<"$out" || { echo "$out"; return 1; }
}

# consumer_exceptions ARCH PROGRAM: a consumer built by consumer_cmake or
# consumer_pkgconfig, with exceptions of the library: caught, held and
# nested, then with its operator new throwing inside the library (each a
# process of its own).
consumer_exceptions() {
  run_consumer "$1" "$2" throw && run_consumer "$1" "$2" allocation
}

consumer_pkgconfig() {
  local arch=$1 program=$work/pkgconfig-$1 flags
  flags=$(PKG_CONFIG_LIBDIR=/usr/lib/${triplet[$arch]}/pkgconfig pkg-config --cflags --libs quonvop4j) ||
    return 1
  echo "pkg-config: $flags"
  # shellcheck disable=SC2086  # the compiler and the flags are words
  ${cxx[$arch]} -Wall -Wextra -Werror -o "$program" "$root/tests/package/main.cpp" $flags &&
    run_consumer "$arch" "$program"
}

remove_and_verify() {
  remove_packages >/dev/null || return 1
  local arch
  for arch in "${all_archs[@]}"; do
    [ ! -e "/usr/lib/${triplet[$arch]}/jni/libquonvop4j.so" ] || return 1
    [ ! -e "/usr/lib/${triplet[$arch]}/pkgconfig/quonvop4j.pc" ] || return 1
  done
  [ ! -e /usr/share/java/quonvop4j.jar ] && [ ! -e /usr/include/quonvop4j ]
}

# run_checks ARCH [RUNNER]: the demo and the C++ consumers of one
# architecture, each started through RUNNER if given.
run_checks() {
  local arch=$1 runner=("${@:2}")
  check "demo on the ${jvm_name[$arch]} JVM" "${runner[@]}" run_demo "$arch"
  check "C++ consumer $arch (find_package)" "${runner[@]}" consumer_cmake "$arch"
  check "C++ consumer $arch (pkg-config)" "${runner[@]}" consumer_pkgconfig "$arch"
  check "C++ consumer $arch (find_package) shares the library's exceptions" \
    "${runner[@]}" consumer_exceptions "$arch" "$work/cmake-$arch/consumer"
  check "C++ consumer $arch (pkg-config) shares the library's exceptions" \
    "${runner[@]}" consumer_exceptions "$arch" "$work/pkgconfig-$arch"
}

# Stands in for a step of ARCH ($cannot_arch) where its programs cannot
# run: fails with the reason.
cannot_run() {
  foreign_arch "$cannot_arch"
  echo "$cannot_arch programs cannot run here: $(fa_get REASON)"
  return 1
}

built=1
for arch in "${all_archs[@]}"; do
  check "build $arch packages" build_packages "$arch" || true
  [ -n "$(debs "$arch")" ] || built=0
done

if [ $built -eq 1 ]; then
  for arch in "${all_archs[@]}"; do
    check "lintian $arch" run_lintian "$arch"
    check "fields $arch" check_fields "$arch"
  done
  check "install the three architectures" install_packages
  run_checks x86_64
  check "64-bit consumer refuses the i386 package" consumer_refuses_i386
  # Only the i386 and aarch64 steps hold their architecture's lock.
  for arch in i386 aarch64; do
    if foreign_begin "$arch"; then
      run_checks "$arch"
      foreign_end "$arch"
    else
      cannot_arch=$arch
      run_checks "$arch" cannot_run
    fi
  done
  check "remove the packages" remove_and_verify
else
  echo "packages missing: install and run steps skipped"
fi

checks_summary "package tests"
