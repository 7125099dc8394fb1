#!/usr/bin/env bash
# TwinSift against jdupes, fdupes, rdfind and rmlint on the same trees, with a warm page cache and
# with a cold one.
#
# 1. Installs the four tools and GNU time from Debian's packages when missing, and builds
#    twinsift-cli in Release mode into build-bench/.
# 2. Writes the trees of bench/peer_trees.py (mixed, samesize, tiny, big, hardlinks) from a seed into
#    bench/data/, or keeps them when an earlier run wrote them with the same seed and scale.
# 3. For each tree: reads every file once to warm the page cache; checks TwinSift's duplicate sets
#    against jdupes' and against its own default (fast scan) settings (bench/compare_sets.py); then
#    times, round after round, `twinsift-cli scan --no-fast-scan --format json --quiet`,
#    `jdupes -r -q`, `fdupes -r -q`, `rdfind -dryrun true` (in a scratch folder, where it writes
#    results.txt) and `rmlint -o json:FILE` (no rmlint.sh), measuring wall time, CPU time and peak
#    RSS with /usr/bin/time. With a cold cache, the page cache is dropped before every run
#    (`echo 3 > /proc/sys/vm/drop_caches`, which needs root); where that is not allowed, the cold
#    table is left out and the script says so.
# 4. Prints a Markdown table of the medians and the ratios TwinSift/tool, the set checks and peak RSS
#    per file taken in, for each cache state, and writes them to bench/results/peers-DATE[-scaleF].md.
#
# Usage: bench/compare_peers.sh
# Environment:
#   RUNS=5             timed runs of each tool on each tree
#   TREE_SCALE=1       multiplies the trees' file counts (e.g. 0.1 for a quick run)
#   SEED=1             seed of the trees
#   TREES="mixed samesize tiny big hardlinks"   the trees to measure; an absolute path measures that
#                                               folder as it is (/usr/share, /usr/lib: real trees)
#   CACHE="warm cold"  the page cache states to measure
#   BENCH_DATA=bench/data                       where the trees are kept
#   TWINSIFT_CLI=PATH  measure this binary instead of building one
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
scale=${TREE_SCALE:-1}
seed=${SEED:-1}
read -r -a trees <<<"${TREES:-mixed samesize tiny big hardlinks /usr/share /usr/lib}"
read -r -a caches <<<"${CACHE:-warm cold}"
data=${BENCH_DATA:-$here/bench/data}
tools=(twinsift jdupes fdupes rdfind rmlint)

missing=()
for package in jdupes fdupes rdfind rmlint time; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

if [[ -n ${TWINSIFT_CLI:-} ]]; then
    # Absolute, as the tools run from a scratch folder.
    cli=$(realpath "$TWINSIFT_CLI")
else
    echo "building twinsift-cli (Release) in $here/build-bench" >&2
    BUILD_DIR=$here/build-bench BUILD_TYPE=Release "$here/scripts/build.sh" >&2
    cli=$here/build-bench/src/cli/twinsift-cli
fi
[[ -x $cli ]] || { echo "no twinsift-cli at $cli" >&2; exit 2; }

