#!/usr/bin/env bash
# The jar with the native libraries inside, as a user meets it. For each JVM
# given whose architecture the jar carries:
#   - the demo from an empty folder with no option: its line and nothing else,
#     and nothing left in the temporary folder (a fresh /tmp of its own);
#   - the load order: java.library.path before the bundled copy, a broken
#     library there does not stop the bundled copy, com.quon.vop.library before
#     both and, once set, the only place tried; the classes and the bundled
#     copy read from a folder rather than a jar;
#   - each way the bundled copy can fail ends in an UnsatisfiedLinkError that
#     names the property changing it, leaves nothing behind and never loads a
#     partial file: no copy for the architecture, a folder mounted noexec, a
#     full one, a read-only one, one the user may not write, a truncated, a
#     lengthened (copied no further than one byte past its record) and a
#     corrupted resource, a record with a malformed \u escape;
#   - under a security manager, called by an application granted almost
#     nothing: the library loads with the jar's own permissions where a policy
#     grants the jar AllPermission, and where the jar is granted as little,
#     the UnsatisfiedLinkError lists each step the manager refused.
# Then the demo on the newest JDK (JDK 25, without a warning; the flag for the
# class path and the module path), and on JDK 11 from the Debian 11 root that
# the older-distribution stage keeps; each skipped with one line when absent.
# As root: the mounts happen in private mount namespaces (unshare -m), and the
# unwritable folder is tried as the user nobody. Ends with
# "jar tests: N passed, M failed, K skipped".
#
# Usage: test-jar.sh <jar> <java>...
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/lib/arch.sh
source "$root/scripts/lib/arch.sh"  # with cmake/project.env
# shellcheck source=scripts/foreign-arch.sh
source "$root/scripts/foreign-arch.sh"  # foreign_handler_for
# shellcheck source=scripts/lib/checks.sh
source "$root/scripts/lib/checks.sh"
source_jar=$(realpath "$1")
shift
jvms=("$@")
newest_java=${ORV_NEWEST_JAVA:-$ORV_JDK_NEWEST/bin/java}
bullseye=${ORV_BULLSEYE_ROOT:-$ORV_BULLSEYE_CACHE}
version=$ORV_VERSION

# The scratch folder, with a copy of the jar, is not in /tmp: some runs get a
# /tmp of their own, which would hide it.
work=$(mktemp -d /var/tmp/orv-jar-test.XXXXXX)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/empty" "$work/mnt" "$work/jar"
jar=$work/jar/$(basename "$source_jar")
cp "$source_jar" "$jar"

if [ "$(id -u)" -ne 0 ]; then
  skip "all: the jar tests mount file systems and change users, as root only"
  checks_summary "jar tests" --skipped
  exit
fi
unshare_mount=(unshare -m --propagation private)

# A jar tool for taking the jar apart and making damaged copies of it: the
# 64-bit JDK's where there is one (a 32-bit one under the emulator would run
# with its compilers, which crash there).
jar_tool=""
for candidate in "$ORV_JDK_X86_64/bin/jar" "$(dirname "$(realpath "${jvms[0]}")")/jar"; do
  [ -x "$candidate" ] && { jar_tool=$candidate; break; }
done
[ -n "$jar_tool" ] || { echo "test-jar.sh: no jar tool"; exit 1; }
(cd "$work" && "$jar_tool" --extract --file "$jar" native) || exit 1
# The whole jar unpacked, as a class path folder.
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && "$jar_tool" --extract --file "$jar") || exit 1

# An application outside the jar that installs a security manager and runs
# the demo, as an application server runs code it trusts less than the jar.
# The policies grant it only the two properties the demo prints, and the jar
# either everything or the same.
mkdir -p "$work/app"
cat >"$work/SandboxedApp.java" <<'EOF'
public final class SandboxedApp {
    public static void main(String[] args) {
        System.setSecurityManager(new SecurityManager());
        com.quon.vop.Demo.main(args);
    }
}
EOF
"$(dirname "$jar_tool")/javac" --release 8 -cp "$jar" -d "$work/app" "$work/SandboxedApp.java" || exit 1
app_permissions='permission java.util.PropertyPermission "os.arch", "read";
  permission java.util.PropertyPermission "sun.arch.data.model", "read";'
printf 'grant codeBase "file:%s" { permission java.security.AllPermission; };\ngrant codeBase "file:%s/app/" { %s };\n' \
  "$jar" "$work" "$app_permissions" >"$work/jar-trusted.policy"
