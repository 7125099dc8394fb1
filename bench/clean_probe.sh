#!/usr/bin/env bash
# How a large clean-up feels in the real window, and what it costs beside the bare file operations:
# a tree of GROUPS pairs of small identical files (a fifth of the pairs with the extension .dup) is
# scanned in the main window (offscreen), and a clean task deletes the older .dup copy of each such
# pair (GROUPS / 5 files). Prints the longest GUI-thread stall during the task and its wall time, then
# the time `rm` takes to delete the same files from a fresh copy of the tree.
# Targets: no stall above 50 ms; the task within 1.5 times the time of rm.
#
# Usage: bench/clean_probe.sh [GROUPS]    (default 50000)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
groups=${1:-50000}
tree=${BENCH_DATA:-$here/bench/data}/clean-$groups

"$here/scripts/install-deps.sh" bc >&2
BUILD_DIR=$here/build-bench BUILD_TYPE=Release "$here/scripts/build.sh" >&2
if [[ ! -e $tree.done ]]; then
    rm -rf "$tree"
    python3 - "$tree" "$groups" <<'PY'
import os, sys
root, groups = sys.argv[1], int(sys.argv[2])
for g in range(groups):
    folder = os.path.join(root, "d%03d" % (g // 1000))
    os.makedirs(folder, exist_ok=True)
    extension = ".dup" if g % 5 == 0 else ".dat"
    for copy in ("a", "b"):
        with open(os.path.join(folder, "g%06d-%s%s" % (g, copy, extension)), "wb") as f:
            f.write(b"group %d " % g * 8)
PY
    touch "$tree.done"
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-clean-probe.XXXXXX")
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -fPIC -Wall -Wextra -DQT_NO_KEYWORDS -I"$here/src" \
    $(pkg-config --cflags Qt6Widgets Qt6DBus) "$here/bench/clean_probe.cpp" \
    "$here/build-bench/src/app/libtwinsift-gui.a" $("$here/bench/core_libs.sh" "$here/build-bench") \
    $(pkg-config --libs Qt6Widgets Qt6DBus) -pthread -o "$work/clean_probe"
export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_CACHE_HOME=$work/.cache XDG_DATA_HOME=$work/.local
cp -a "$tree" "$work/tree"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$work/clean_probe" "$work/tree" dup 2> >(grep -v '^QString::arg' >&2)

# The same removals by rm alone, from a fresh copy: the files the clean task would remove.
rm -rf "$work/tree"
cp -a "$tree" "$work/tree"
"$here/build-bench/src/cli/twinsift-cli" clean --quiet --dry-run --null --ext dup "$work/tree" >"$work/plan"
sync
start=$(date +%s.%N)
xargs -0 rm -f <"$work/plan"
end=$(date +%s.%N)
echo "rm: $(tr -cd '\0' <"$work/plan" | wc -c) files in $(echo "$end - $start" | bc) s"
