#!/usr/bin/env bash
# Loads the 64-bit library on an older distribution: Debian 11 (bullseye,
# glibc 2.31). A bullseye root, made with debootstrap from the Debian archive
# of the machine's own apt sources (see debian_mirror; without one, making
# the root fails and says so) and cached in ORV_BULLSEYE_CACHE of
# cmake/project.env (made again only when missing or incomplete), holds
# bullseye's own JVMs (17 and 11). In it,
# bullseye's 64-bit JVM 17 runs the demo and the JUnit tests against the
# x86_64 build, with -Xcheck:jni. Builds what it needs first; prints how long
# each part took.
#
# Making the root needs root (debootstrap creates device nodes and owners);
# the tests run unprivileged: as nobody in private mount and process
# namespaces when started as root, in a user namespace (unshare -r)
# otherwise.
# Usage: test-bullseye.sh    (ORV_BULLSEYE_ROOT overrides the root's place)
#        test-bullseye.sh --mirror    prints the mirror the root is made from
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
# shellcheck source=cmake/project.env
source cmake/project.env

root=${ORV_BULLSEYE_ROOT:-$ORV_BULLSEYE_CACHE}
# bullseye_jvm RELEASE: where bullseye's package of that JVM puts it.
bullseye_jvm() { echo "/usr/lib/jvm/java-$1-openjdk-amd64/bin/java"; }
jvm=$(bullseye_jvm 17)
packages=openjdk-17-jre-headless,openjdk-11-jre-headless
complete="$root/.orv-root-complete"  # written last, holds $packages

# debian_mirror: prints the Debian archive the machine's apt takes its
# packages from, which serves bullseye as well, or fails saying where it
# looked. It is the first entry, in the order apt reads them (sources.list,
# then sources.list.d/*.list and *.sources by name), that is enabled, of type
# deb, with component main, for suite bullseye or the Debian release the
# machine runs (exactly: bookworm-security, a third party's
# vendor-bookworm and its "stable" do not count), with an http, https or
# file address, and that names no keyring other than Debian's archive
# keyring. ORV_HOST_ROOT (default /) is the root whose etc/apt and
# etc/os-release are read.
debian_mirror() {
  local host=${ORV_HOST_ROOT:-/} id codename mirror
  host=${host%/}
  id=$(sed -n 's/^ID=//p' "$host/etc/os-release" 2>/dev/null | tr -d '"')
  codename=""
  [ "$id" != debian ] ||
    codename=$(sed -n 's/^VERSION_CODENAME=//p' "$host/etc/os-release" | tr -d '"')
  local files=() file
  [ ! -f "$host/etc/apt/sources.list" ] || files+=("$host/etc/apt/sources.list")
  for file in "$host"/etc/apt/sources.list.d/*; do
    case $file in *.list | *.sources) [ ! -f "$file" ] || files+=("$file") ;; esac
  done
  [ ${#files[@]} -eq 0 ] || mirror=$(awk -v codename="$codename" '
    function accept(types, uris, suites, components, signed,   n, i, j, list, u, nu) {
      if (found || signed != "" && signed !~ /(^|\/)debian-archive-keyring\.(gpg|pgp|asc)$/) return
      if ((" " types " ") !~ /[ \t]deb[ \t]/ || (" " components " ") !~ /[ \t]main[ \t]/) return
      n = split(suites, list, /[ \t]+/)
      for (i = 1; i <= n; i++) {
        if (list[i] != "bullseye" && (codename == "" || list[i] != codename)) continue
        nu = split(uris, u, /[ \t]+/)
        for (j = 1; j <= nu; j++) {
          if (u[j] ~ /^(https?:\/\/|file:\/)/) { print u[j]; found = 1; return }
        }
      }
    }
    # A deb822 paragraph, once complete.
    function paragraph() {
      if (fields && tolower(f["enabled"]) != "no")
        accept(f["types"], f["uris"], f["suites"], f["components"], f["signed-by"])
      split("", f); fields = 0; field = ""
    }
    FNR == 1 { paragraph() }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^#/) next
      if ($0 ~ /^[ \t]*$/) { paragraph(); next }
      value = $0
      gsub(/^[ \t]+|[ \t]+$/, "", value)
      if ($0 ~ /^[ \t]/) { if (field != "") f[field] = f[field] " " value; next }
      colon = index(value, ":")
      if (colon == 0) next
      field = tolower(substr(value, 1, colon - 1))
      f[field] = substr(value, colon + 1)
      sub(/^[ \t]+/, "", f[field]); fields++
      next
    }
    {
      # One-line style: deb [options] uri suite component...
      line = $0; sub(/#.*/, "", line)
      signed = ""
      if (match(line, /\[[^]]*\]/)) {
        options = substr(line, RSTART + 1, RLENGTH - 2)
        line = substr(line, 1, RSTART - 1) " " substr(line, RSTART + RLENGTH)
        if (match(options, /signed-by=[^ \t]*/)) signed = substr(options, RSTART + 10, RLENGTH - 10)
      }
      n = split(line, w, /[ \t]+/)
      first = (w[1] == "") ? 2 : 1
      if (n < first + 3) next
      components = ""
      for (i = first + 3; i <= n; i++) components = components " " w[i]
      accept(w[first], w[first + 1], w[first + 2], components, signed)
    }
    END { paragraph() }' "${files[@]}")
  if [ -z "${mirror:-}" ]; then
    echo "test-bullseye.sh: no Debian archive in the machine's apt sources" \
      "($host/etc/apt/sources.list, sources.list.d/*.list and *.sources): making the bullseye root" \
      "takes its mirror from there, an enabled deb entry with component main for suite" \
      "bullseye${codename:+ or $codename}; add one, or point ORV_BULLSEYE_ROOT at a bullseye root made already" >&2
    return 1
  fi
  echo "$mirror"
}

