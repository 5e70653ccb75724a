#!/usr/bin/env bash
# The Maven repository that scripts/dist.sh lays out, as a Java build meets it:
#   - its layout: com.quon.vop:quonvop4j:<version> with the jar (the one given,
#     byte for byte), the pom, the sources and the javadoc jar, and the
#     artifact's metadata, each with an MD5 and a SHA-1 file that match;
#   - the pom: coordinates, name, description, URL, licence, scm, developers;
#   - the sources jar holds the source of every class in the jar; the javadoc
#     jar a page for every public class, and Runtime's page the load order
#     and its properties;
#   - the consumer project (tests/java/consumer) built, tested and packaged
#     offline by Debian's Maven against the repository (a wrong checksum there
#     fails its build), and Maven's resolved jar is the repository's;
#   - the same project built and tested by Debian's Gradle;
#   - the consumer's jar run with the resolved jar on each JVM whose
#     architecture the jar carries: 64-bit, 32-bit, and arm64 (under the
#     emulator), each skipped with one line where absent;
#   - the README's deploy command puts exactly these files into another
#     repository (a folder here), as a repository manager would receive them.
# Everything runs offline: the plugins and JUnit come from /usr/share/maven-repo.
# Ends with "maven tests: N passed, M failed, K skipped".
#
# Usage: test-maven.sh <repository folder> <jar>
set -uo pipefail
started=$SECONDS
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/lib/arch.sh
source "$here/../../scripts/lib/arch.sh"  # with cmake/project.env
# shellcheck source=scripts/lib/checks.sh
source "$here/../../scripts/lib/checks.sh"
repository=$(realpath "$1")
source_jar=$(realpath "$2")
version=$ORV_VERSION
export JAVA_HOME=$ORV_JDK_X86_64