# A tree is a generated one by name, or a real folder by its absolute path, named after it.
generated=()
for tree in "${trees[@]}"; do [[ $tree == /* ]] || generated+=("$tree"); done
tree_path() { if [[ $1 == /* ]]; then echo "$1"; else echo "$data/$1"; fi; }
tree_name() { if [[ $1 == /* ]]; then echo "${1#/}" | tr / -; else echo "$1"; fi; }
mkdir -p "$data"
if ((${#generated[@]})); then
    python3 "$here/bench/peer_trees.py" --seed "$seed" --scale "$scale" "$data" "${generated[@]}"
fi
can_drop_caches() { sync && echo 3 2>/dev/null >/proc/sys/vm/drop_caches; }

work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-peers.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/cwd" "$work/sets"
# Settings of this run only: a stored minimum size, type rule or fast-scan setting would change what
# TwinSift compares.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
    XDG_CACHE_HOME=$work/home/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

# measure TREE TOOL [PATH]: one timed run on PATH (default: the tree's), appended to $timings as
# "tree tool wall-s cpu-s peak-KiB exit-status" (tab-separated); with a cold cache, after dropping it.
measure() {
    local tree=$1 tool=$2 path=${3:-$(tree_path "$1")} status=0 argv
    [[ $cache == cold ]] && can_drop_caches
    case $tool in
        twinsift) argv=("$cli" scan --no-fast-scan --format json --quiet "$path") ;;
        jdupes) argv=(jdupes -r -q "$path") ;;
        fdupes) argv=(fdupes -r -q "$path") ;;
        rdfind) argv=(rdfind -dryrun true "$path") ;;
        rmlint) argv=(rmlint "$path" -o "json:$work/rmlint.json") ;;
    esac
    (cd "$work/cwd" && /usr/bin/time -f '%e %U %S %M' -o "$work/time" "${argv[@]}" \
        >"$work/out" 2>"$work/err") || status=$?
    # time puts a line about a failed command's exit status before its own line.
    tail -n 1 "$work/time" | awk -v t="$tree" -v n="$tool" -v s="$status" \
        '{ printf "%s\t%s\t%s\t%.2f\t%s\t%s\n", t, n, $1, $2 + $3, $4, s }' >>"$timings"
}

load() { cut -d' ' -f1 /proc/loadavg; }

: >"$work/names"
for tree in "${trees[@]}"; do echo "$(tree_name "$tree")" >>"$work/names"; done
mapfile -t names <"$work/names"
measured=()
loads=()
for tree in "${trees[@]}"; do
    path=$(tree_path "$tree")
    name=$(tree_name "$tree")
    echo "$name: checking the duplicate sets" >&2
    "$cli" scan --no-fast-scan --format json --quiet "$path" >"$work/sets/$name.exact.json" || true
    "$cli" scan --format json --quiet "$path" >"$work/sets/$name.fast.json" || true
    jdupes -r -q -0 "$path" >"$work/sets/$name.jdupes" 2>/dev/null || true
    python3 "$here/bench/compare_sets.py" "$path" "$work/sets/$name.exact.json" \
        "$work/sets/$name.fast.json" "$work/sets/$name.jdupes" >"$work/sets/$name.json" ||
        rm -f "$work/sets/$name.json"
done
for cache in "${caches[@]}"; do
    if [[ $cache == cold ]] && ! can_drop_caches; then
        echo "cannot drop the page cache here (it needs root): no cold-cache table" >&2
        continue
    fi
    timings=$work/timings-$cache
    : >"$timings"
    measured+=("$cache")
    for tree in "${trees[@]}"; do
        name=$(tree_name "$tree")
        if [[ $cache == warm ]]; then
            echo "$name: warming the page cache" >&2
            find "$(tree_path "$tree")" -type f -print0 2>/dev/null | xargs -0 cat >/dev/null 2>&1 || true
        fi
        loads+=("$name/$cache $(load)")
        for ((run = 0; run < runs; ++run)); do
            echo "$name ($cache cache): round $((run + 1)) of $runs" >&2
            # Each round starts with another tool, so that a change of machine load hits all alike.
            for ((i = 0; i < ${#tools[@]}; ++i)); do
                measure "$name" "${tools[(run + i) % ${#tools[@]}]}" "$(tree_path "$tree")"
            done
        done
    done
    # The part of TwinSift's peak RSS that does not grow with the files: a scan of an empty folder.
    mkdir -p "$work/empty"
    for ((run = 0; run < 3; ++run)); do
        measure empty-folder twinsift "$work/empty"
    done
done
loads+=("end $(load)")

if [[ -n ${TWINSIFT_CLI:-} ]]; then
    origin="twinsift-cli from $TWINSIFT_CLI"
else
    origin="TwinSift $(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo "(no git)")"
    changed=$(git -C "$here" status --porcelain -- src 2>/dev/null | wc -l)
    ((changed == 0)) || origin+=" with $changed uncommitted changes under src/"
fi
{
    echo "$(date '+%Y-%m-%d %H:%M'), $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo |
        cut -d: -f2 | sed 's/^ *//')), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' \
        /proc/meminfo) RAM, Linux $(uname -r)."
    echo
    echo "$origin, $("$cli" --version 2>/dev/null | head -n 1);" \
        "$(jdupes -v | head -n 1 | cut -d' ' -f1-2), $(fdupes --version),"\
        "rdfind $(rdfind --version | awk '{ print $NF }'),"\
        "rmlint $(rmlint --version 2>&1 | head -n 1 | awk '{ print $2 }')."
    echo
    echo "Command: \`RUNS=$runs TREE_SCALE=$scale SEED=$seed CACHE=\"${caches[*]}\"" \
        "bench/compare_peers.sh\` (trees: ${trees[*]})."
    echo
    echo "Load average (1 min) before each tree's timed runs: ${loads[*]/%/;}" | sed 's/;$/./'
} >"$work/context"

mkdir -p "$here/bench/results"
suffix=$(awk -v s="$scale" 'BEGIN { if (s != 1) printf "-scale%s", s }')
report=$here/bench/results/peers-$(date +%F)$suffix.md
for cache in "${measured[@]}"; do
    echo "## With a $cache page cache"
    echo
    python3 "$here/bench/peer_table.py" "$work/timings-$cache" "$work/sets" "$work/context" "${names[@]}"
    echo
done | tee "$report"
echo "written to $report" >&2