printf 'grant codeBase "file:%s" { %s };\ngrant codeBase "file:%s/app/" { %s };\n' \
  "$jar" "$app_permissions" "$work" "$app_permissions" >"$work/jar-untrusted.policy"

# run TMPFS-OPTIONS MOUNT-POINT COMMAND...: runs COMMAND in the empty folder,
# in a private mount namespace where a fresh tmpfs with the options is mounted
# on the mount point; sets out, err, rc and left (what is on the tmpfs after,
# the JVM's performance-data folder aside). The environment is cleared of
# variables that would add JVM options, and Debian's JNI folders are hidden,
# so an installed libquonvop4j package cannot stand in for the jar's copy.
jni_folders=""
for arch in "${all_archs[@]}"; do
  jni_folders+="/usr/lib/${triplet[$arch]}/jni "
done
jni_folders+=/usr/lib/jni
run() {
  local options=$1 point=$2
  shift 2
  "${unshare_mount[@]}" -- bash -c '
    for jni in $4; do
      [ ! -d "$jni" ] || mount -t tmpfs -o ro,size=4k orv-no-jni "$jni" || exit 99
    done
    mount -t tmpfs -o "$1" orv-jar-test "$2" || exit 99
    work=$3 point=$2
    shift 4
    (cd "$work/empty" && env -u JAVA_TOOL_OPTIONS -u _JAVA_OPTIONS -u JDK_JAVA_OPTIONS \
       -u CLASSPATH -u LD_LIBRARY_PATH "$@") >"$work/out" 2>"$work/err"
    echo $? >"$work/rc"
    ls -A "$point" | grep -v "^hsperfdata_" >"$work/left"
    true' run "$options" "$point" "$work" "$jni_folders" "$@"
  local status=$?
  out=$(cat "$work/out" 2>/dev/null) err=$(cat "$work/err" 2>/dev/null)
  rc=$(cat "$work/rc" 2>/dev/null || echo "$status") left=$(cat "$work/left" 2>/dev/null)
  rm -f "$work/out" "$work/err" "$work/rc" "$work/left"
  [ "$status" -eq 0 ] || { err="mount namespace failed ($status): $err"; rc=99; }
}

# A failed case (check NAME COMMAND...) shows what its last run did.
check_failed() {
  echo "  exit $rc; out: $out"
  echo "  err: $err"
  [ -z "$left" ] || echo "  left behind: $left"
}

# The demo's line and nothing left behind; demo_ok: nothing on standard error either.
demo_line() {
  [ "$rc" = 0 ] && [ "$out" = "Application Demo uses libquonvop4j $version, released $ORV_RELEASE_DATE ($expected_arch)" ] &&
    [ -z "$left" ]
}
demo_ok() {
  demo_line && [ -z "$err" ]
}

# refused TEXT...: an UnsatisfiedLinkError whose message holds each TEXT,
# no JVM crash report, nothing left behind.
refused() {
  local text
  [ "$rc" != 0 ] && [ "$rc" != 99 ] && [ -z "$left" ] || return 1
  [[ $err == *"java.lang.UnsatisfiedLinkError: libquonvop4j.so could not be loaded; tried: "* ]] || return 1
  [[ "$out$err" != *"A fatal error has been detected"* ]] || return 1
  for text in "$@"; do
    [[ $err == *"$text"* ]] || return 1
  done
}

# jar_with NAME EDIT: a copy of the jar whose bundled library or its record
# EDIT changed.
jar_with() {
  local name=$1 edit=$2 copy=$work/$1.jar dir=$work/$1
  mkdir -p "$dir/native/$platform"
  cp "$work/native/$platform/libquonvop4j.so" "$work/native/$platform/libquonvop4j.properties" \
    "$dir/native/$platform/"
  local file=$dir/native/$platform/libquonvop4j.so size
  size=$(stat -c %s "$file")
  case $edit in
    truncate) truncate -s $((size / 2)) "$file" ;;
    lengthen) truncate -s $((size + 200 * 1024)) "$file" ;;
    corrupt) printf '\x55' | dd of="$file" bs=1 seek=$((size / 2)) conv=notrunc status=none ;;
    bad-escape) printf 'note=\\u00zz\n' >>"${file%.so}.properties" ;;
  esac
  cp "$jar" "$copy"
  "$jar_tool" --update --file "$copy" -C "$dir" "native/$platform/libquonvop4j.so" \
    -C "$dir" "native/$platform/libquonvop4j.properties" || return 1
  echo "$copy"
}