work=$(mktemp -d /var/tmp/orv-maven-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r "$here/consumer" "$work/consumer"
mkdir -p "$work/no-library"
folder=$repository/com/quon/vop/quonvop4j
base=quonvop4j-$version
files=("$version/$base.jar" "$version/$base.pom" "$version/$base-sources.jar"
       "$version/$base-javadoc.jar" maven-metadata.xml)

# Each case (check NAME COMMAND...) sets why when it fails, which is shown.
why=""
check_started() { why=""; }
check_failed() {
  [ -z "$why" ] || printf '%s\n' "$why" | sed 's/^/  /'
}

layout() {
  local file algorithm tool
  for file in "${files[@]}"; do
    [ -s "$folder/$file" ] || { why="missing: $file"; return 1; }
    for algorithm in md5 sha1; do
      tool=${algorithm}sum
      [ "$(cat "$folder/$file.$algorithm" 2>/dev/null)" = "$($tool <"$folder/$file" | cut -d' ' -f1)" ] ||
        { why="$file.$algorithm does not match $file"; return 1; }
    done
  done
  cmp -s "$source_jar" "$folder/$version/$base.jar" || { why="the jar is not the one given"; return 1; }
  grep -q "<version>$version</version>" "$folder/maven-metadata.xml" ||
    { why="maven-metadata.xml does not list $version"; return 1; }
}

# What a public repository asks of a pom, each element present and not empty.
pom() {
  why=$(python3 - "$folder/$version/$base.pom" "$version" <<'EOF'
import sys
import xml.etree.ElementTree as ET
ns = {"m": "http://maven.apache.org/POM/4.0.0"}
root = ET.parse(sys.argv[1]).getroot()
want = {"groupId": "com.quon.vop", "artifactId": "quonvop4j", "version": sys.argv[2],
        "packaging": "jar"}
for path in ["groupId", "artifactId", "version", "packaging", "name", "description", "url",
             "licenses/license/name", "scm/url", "scm/connection",
             "developers/developer/name", "developers/developer/email"]:
    node = root.find("/".join("m:" + part for part in path.split("/")), ns)
    text = (node.text or "").strip() if node is not None else ""
    if not text:
        print("the pom has no " + path)
    elif path in want and text != want[path]:
        print("the pom's %s is %s, not %s" % (path, text, want[path]))
EOF
  ) || return 1
  [ -z "$why" ]
}

# The classes' names, public ones and all, from the jar (nested classes aside).
classes() {
  "$JAVA_HOME/bin/jar" --list --file "$source_jar" |
    sed -n 's|^\(com/quon/vop/[A-Za-z0-9_]*\)\.class$|\1|p'
}

sources() {
  local listing class
  listing=$("$JAVA_HOME/bin/jar" --list --file "$folder/$version/$base-sources.jar") || return 1
  for class in $(classes) module-info; do
    grep -qx "$class.java" <<<"$listing" || { why="no $class.java in the sources jar"; return 1; }
  done
}

javadoc() {
  local listing class page=$work/javadoc text
  mkdir -p "$page"
  listing=$("$JAVA_HOME/bin/jar" --list --file "$folder/$version/$base-javadoc.jar") || return 1
  for class in $(classes); do
    "$JAVA_HOME/bin/javap" -cp "$source_jar" "${class//\//.}" | grep -q "^public .*class " || continue
    grep -qx "$class.html" <<<"$listing" || { why="no page for public class $class"; return 1; }
  done
  (cd "$page" && "$JAVA_HOME/bin/jar" --extract --file "$folder/$version/$base-javadoc.jar" \
     com/quon/vop/Runtime.html) || return 1
  for text in com.quon.vop.library com.quon.vop.tmpdir java.library.path java.io.tmpdir \
              "native/linux-&lt;arch&gt;/libquonvop4j.so" UnsatisfiedLinkError \
              iGetVersion iSetApplicationName; do
    grep -qF "$text" "$page/com/quon/vop/Runtime.html" ||
      { why="Runtime's page does not mention $text"; return 1; }
  done
}

check "layout: jar, pom, sources, javadoc and metadata of com.quon.vop:quonvop4j:$version, checksums match" layout
check "pom: coordinates, name, description, URL, licence, scm, developers" pom
check "sources jar: the source of every class in the jar" sources
check "javadoc jar: every public class; Runtime's page gives the load order and its properties" javadoc

# The consumer's build, offline. Each build gets a local repository of its own,
# so the library is resolved from the repository every time.
maven_options=(-B -o -Daether.offline.protocols=file -s "$work/consumer/settings.xml"
               -Dmaven.repo.local="$work/m2" -Dquonvop4j.repository="file://$repository"
               -Dquonvop4j.version="$version" -Dquonvop4j.released="$ORV_RELEASE_DATE")
resolved=$work/m2/com/quon/vop/quonvop4j/$version/$base.jar
consumer_jar=$work/consumer/target/quonvop4j-consumer-1.jar

maven() {
  local start=$SECONDS tests
  if ! (cd "$work/consumer" && mvn "${maven_options[@]}" package) >"$work/maven.log" 2>&1; then
    why=$(grep -E '^\[ERROR\]|Tests run:|FAIL' "$work/maven.log" | head -20)
    return 1
  fi
  tests=$(grep -E '^\[INFO\] Tests run: [0-9]+, Failures: 0, Errors: 0, Skipped: 0$' "$work/maven.log" | tail -1)
  [ -n "$tests" ] && [[ $tests != *"Tests run: 0,"* ]] || { why="no test ran"; return 1; }
  cmp -s "$resolved" "$folder/$version/$base.jar" || { why="Maven resolved another jar"; return 1; }
  [ -f "$consumer_jar" ] || { why="no $consumer_jar"; return 1; }
  maven_took="$((SECONDS - start)) s; ${tests#\[INFO\] }"
}
maven_version=$(mvn -B -v 2>/dev/null | sed -n 's/.*Apache Maven \([0-9.]*\).*/\1/p')
maven_took=""
check "Maven $maven_version: the consumer resolves the library by its coordinates, builds and passes its tests offline" maven
[ -z "$maven_took" ] || echo "  Maven build: $maven_took"

# Gradle of Debian 12 (4.4.1) predates its own JUnit 5 support: the build file
# runs JUnit's console launcher as part of "check".
gradle_took=""
gradle_build() {
  local start=$SECONDS
  if ! (cd "$work/consumer" && GRADLE_USER_HOME=$work/gradle gradle --offline --no-daemon \
          -Pquonvop4jRepository="file://$repository" -Pquonvop4jVersion="$version" \
          -Pquonvop4jReleased="$ORV_RELEASE_DATE" check) >"$work/gradle.log" 2>&1; then
    why=$(grep -E 'FAILURE|What went wrong|tests (successful|failed)|Exception:' "$work/gradle.log" | head -20)
    return 1
  fi
  grep -qE '^\[ +[1-9][0-9]* tests successful +\]$' "$work/gradle.log" &&
    grep -qE '^\[ +0 tests failed +\]$' "$work/gradle.log" || { why="no test ran, or one failed"; return 1; }
  gradle_took="$((SECONDS - start)) s"
}
if command -v gradle >/dev/null; then
  gradle_version=$(gradle --version 2>/dev/null | sed -n 's/^Gradle \([0-9.]*\)$/\1/p')
  check "Gradle $gradle_version: the consumer resolves the library by its coordinates, builds and passes its tests offline" gradle_build
  [ -z "$gradle_took" ] || echo "  Gradle build: $gradle_took"
else
  skip "Gradle: not installed"
fi

# The consumer's jar with the jar Maven resolved, as its users run it; no
# library folder, so the library comes out of the jar.
run_consumer() {
  local java=$1 expected=$2 out err
  out=$("$here/../../scripts/run-jvm.sh" "$java" -Xcheck:jni -Djava.library.path="$work/no-library" \
        -cp "$consumer_jar:$resolved" example.app.LibraryVersion 2>"$work/err")
  err=$(cat "$work/err")
  [ "$out" = "consumer: libquonvop4j $version $ORV_RELEASE_DATE ($expected)" ] && [ -z "$err" ] ||
    { why="out: $out"$'\n'"err: $err"; return 1; }
}
listing=$("$JAVA_HOME/bin/jar" --list --file "$source_jar")
for arch in "${all_archs[@]}"; do
  java=${jvm_of[$arch]} platform=linux-$arch expected=${jvm_arch[$arch]} name="${jvm_name[$arch]} JVM"
  if [ ! -x "$java" ]; then
    skip "consumer on the $name: no $name at $java"
  elif ! grep -qx "native/$platform/libquonvop4j.so" <<<"$listing"; then
    skip "consumer on the $name: the jar carries no library for $platform"
  elif [ ! -f "$consumer_jar" ] || [ ! -f "$resolved" ]; then
    skip "consumer on the $name: the Maven build made no jar to run"
  else
    check "consumer on the $name ($platform): its jar with the resolved one prints the version" \
      run_consumer "$java" "$expected"
  fi
done

# The README's command for a repository manager, with a folder as the target:
# what arrives is exactly the repository's files, checksums included (the
# metadata differs in its time stamp only).
deploy() {
  local target=$work/deployed file part
  (cd "$folder/$version" &&
     mvn -B -s "$work/consumer/settings.xml" -Dmaven.repo.local="$work/m2" \
       org.apache.maven.plugins:maven-deploy-plugin:3.0.0:deploy-file \
       -Durl="file://$target" -DrepositoryId=quonvop4j \
       -Dfile="$base.jar" -DpomFile="$base.pom" \
       -Dsources="$base-sources.jar" -Djavadoc="$base-javadoc.jar") >"$work/deploy.log" 2>&1 ||
    { why=$(grep '^\[ERROR\]' "$work/deploy.log" | head -5); return 1; }
  for file in "${files[@]}"; do
    for part in "$file" "$file.md5" "$file.sha1"; do
      [ -f "$target/com/quon/vop/quonvop4j/$part" ] || { why="not deployed: $part"; return 1; }
    done
  done
  for file in "${files[@]:0:4}"; do
    for part in "$file" "$file.md5" "$file.sha1"; do
      cmp -s "$folder/$part" "$target/com/quon/vop/quonvop4j/$part" ||
        { why="deployed $part differs"; return 1; }
    done
  done
  diff <(grep -v lastUpdated "$folder/maven-metadata.xml") \
       <(grep -v lastUpdated "$target/com/quon/vop/quonvop4j/maven-metadata.xml") >/dev/null ||
    { why="the deployed maven-metadata.xml differs"; return 1; }
}
check "deploy: the README's deploy-file command delivers exactly these files" deploy

echo "maven tests took $((SECONDS - started)) s"
checks_summary "maven tests" --skipped
