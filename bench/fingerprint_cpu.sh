#!/usr/bin/env bash
# CPU per file of the fingerprint reads of the file-system layer (bench/fingerprint_cpu.cpp) on a
# real tree, read once first so the page cache is warm: by path against relative to the open folder,
# with the fingerprint cache, and small files one by one against the vector lanes.
#
# Usage: bench/fingerprint_cpu.sh [TREE]   (default: bench/data/linux, which compare_peers.sh
#                                           unpacks with TREES=linux; any folder will do)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
tree=$(realpath "${1:-${BENCH_DATA:-$here/bench/data}/linux}")
[[ -d $tree ]] || { echo "no folder at $tree" >&2; exit 2; }
build=$here/build-bench
BUILD_DIR=$build BUILD_TYPE=Release "$here/scripts/build.sh" >&2
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-fingerprint-cpu.XXXXXX")
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -fPIC -I"$here/src" $(pkg-config --cflags Qt6Core) "$here/bench/fingerprint_cpu.cpp" \
    "$build/src/libtwinsift-core.a" $(pkg-config --libs Qt6Core) -pthread -o "$work/fingerprint_cpu"
find "$tree" -type f -print0 | xargs -0 cat >/dev/null 2>&1 || true
"$work/fingerprint_cpu" "$tree" "$work/fingerprints"
