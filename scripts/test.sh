#!/usr/bin/env bash
# Builds TwinSift with its tests and runs every test. Extra arguments go to CMake, for example
# -DTWINSIFT_SANITIZE=ON for AddressSanitizer and UndefinedBehaviorSanitizer, or -DTWINSIFT_TSAN=ON.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/build.sh" -DTWINSIFT_BUILD_TESTS=ON "$@"
build_dir=${BUILD_DIR:-$here/build}
cd "$build_dir"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
