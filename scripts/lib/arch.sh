# shellcheck shell=bash disable=SC2034  # the tables are for the scripts that source this file
# The architectures the library is built for, each by its preset's name, and
# what the scripts need to know of each: sourced, never run. Reads
# cmake/project.env (the JDK folders). A bundled library sits in the jar as
# native/linux-<architecture>/libquonvop4j.so.
#
# (How this machine runs the programs of i386 and aarch64 is
# scripts/foreign-arch.sh's business.)

# shellcheck source=cmake/project.env
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/project.env"

all_archs=(x86_64 i386 aarch64)
# Debian's name of the architecture, which its packages carry.
declare -A deb_arch=([x86_64]=amd64 [i386]=i386 [aarch64]=arm64)
# Its multiarch triplet: the libraries are in /usr/lib/<triplet>.
declare -A triplet=([x86_64]=x86_64-linux-gnu [i386]=i386-linux-gnu [aarch64]=aarch64-linux-gnu)
# Its JVM, which runs its tests.
declare -A jvm_of=([x86_64]=$ORV_JDK_X86_64/bin/java [i386]=$ORV_JDK_I386/bin/java
                   [aarch64]=$ORV_JDK_AARCH64/bin/java)
# What the demo says of that JVM ("amd64, 64-bit JVM"), and what the tests'
# lines call it ("the 64-bit JVM").
declare -A jvm_arch=([x86_64]="amd64, 64-bit JVM" [i386]="i386, 32-bit JVM"
                     [aarch64]="aarch64, 64-bit JVM")
declare -A jvm_name=([x86_64]=64-bit [i386]=32-bit [aarch64]=arm64)
