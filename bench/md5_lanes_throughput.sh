#!/usr/bin/env bash
# Builds the MD5 lane kernel and Base64 encoder benchmark (bench/md5_lanes_throughput.cpp) from the
# sources at -O2, as the RelWithDebInfo build compiles them, runs it and prints its table. Needs about
# 1.5 GiB of memory and a compiler with Qt's headers, as the build does. Kernels this
# processor lacks show as n/a.
#
# Usage: bench/md5_lanes_throughput.sh
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-md5-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

g++ -std=c++20 -O2 -fPIC -Wall -Wextra -I"$here/src" $(pkg-config --cflags Qt6Core) \
    "$here/bench/md5_lanes_throughput.cpp" "$here"/src/fs/Md5Lanes*.cpp "$here/src/fs/Md5.cpp" \
    "$here/src/fs/Base64.cpp" $(pkg-config --libs Qt6Core) -o "$work/md5_lanes_throughput"
"$work/md5_lanes_throughput"
