#!/usr/bin/env bash
# How free the main (GUI) thread stays while a scan runs: builds bench/main_thread_probe.cpp against
# the Release core library (build-bench/), scans a folder as the GUI does (without the fast scan)
# and prints the longest stall of a 5 ms timer on the main thread and the main thread's share of
# the process's CPU time (thumbnails off). Targets: no stall above 50 ms, a share under 10%.
#
# Usage: bench/main_thread_probe.sh [FOLDER]    (default: the tiny tree of bench/compare_peers.sh)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$here/bench/data/tiny}
[[ -d $folder ]] || { echo "no folder $folder; run bench/compare_peers.sh first to write the trees" >&2; exit 2; }

BUILD_DIR=$here/build-bench BUILD_TYPE=Release "$here/scripts/build.sh" >&2
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-probe.XXXXXX")
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -fPIC -Wall -Wextra -I"$here/src" $(pkg-config --cflags Qt6Core) \
    "$here/bench/main_thread_probe.cpp" $("$here/bench/core_libs.sh" "$here/build-bench") \
    $(pkg-config --libs Qt6Core) -pthread -o "$work/main_thread_probe"
cat "$folder"/. >/dev/null 2>&1 || true
find "$folder" -type f -print0 | xargs -0 cat >/dev/null
"$work/main_thread_probe" "$folder"
