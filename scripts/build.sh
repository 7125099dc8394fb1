#!/usr/bin/env bash
# Configures and builds TwinSift into build/ (or $BUILD_DIR) with the given extra CMake options.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh"
launcher=()
# A compiler cache, where one is installed, makes rebuilds in several work trees cheap.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${launcher[@]}" "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
