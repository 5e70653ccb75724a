#!/usr/bin/env bash
# Builds the library for every architecture (in the x86_64, i386 and
# aarch64 presets' build folders) and assembles the one jar for every JVM,
# build/dist/quonvop4j-<version>.jar: the classes of com.quon.vop for Java 8
# and later, the module descriptor for Java 9 and later, and the three
# libraries, without their debugging information, as
# native/linux-x86_64/libquonvop4j.so, native/linux-i386/libquonvop4j.so and
# native/linux-aarch64/libquonvop4j.so, each with its recorded size and
# CRC-32. Lays the jar out in a Maven 2 repository, build/dist/maven, as
# com.quon.vop:quonvop4j:<version> with its pom, sources, API documentation
# and checksums (java/MavenRepository.cmake).
#
#   bash scripts/dist.sh          # builds the jar and the repository
#   bash scripts/dist.sh --test   # and tests the jar (tests/java/test-jar.sh) on the
#                                 # 64-bit, the 32-bit and the arm64 JVM, JDK 25
#                                 # and JDK 11, and the repository with a consumer
#                                 # project (tests/java/test-maven.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
test=0
[ "${1:-}" = "--test" ] && test=1

bash scripts/setup.sh
# shellcheck source=scripts/lib/arch.sh
source scripts/lib/arch.sh  # all_archs, jvm_of

jdk=$ORV_JDK_X86_64
jar=$root/build/dist/quonvop4j-$ORV_VERSION.jar

for preset in "${all_archs[@]}"; do
  cmake --preset "$preset" >/dev/null
done
cmake --build --preset x86_64 --target quonvop4j quonvop4j_java
cmake --build --preset i386 --target quonvop4j
cmake --build --preset aarch64 --target quonvop4j

cmake -DCLASSES_JAR="$root/build/x86_64/java/quonvop4j.jar" -DOUTPUT="$jar" \
      -DJAR_TOOL="$jdk/bin/jar" -DSTRIP="$(command -v strip)" \
      "-DSTRIP_FOR=linux-aarch64=$(command -v aarch64-linux-gnu-strip)" \
      "-DLIBRARIES=linux-x86_64=$root/build/x86_64/libquonvop4j.so;linux-i386=$root/build/i386/libquonvop4j.so;linux-aarch64=$root/build/aarch64/libquonvop4j.so" \
      -P java/BundleLibraries.cmake
echo "built ${jar#"$root"/} ($(stat -c %s "$jar") bytes)"

# The same jar as com.quon.vop:quonvop4j:<version> in a Maven 2 repository,
# with its pom, sources, API documentation and checksums.
maven=$root/build/dist/maven
cmake -DJAR="$jar" -DOUTPUT="$maven" -DJDK="$jdk" -P java/MavenRepository.cmake
echo "laid out ${maven#"$root"/}: com.quon.vop:quonvop4j:$ORV_VERSION"

if [ $test -eq 1 ]; then
  status=0
  bash tests/java/test-jar.sh "$jar" "${jvm_of[x86_64]}" "${jvm_of[i386]}" "${jvm_of[aarch64]}" ||
    status=1
  bash tests/java/test-maven.sh "$maven" "$jar" || status=1
  exit $status
fi