if [ "${1:-}" = --mirror ]; then
  debian_mirror
  exit
fi

make_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "test-bullseye.sh: the bullseye root at $root is missing; making it needs root" >&2
    exit 1
  fi
  local mirror
  mirror=$(debian_mirror) || exit 1
  bash scripts/setup.sh >/dev/null
  local partial="$root.partial" began=$SECONDS
  # Mounts that debootstrap makes inside the new root stay in a private mount
  # namespace and vanish with it, so nothing is left mounted below the cache.
  rm -rf --one-file-system "$partial"
  mkdir -p "$(dirname "$root")"
  echo "=== making the bullseye root (debootstrap from $mirror)"
  unshare --mount --propagation private \
    debootstrap --variant=minbase --include="$packages" bullseye "$partial" "$mirror" \
    >"$partial.log" 2>&1 || { tail -30 "$partial.log"; exit 1; }
  local release
  for release in 17 11; do
    [ -x "$partial$(bullseye_jvm "$release")" ] ||
      { echo "test-bullseye.sh: bullseye's JVM $release is missing from the root" >&2; exit 1; }
  done
  echo "$packages" >"$partial/.orv-root-complete"
  rm -rf --one-file-system "$root"
  mv "$partial" "$root"
  rm -f "$partial.log"
  echo "bullseye root made in $((SECONDS - began)) s"
}

# Runs a command in the root, unprivileged, with /proc of its own.
in_root() {
  if [ "$(id -u)" -eq 0 ]; then
    unshare --mount --pid --fork --mount-proc="$root/proc" \
      chroot --userspec=65534:65534 "$root" /usr/bin/env -i HOME=/tmp PATH=/usr/bin:/bin "$@"
  else
    unshare --user --map-root-user --mount --pid --fork --mount-proc="$root/proc" \
      chroot "$root" /usr/bin/env -i HOME=/tmp PATH=/usr/bin:/bin "$@"
  fi
}

# One maker of the root at a time; users of the root share it.
mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9
if [ "$(cat "$complete" 2>/dev/null)" != "$packages" ]; then
  make_root
else
  echo "=== bullseye root cached at $root"
