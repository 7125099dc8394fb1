#!/usr/bin/env bash
# Prints the linker arguments for TwinSift's engine libraries in a build folder: one library per layer,
# as a group (they refer to each other in the order of the layers), or the one core library of older
# checkouts.
#
# Usage: bench/core_libs.sh BUILD-DIR
set -euo pipefail
build=$1
if [[ ! -e $build/src/libtwinsift-platform.a ]]; then
    echo "$build/src/libtwinsift-core.a"
    exit 0
fi
layers=(clean browser scan model fs platform)
echo "-Wl,--start-group ${layers[*]/#/$build/src/libtwinsift-}" | sed 's/ \(\S*\)/ \1.a/g; s/$/ -Wl,--end-group/'
