#!/usr/bin/env bash
# What a person feels in the real window on a large scan: builds bench/window_probe.cpp against the
# Release libraries (build-bench/), scans a folder in the main window (offscreen) and prints the
# longest stall of a 5 ms timer on the GUI thread during the scan, the rows each thumbnail changes,
# and the times to sort the duplicate list by every column, to expand and collapse every group, to press
# End after expanding them all, and to filter the list. Targets: no stall above 50 ms, sorts within
# 200 ms, expand and collapse all within 1 s, End and each filter within 100 ms, one row per thumbnail.
# The 100,000-file tree: python3 bench/peer_trees.py --scale 0.5 bench/data tiny
#
# Usage: bench/window_probe.sh [FOLDER]    (default: the tiny tree of bench/compare_peers.sh)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$here/bench/data/tiny}
[[ -d $folder ]] || { echo "no folder $folder; run bench/compare_peers.sh first to write the trees" >&2; exit 2; }

BUILD_DIR=$here/build-bench BUILD_TYPE=Release "$here/scripts/build.sh" >&2
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-window-probe.XXXXXX")
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -fPIC -Wall -Wextra -DQT_NO_KEYWORDS -I"$here/src" \
    $(pkg-config --cflags Qt6Widgets Qt6DBus) "$here/bench/window_probe.cpp" \
    "$here/build-bench/src/app/libtwinsift-gui.a" $("$here/bench/core_libs.sh" "$here/build-bench") \
    $(pkg-config --libs Qt6Widgets Qt6DBus) -pthread -o "$work/window_probe"
find "$folder" -type f -print0 | xargs -0 cat >/dev/null
export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_CACHE_HOME=$work/.cache
# The texts are not the figures: Qt's warnings about them go.
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$work/window_probe" "$folder" 2> >(grep -v '^QString::arg' >&2)