fi
flock -s 9

echo "=== building the x86_64 library and jars"
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 --target quonvop4j quonvop4j_java quonvop4j_java_tests \
  quonvop4j_bundled_jar >/dev/null
bash tests/jni/check-glibc-floor.sh build/x86_64/libquonvop4j.so 2.31

work=$(mktemp -d "$root/tmp/orv-XXXXXX")
trap 'rm -rf "$work"' EXIT
cp build/x86_64/libquonvop4j.so build/x86_64/java/quonvop4j.jar \
  build/x86_64/tests/java/quonvop4j-tests.jar build/x86_64/tests/java/quonvop4j-bundled.jar \
  "$ORV_JUNIT_JAR" "$work/"
mkdir "$work/no-library"
chmod -R a+rX "$work"
inside=/tmp/$(basename "$work")

echo "=== on $(in_root /usr/bin/getconf GNU_LIBC_VERSION) with $(in_root "$jvm" -version 2>&1 | head -1)"
fail=0
# Bound against its own dependencies alone (C library, unwinder, loader),
# every symbol of the library resolves but the loader functions, which a C
# library before 2.34 keeps in libdl.so.2: every JVM, and every program that
# loads libraries, has that loaded. No libpthread.so.0 is needed.
bound=$(in_root /usr/bin/ldd -r "$inside/libquonvop4j.so" 2>&1) || fail=1
unresolved=$(sed -n 's/^undefined symbol: \([^,]*\),.*/\1/p' <<<"$bound" |
  grep -v -x -E 'dl(open|sym|close|error|addr1?|info)' || true)
if [ -n "$unresolved" ] || grep -q 'not found' <<<"$bound"; then
  echo "$bound"; echo "test-bullseye.sh: unresolved on bullseye: ${unresolved:-see above}" >&2
  fail=1
else
  echo "symbols resolved on bullseye; from the process's libdl.so.2:" \
    $(sed -n 's/^undefined symbol: \([^,]*\),.*/\1/p' <<<"$bound" | sort)
fi

demo=$(in_root "$jvm" -Xcheck:jni -Djava.library.path="$inside" -jar "$inside/quonvop4j.jar" Demo 2>&1) ||
  fail=1
echo "$demo"
grep -q -F "uses libquonvop4j $ORV_VERSION, released $ORV_RELEASE_DATE (amd64, 64-bit JVM)" <<<"$demo" || fail=1

# The Java tests as the suite runs them: RuntimeTest with the library on
# java.library.path, RedeployTest with fresh class loaders over the jar that
# carries the library (and an empty java.library.path).
junit() {
  local class=$1 libdir=$2 classpath=$3 out
  shift 3
  out=$(in_root "$@" "$jvm" -Xcheck:jni -Djava.library.path="$libdir" \
    -jar "$inside/$(basename "$ORV_JUNIT_JAR")" \
    --class-path "$classpath" --select-class "$class" \
    --disable-banner --disable-ansi-colors --details=tree 2>&1) || fail=1
  echo "$out"
  if grep -E -q 'WARNING in native method|FATAL ERROR in native method|JNI (WARNING|ERROR)' <<<"$out"; then
    echo "test-bullseye.sh: the JVM reported a JNI problem in $class" >&2
    fail=1
  fi
}
jars=(ORV_BUNDLED_JAR="$inside/quonvop4j-bundled.jar" ORV_LIBRARY="$inside/libquonvop4j.so"
      ORV_VERSION_RECORD="${ORV_VERSION//./,},${ORV_RELEASE_DATE//-/,}")
junit com.quon.vop.RuntimeTest "$inside" "$inside/quonvop4j-tests.jar:$inside/quonvop4j.jar" "${jars[@]}"
junit com.quon.vop.RedeployTest "$inside/no-library" "$inside/quonvop4j-tests.jar" "${jars[@]}"

echo "bullseye stage: $((SECONDS - started)) s"
[ $fail -eq 0 ] && echo "the library loads and passes on bullseye"
exit $fail
