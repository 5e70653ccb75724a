#!/usr/bin/env bash
# Builds the 64-bit library and runs the Java demo on the 64-bit JVM.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 --target quonvop4j quonvop4j_java
cmake --build --preset x86_64 --target demo