test_jvm() {
  local java=$1 arch bits
  arch=$("$java" -XshowSettings:properties -version 2>&1 | sed -n 's/^ *os.arch = //p')
  bits=$("$java" -XshowSettings:properties -version 2>&1 | sed -n 's/^ *sun.arch.data.model = //p')
  case $arch in
    amd64 | x86_64) platform=linux-x86_64 ;;
    i386 | i486 | i586 | i686 | x86) platform=linux-i386 ;;
    aarch64 | arm64) platform=linux-aarch64 ;;
    *) platform=linux-$arch ;;
  esac
  expected_arch="$arch, $bits-bit JVM"
  # Under the user-mode emulator the JVM gets the options it gets there for
  # a short run (scripts/run-jvm.sh: interpreted).
  local jvm=("$java") emulated=0
  if foreign_handler_for "$(realpath "$java")" >/dev/null; then
    emulated=1
    mapfile -t -O 1 jvm < <("$root/scripts/run-jvm.sh" --emulated-options --short "$java")
  fi
  if [ ! -f "$work/native/$platform/libquonvop4j.so" ]; then
    skip "$java: the jar carries no library for $platform"
    return
  fi
  if [ $emulated -eq 1 ]; then
    echo "--- $java ($platform, under the emulator: ${jvm[*]:1})"
  else
    echo "--- $java ($platform)"
  fi
  local lib=$work/native/$platform/libquonvop4j.so t=$work/mnt libdir=$work/libdir-$platform
  mkdir -p "$libdir" && cp "$lib" "$libdir/"
  # Not an ELF file at all. (A truncated ELF file there would crash the JVM in
  # the dynamic loader, SIGBUS on a segment past the end of the file: the
  # reason the bundled copy is checked before it is loaded.)
  local broken=$work/broken-$platform
  mkdir -p "$broken" && echo "not a library" >"$broken/libquonvop4j.so"

  run size=64m /tmp "${jvm[@]}" -jar "$jar"
  check "$platform: demo from an empty folder with no option, nothing left in /tmp" demo_ok

  run size=64m "$t" "${jvm[@]}" -Djava.library.path="$libdir" -Dcom.quon.vop.tmpdir="$work/none" -jar "$jar"
  check "$platform: java.library.path comes before the bundled copy" demo_ok
  run size=64m "$t" "${jvm[@]}" -Djava.library.path="$broken" -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
  # (The JVM itself warns about the file it could not load.)
  check "$platform: a broken library on java.library.path falls through to the bundled copy" demo_line
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir=../mnt -jar "$jar"
  check "$platform: a relative extraction folder" demo_ok
  if [ "$platform" = linux-aarch64 ]; then
    # Some JVMs name the architecture arm64.
    expected_arch="arm64, $bits-bit JVM"
    run size=64m "$t" "${jvm[@]}" -Dos.arch=arm64 -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
    check "$platform: os.arch arm64 takes the same copy" demo_ok
    expected_arch="$arch, $bits-bit JVM"
  fi
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -cp "$work/unpacked" com.quon.vop.Demo
  check "$platform: the classes and the bundled copy in a class path folder, not a jar" demo_ok
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.library="$libdir/libquonvop4j.so" \
    -Djava.library.path="$work/none" -Dcom.quon.vop.tmpdir="$work/none" -jar "$jar"
  check "$platform: com.quon.vop.library comes first" demo_ok
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.library="$work/none/libquonvop4j.so" \
    -Djava.library.path="$libdir" -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
  check "$platform: com.quon.vop.library, once set, is the only place tried" \
    refused "com.quon.vop.library=$work/none/libquonvop4j.so" "correct or clear com.quon.vop.library"

  run size=64m "$t" "${jvm[@]}" -Dos.arch=sparc -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
  check "$platform: a JVM of an architecture the jar does not carry" \
    refused "no copy for linux-sparc (os.arch sparc) in the jar" "java.library.path: " \
    "set com.quon.vop.library"
  if [ $emulated -eq 1 ]; then
    # The emulator reads the program's code as data and maps nothing
    # executable, so the kernel's noexec never applies to emulated programs.
    skip "$platform: extraction folder mounted noexec: emulated, not judged (the emulator maps no code executable, so noexec does not apply)"
  else
    run noexec,size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
    check "$platform: extraction folder mounted noexec" \
      refused "extracted below $t" "failed to map segment" "set com.quon.vop.tmpdir"
  fi
  run size=256k "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
  check "$platform: extraction folder full" \
    refused "extracted below $t" "No space left on device" "set com.quon.vop.tmpdir"
  run ro,size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
  check "$platform: extraction folder read-only" \
    refused "extracted below $t" "Read-only file system" "set com.quon.vop.tmpdir"
  run size=64m,mode=0555 "$t" setpriv --reuid=65534 --regid=65534 --clear-groups "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$jar"
  check "$platform: extraction folder the user may not write" \
    refused "extracted below $t" "AccessDeniedException" "set com.quon.vop.tmpdir"

  local sandboxed=(-Djava.security.manager=allow -Dcom.quon.vop.tmpdir="$t" -cp "$work/app:$jar" SandboxedApp)
  run size=64m "$t" "${jvm[@]}" -Djava.security.policy=="$work/jar-trusted.policy" "${sandboxed[@]}"
  # (The JVM warns that a security manager was installed.)
  check "$platform: security manager, the jar granted AllPermission and its caller little" demo_line
  run size=64m "$t" "${jvm[@]}" -Djava.security.policy=="$work/jar-untrusted.policy" "${sandboxed[@]}"
  check "$platform: security manager, the jar granted as little as its caller" \
    refused '1. com.quon.vop.library could not be read: AccessControlException: access denied ("java.util.PropertyPermission" "com.quon.vop.library" "read")' \
    '2. java.library.path: AccessControlException: access denied ("java.lang.RuntimePermission" "loadLibrary.quonvop4j")' \
    '3. the copy in the jar: AccessControlException: access denied ("java.util.PropertyPermission" "os.name" "read")' \
    "grant the jar's code base"

  local damaged
  damaged=$(jar_with "truncated-$platform" truncate) || return 1
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$damaged"
  check "$platform: truncated library in the jar" refused "bytes, the jar records" "damaged jar"
  local size
  size=$(stat -c %s "$lib")
  damaged=$(jar_with "lengthened-$platform" lengthen) || return 1
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$damaged"
  check "$platform: lengthened library in the jar, copied to one byte past its record" \
    refused "holds $((size + 1)) bytes, the jar records $size (damaged jar?)"
  damaged=$(jar_with "corrupt-$platform" corrupt) || return 1
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$damaged"
  check "$platform: corrupted library in the jar" refused "has CRC-32" "damaged jar"
  damaged=$(jar_with "bad-escape-$platform" bad-escape) || return 1
  run size=64m "$t" "${jvm[@]}" -Dcom.quon.vop.tmpdir="$t" -jar "$damaged"
  check "$platform: malformed \\u escape in the jar's record of its library" \
    refused "1. com.quon.vop.library not set; 2. java.library.path: " \
    "libquonvop4j.properties: Malformed \\uxxxx encoding. (damaged jar?)"
}

