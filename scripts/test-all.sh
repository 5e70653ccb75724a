#!/usr/bin/env bash
# Builds and tests every flavour of the library: x86_64 and i386 (each with
# its own JVM), AddressSanitizer with UndefinedBehaviorSanitizer (the JVM
# included), and ThreadSanitizer; then runs each fuzz target for a bounded
# time (FUZZ_SECONDS, default 30) and tests the Debian packages. Installs
# what is missing first. Fails if anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

presets=(x86_64 i386 asan tsan)
failed=()
for preset in "${presets[@]}"; do
  echo "=== $preset"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    failed+=("$preset (build)")
    continue
  fi
  ctest --preset "$preset" -j2 || failed+=("$preset")
done

echo "=== fuzz targets"
FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash scripts/fuzz.sh || failed+=("fuzz")

echo "=== packages"
bash scripts/test-packages.sh || failed+=("packages")

echo "=== jar"
bash scripts/dist.sh --test || failed+=("jar")

stages=$(( ${#presets[@]} + 3 ))
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  echo "test stages: $(( stages - ${#failed[@]} )) passed, ${#failed[@]} failed"
  exit 1
fi
echo "test stages: $stages passed, 0 failed (${presets[*]} fuzz packages jar)"
