#!/usr/bin/env bash
# How long removing a source takes when its files share one size with many others: two sources of
# COUNT distinct files of 4,096 bytes each (one size bucket, a group per file), the later one removed.
# Time should grow in proportion to the files removed, not with their square.
#
# Usage: bench/removal_timing.sh [COUNT] [SOURCE-TREE]   (defaults: 60000, this checkout)
#   SOURCE-TREE lets the same measurement run against another checkout of TwinSift.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-60000}
tree=${2:-$here}
data=${BENCH_DATA:-$here/bench/data}/removal
build=$tree/build-bench

BUILD_DIR=$build BUILD_TYPE=Release "$tree/scripts/build.sh" >&2
# Older checkouts linked Qt GUI and D-Bus into the core library, hence those libraries.
# Two trees of other contents (other seeds).
for source in a b; do
    if [[ ! -e $data/$source-$count.done ]]; then
        rm -rf "$data/$source-$count"
        python3 "$here/bench/make_tree.py" one-size "$data/$source-$count" "$count" "$([[ $source == a ]] && echo 1 || echo 2)"
        touch "$data/$source-$count.done"
    fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-removal.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
g++ -std=c++20 -O2 -fPIC -I"$tree/src" $(pkg-config --cflags Qt6Core Qt6Gui Qt6DBus) "$here/bench/removal_timing.cpp" \
    $("$here/bench/core_libs.sh" "$build") $(pkg-config --libs Qt6Core Qt6Gui Qt6DBus) -pthread -o "$work/removal_timing"
"$work/removal_timing" "$data/a-$count" "$data/b-$count"