# No warning on the newest JDK: java -jar is covered by the manifest; a class
# path or module path user adds the one flag the README gives.
test_newest() {
  expected_arch="amd64, 64-bit JVM"
  if [ ! -x "$newest_java" ]; then
    skip "newest JDK: none at $newest_java"
    return
  fi
  if [ ! -f "$work/native/linux-x86_64/libquonvop4j.so" ]; then
    skip "newest JDK: the jar carries no library for linux-x86_64"
    return
  fi
  local feature
  feature=$("$newest_java" -XshowSettings:properties -version 2>&1 | sed -n 's/^ *java.specification.version = //p')
  echo "--- $newest_java (JDK $feature)"
  run size=64m /tmp "$newest_java" -jar "$jar"
  check "JDK $feature: java -jar prints the demo line and no warning" demo_ok
  run size=64m /tmp "$newest_java" --enable-native-access=ALL-UNNAMED -cp "$jar" com.quon.vop.Demo
  check "JDK $feature: class path with --enable-native-access=ALL-UNNAMED, no warning" demo_ok
  run size=64m /tmp "$newest_java" --enable-native-access=com.quon.vop -p "$jar" -m com.quon.vop
  check "JDK $feature: module path with --enable-native-access=com.quon.vop, no warning" demo_ok
  run size=64m /tmp "$newest_java" -cp "$jar" com.quon.vop.Demo
  check "JDK $feature: class path without the flag is warned about (the check sees warnings)" \
    eval '[ "$rc" = 0 ] && [[ $err == *"WARNING: A restricted method"* ]]'
}

