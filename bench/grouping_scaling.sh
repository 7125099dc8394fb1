#!/usr/bin/env bash
# Grouping cost as the number of files grows, and memory per file.
#
# 1. Scans of 20,000 and of 40,000 distinct files of 4,096 bytes each: every file shares one size
#    bucket and has a quick fingerprint of its own, the worst case for a walk over the groups of a
#    bucket. Twice the files may take at most 2.3 times as long (median of 5 warm-cache runs each).
# 2. A scan of 200,000 small files (0 to 4,096 bytes, some duplicates): peak RSS divided by the files
#    taken in, as a whole and above the RSS of a scan of an empty folder.
# Exits 1 when the time ratio is above its target.
#
# Usage: bench/grouping_scaling.sh [PATH-TO-twinsift-cli]
#   default: $BUILD_DIR/src/cli/twinsift-cli, BUILD_DIR defaulting to build/
# The trees are written once under bench/data/grouping (BENCH_DATA overrides) and reused.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${BUILD_DIR:-$here/build}/src/cli/twinsift-cli}
data=${BENCH_DATA:-$here/bench/data}/grouping
runs=5
max_ratio=2.3

[[ -x $cli ]] || { echo "no twinsift-cli at $cli (build it, or pass its path)" >&2; exit 2; }
if [[ ! -x /usr/bin/time ]]; then
    sudo=; [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get install -y time >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Settings of this run only: a stored minimum size or type rule would change what is scanned.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
    XDG_CACHE_HOME=$work/home/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$work/empty"

# tree KIND COUNT: the path of a tree, written unless an earlier run completed it.
tree() {
    local path=$data/$1-$2
    if [[ ! -e $path.done ]]; then
        echo "writing $2 files ($1) to $path" >&2
        rm -rf "$path"
        python3 "$here/bench/make_tree.py" "$1" "$path" "$2"
        touch "$path.done"
    fi
    echo "$path"
}

# One scan: prints "wall-seconds cpu-seconds peak-KiB files-taken-in". The scan hands every change of
# the shared lists to the main thread and waits, so on a busy machine the wall time also counts the
# waits for a core; the CPU time (user + system) does not.
measure() {
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$cli" scan --quiet --format json "$1" >"$work/report.json"
    local files
    files=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["stats"]["files"])' \
        "$work/report.json")
    awk -v n="$files" '{ printf "%s %.2f %s %s\n", $1, $2 + $3, $4, n }' "$work/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

small=$(tree one-size 20000)
large=$(tree one-size 40000)
many=$(tree mixed 200000)

echo "warming the caches"
measure "$small" >/dev/null
measure "$large" >/dev/null
: >"$work/small" && : >"$work/large"
for ((i = 1; i <= runs; ++i)); do
    # Alternate the two so that a change of machine load hits both alike.
    measure "$small" >>"$work/small"
    measure "$large" >>"$work/large"
done
small_s=$(cut -d' ' -f1 "$work/small" | median)
large_s=$(cut -d' ' -f1 "$work/large" | median)
small_cpu=$(cut -d' ' -f2 "$work/small" | median)
large_cpu=$(cut -d' ' -f2 "$work/large" | median)
small_files=$(cut -d' ' -f4 "$work/small" | head -1)
large_files=$(cut -d' ' -f4 "$work/large" | head -1)
ratio=$(awk -v a="$large_s" -v b="$small_s" 'BEGIN { printf "%.3f", a / b }')
cpu_ratio=$(awk -v a="$large_cpu" -v b="$small_cpu" 'BEGIN { printf "%.3f", a / b }')

read -r many_s many_cpu many_kib many_files < <(measure "$many")
read -r _ _ empty_kib _ < <(measure "$work/empty")
per_file=$(awk -v k="$many_kib" -v n="$many_files" 'BEGIN { printf "%.0f", k * 1024 / n }')
above_empty=$(awk -v k="$many_kib" -v e="$empty_kib" -v n="$many_files" 'BEGIN { printf "%.0f", (k - e) * 1024 / n }')

printf '%-44s %10s %8s %8s\n' "scan (median of $runs warm runs)" "files" "wall s" "CPU s"
printf '%-44s %10s %8s %8s\n' "20,000 files of 4,096 bytes, one bucket" "$small_files" "$small_s" "$small_cpu"
printf '%-44s %10s %8s %8s\n' "40,000 files of 4,096 bytes, one bucket" "$large_files" "$large_s" "$large_cpu"
echo "time ratio 40,000/20,000: $ratio (target <= $max_ratio); CPU time ratio: $cpu_ratio"
echo
printf '%-44s %10s %8s %8s %12s\n' "scan (one run)" "files" "wall s" "CPU s" "peak RSS KiB"
printf '%-44s %10s %8s %8s %12s\n' "200,000 files of 0 to 4,096 bytes" "$many_files" "$many_s" "$many_cpu" "$many_kib"
printf '%-44s %10s %8s %8s %12s\n' "an empty folder" 0 - - "$empty_kib"
echo "peak RSS per file taken in: $per_file bytes ($above_empty bytes above the empty scan)"

if awk -v r="$ratio" -v m="$max_ratio" 'BEGIN { exit !(r > m) }'; then
    echo "FAIL: the time ratio is above $max_ratio"
    exit 1
fi
echo "PASS"
