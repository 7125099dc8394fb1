#!/usr/bin/env bash
# Builds the MD5 lane kernel and Base64 encoder benchmark (bench/md5_lanes_throughput.cpp) from the
# sources at -O2, as the RelWithDebInfo build compiles them, runs it and prints its table. Needs about
# 1.5 GiB of memory and a compiler with Qt's headers, as the build does. Kernels this
# processor lacks show as n/a. Where the openssl command is installed, its MD5 (assembly, one
# message at a time) on 16 KiB blocks follows for comparison; both count CPU time.
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
if command -v openssl >/dev/null; then
    openssl speed -evp md5 -bytes 16384 -seconds 2 2>/dev/null |
        awk '/^md5/ { printf "%-34s %10.0f\n", "openssl speed -evp md5 (16 KiB)", $2 / 1000 }'
fi