# JDK 11 of Debian 11, run in the root (chroot, in a private mount namespace:
# the root's /proc, a fresh /tmp, the jar's folder on /mnt; nothing of the
# root changes). The root's own C library runs it when it satisfies the
# library's glibc floor; otherwise the host's C library is mounted over the
# root's, which the test's name says.
test_jdk11() {
  local java11=/usr/lib/jvm/java-11-openjdk-amd64/bin/java
  expected_arch="amd64, 64-bit JVM"
  if [ ! -x "$bullseye$java11" ] || [ ! -d "$bullseye/mnt" ]; then
    skip "JDK 11: no Debian 11 root with openjdk-11-jre-headless at $bullseye"
    return
  fi
  if [ ! -f "$work/native/linux-x86_64/libquonvop4j.so" ]; then
    skip "JDK 11: the jar carries no library for linux-x86_64"
    return
  fi
  local needed have libc
  needed=$(objdump -T "$work/native/linux-x86_64/libquonvop4j.so" | grep -o 'GLIBC_[0-9.]*' |
           sed 's/GLIBC_//' | sort -uV | tail -1)
  libc=$(ls "$bullseye"/usr/lib/x86_64-linux-gnu/libc-*.so 2>/dev/null | head -1)
  have=$(basename "${libc:-libc-?.so}" .so | sed 's/^libc-//')
  local host_libc=0 how="Debian 11's C library $have"
  if [ "$(printf '%s\n%s\n' "$needed" "$have" | sort -V | tail -1)" != "$have" ]; then
    host_libc=1
    how="the host's C library (the library needs GLIBC_$needed, Debian 11 has $have)"
  fi
  echo "--- JDK 11 of Debian 11 ($bullseye) on $how"
  run size=64m "$bullseye/tmp" bash -c '
    root=$1 dir=$2 host=$3
    shift 3
    mount -t proc proc "$root/proc" && mount --bind "$dir" "$root/mnt" || exit 98
    if [ "$host" = 1 ]; then
      for lib in /usr/lib/x86_64-linux-gnu /usr/lib64; do
        mount --bind "$lib" "$root$lib" || exit 98
      done
    fi
    exec chroot "$root" "$@"' jdk11 "$bullseye" "$(dirname "$jar")" "$host_libc" \
    "$java11" -jar "/mnt/$(basename "$jar")"
  check "JDK 11: java -jar prints the demo line, on $how" demo_ok
}

# What the jar is made of: class files for Java 8 (major version 52), the
# module descriptor only where Java 9 and later look, the demo as main class
# with native access enabled, and each bundled library with its record,
# stored uncompressed (inflating it would cost a first load more than the
# rest of the extraction).
jar_layout() {
  local classes=$work/classes entry major ok=0
  mkdir -p "$classes"
  (cd "$classes" && "$jar_tool" --extract --file "$jar") || return 1
  while IFS= read -r entry; do
    major=$(od -An -j6 -N2 -tu1 "$classes/$entry" | awk '{ print $1 * 256 + $2 }')
    case $entry in
      META-INF/versions/9/module-info.class) [ "$major" = 53 ] || { echo "$entry: class version $major"; ok=1; } ;;
      *module-info.class) echo "descriptor outside META-INF/versions/9: $entry"; ok=1 ;;
      *) [ "$major" = 52 ] || { echo "$entry: class version $major, not Java 8's 52"; ok=1; } ;;
    esac
  done < <(cd "$classes" && find . -name '*.class' | sed 's|^\./||')
  local manifest=$classes/META-INF/MANIFEST.MF line
  for line in "Multi-Release: true" "Main-Class: com.quon.vop.Demo" "Enable-Native-Access: ALL-UNNAMED"; do
    grep -q "^$line"$'\r'"\?\$" "$manifest" || { echo "manifest lacks \"$line\""; ok=1; }
  done
  "$jar_tool" --describe-module --file "$jar" --release 9 | grep -q '^exports com.quon.vop$' ||
    { echo "no module com.quon.vop exporting com.quon.vop"; ok=1; }
  local properties
  for properties in "$classes"/native/*/libquonvop4j.properties; do
    grep -q '^size=[0-9]*$' "$properties" && grep -q '^crc32=[0-9a-f]\{8\}$' "$properties" &&
      [ -f "${properties%.properties}.so" ] || { echo "incomplete: $properties"; ok=1; }
    entry=${properties#"$classes"/}
    entry=${entry%.properties}.so
    python3 -c 'import sys, zipfile
sys.exit(zipfile.ZipFile(sys.argv[1]).getinfo(sys.argv[2]).compress_type != zipfile.ZIP_STORED)' "$jar" "$entry" ||
      { echo "compressed: $entry"; ok=1; }
  done
  return $ok
}
rc="" out="" err="" left=""
check "layout: Java 8 classes, descriptor for Java 9, manifest, bundled libraries" jar_layout

for java in "${jvms[@]}"; do
  test_jvm "$java"
done
test_newest
test_jdk11

checks_summary "jar tests" --skipped
