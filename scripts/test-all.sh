#!/usr/bin/env bash
# Builds and tests every flavour of the library: x86_64 and i386 (each with
# its own JVM), AddressSanitizer with UndefinedBehaviorSanitizer, and
# ThreadSanitizer. Installs what is missing first. Ends with CTest's summary
# of each flavour and fails if any test failed.
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

echo "=== packages"
bash scripts/test-packages.sh || failed+=("packages")

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All flavours passed: ${presets[*]}"
