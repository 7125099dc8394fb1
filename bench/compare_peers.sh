#!/usr/bin/env bash
# TwinSift against jdupes, fdupes, rdfind and rmlint on the same trees, with a warm page cache, with a
# cold one, and with TwinSift's fingerprint cache filled by a first run.
#
# 1. Installs the four tools and GNU time from Debian's packages when missing, and builds
#    twinsift-cli in Release mode into build-bench/.
# 2. Writes the trees of bench/peer_trees.py (mixed, samesize, tiny, big, hardlinks) from a seed into
#    bench/data/, or keeps them when an earlier run wrote them with the same seed and scale. The tree
#    "linux" is the Linux 6.1 source: Debian's linux-source-6.1, installed when missing and unpacked
#    once into bench/data/linux.
# 3. For each tree: reads every file once to warm the page cache; checks TwinSift's duplicate sets
#    against jdupes' and against its own default (fast scan) settings (bench/compare_sets.py); then
#    times, round after round, `twinsift-cli scan --no-fast-scan --format json --quiet`,
#    `jdupes -r -q`, `fdupes -r -q`, `rdfind -dryrun true` (in a scratch folder, where it writes
#    results.txt) and `rmlint -o json:FILE` (no rmlint.sh), measuring wall time, CPU time and peak
#    RSS with /usr/bin/time. With a cold cache, the page cache is dropped before every run
#    (`echo 3 > /proc/sys/vm/drop_caches`, which needs root); where that is not allowed, the cold
#    table is left out and the script says so. The "fpcache" state times TwinSift alone, each run a
#    pair: a first scan with a cold page cache and an empty fingerprint cache, then a second one with a
#    warm page cache and the fingerprint cache the first one left, which is held against jdupes'
#    runs with a warm page cache. Every other run of TwinSift passes --no-cache, so that it reads
#    what it compares.
#    With the fpcache state, the JSON reports of a scan that fills the fingerprint cache and of one
#    that the cache answers must be byte-identical to the one read without it; the table says so.
# 4. Prints a Markdown table of the medians, with wall and CPU (user + system) seconds and the ratios
#    TwinSift/tool of both, the set checks and peak RSS per file taken in, for each cache state, and
#    writes them to bench/results/peers-DATE[-scaleF].md.
#
# Usage: bench/compare_peers.sh
# Environment:
#   RUNS=5             timed runs of each tool on each tree
#   TREE_SCALE=1       multiplies the trees' file counts (e.g. 0.1 for a quick run)
#   SEED=1             seed of the trees
#   TREES="mixed samesize tiny big hardlinks linux /usr/share /usr/lib"
#                      the trees to measure; an absolute path measures that folder as it is (real
#                      trees); leave linux out for a quick run
#   CACHE="warm cold"  the cache states to measure; add fpcache for the fingerprint cache's pair of runs
#   TOOLS="twinsift jdupes fdupes rdfind rmlint"  the tools to time (TwinSift always)
#   TWINSIFT_CACHE_FLAG=                          options for the fpcache state (the cache is on by
#                                                 default); the other states pass
#                                                 TWINSIFT_NO_CACHE_FLAG (--no-cache by default)
#   BENCH_DATA=bench/data                       where the trees are kept
#   TWINSIFT_CLI=PATH  measure this binary instead of building one
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
scale=${TREE_SCALE:-1}
seed=${SEED:-1}
read -r -a trees <<<"${TREES:-mixed samesize tiny big hardlinks linux /usr/share /usr/lib}"
read -r -a caches <<<"${CACHE:-warm cold}"
data=${BENCH_DATA:-$here/bench/data}
tools=(twinsift)
for tool in ${TOOLS-jdupes fdupes rdfind rmlint}; do [[ $tool == twinsift ]] || tools+=("$tool"); done
read -r -a cache_on <<<"${TWINSIFT_CACHE_FLAG:-}"
read -r -a cache_off <<<"${TWINSIFT_NO_CACHE_FLAG---no-cache}"
wants_linux=0
for tree in "${trees[@]}"; do [[ $tree == linux ]] && wants_linux=1; done

missing=()
packages=(time "${tools[@]:1}")
((wants_linux)) && packages+=(linux-source-6.1)
for package in "${packages[@]}"; do
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
for tree in "${trees[@]}"; do [[ $tree == /* || $tree == linux ]] || generated+=("$tree"); done
tree_path() { if [[ $1 == /* ]]; then echo "$1"; else echo "$data/$1"; fi; }
tree_name() { if [[ $1 == /* ]]; then echo "${1#/}" | tr / -; else echo "$1"; fi; }
mkdir -p "$data"
if ((${#generated[@]})); then
    python3 "$here/bench/peer_trees.py" --seed "$seed" --scale "$scale" "$data" "${generated[@]}"
fi
# Unpacked once; a marker tells a whole unpacking from one that was cut short.
if ((wants_linux)) && [[ ! -e $data/linux/.unpacked ]]; then
    echo "unpacking the Linux source into $data/linux" >&2
    rm -rf "$data/linux" && mkdir -p "$data/linux"
    tar -xJf /usr/src/linux-source-6.1.tar.xz -C "$data/linux" --strip-components=1
    touch "$data/linux/.unpacked"
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

# measure TREE TOOL [PATH [LABEL]]: one timed run on PATH (default: the tree's), appended to $timings
# as "tree tool wall-s cpu-s peak-KiB exit-status" (tab-separated), the tool named LABEL (default:
# TOOL); with a cold cache, after dropping it. In the fpcache state TwinSift runs with its fingerprint
# cache, which the caller empties before a pair of runs.
measure() {
    local tree=$1 tool=$2 path=${3:-$(tree_path "$1")} label=${4:-$2} status=0 argv flags
    [[ $cache == cold ]] && can_drop_caches
    if [[ $cache == fpcache ]]; then flags=("${cache_on[@]}"); else flags=("${cache_off[@]}"); fi
    case $tool in
        twinsift) argv=("$cli" scan --no-fast-scan "${flags[@]}" --format json --quiet "$path") ;;
        jdupes) argv=(jdupes -r -q "$path") ;;
        fdupes) argv=(fdupes -r -q "$path") ;;
        rdfind) argv=(rdfind -dryrun true "$path") ;;
        rmlint) argv=(rmlint "$path" -o "json:$work/rmlint.json") ;;
    esac
    (cd "$work/cwd" && /usr/bin/time -f '%e %U %S %M' -o "$work/time" "${argv[@]}" \
        >"$work/out" 2>"$work/err") || status=$?
    # time puts a line about a failed command's exit status before its own line.
    tail -n 1 "$work/time" | awk -v t="$tree" -v n="$label" -v s="$status" \
        '{ printf "%s\t%s\t%s\t%.2f\t%s\t%s\n", t, n, $1, $2 + $3, $4, s }' >>"$timings"
}

# One pair of the fpcache state: a first scan with an empty fingerprint cache and a cold page cache
# (where it can be dropped), then a second scan with what both caches kept.
measure_cached_pair() {
    rm -rf "$XDG_CACHE_HOME/twinsift"
    can_drop_caches || true
    measure "$1" twinsift "$2" twinsift-first
    measure "$1" twinsift "$2" twinsift-second
}

load() { cut -d' ' -f1 /proc/loadavg; }

: >"$work/names"
for tree in "${trees[@]}"; do echo "$(tree_name "$tree")" >>"$work/names"; done
mapfile -t names <"$work/names"
measured=()
loads=()
cache_checks=()
for tree in "${trees[@]}"; do
    path=$(tree_path "$tree")
    name=$(tree_name "$tree")
    echo "$name: checking the duplicate sets" >&2
    "$cli" scan --no-fast-scan "${cache_off[@]}" --format json --quiet "$path" >"$work/sets/$name.exact.json" ||
        true
    "$cli" scan "${cache_off[@]}" --format json --quiet "$path" >"$work/sets/$name.fast.json" || true
    if [[ " ${caches[*]} " == *" fpcache "* ]]; then
        # The report of a scan that fills the fingerprint cache and of one that it answers.
        rm -rf "$XDG_CACHE_HOME/twinsift"
        same=identical
        for pass in filling answering; do
            "$cli" scan --no-fast-scan "${cache_on[@]}" --format json --quiet "$path" \
                >"$work/sets/$name.$pass.json" || true
            cmp -s "$work/sets/$name.exact.json" "$work/sets/$name.$pass.json" || same="**different**"
        done
        cache_checks+=("$name $same")
    fi
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
        if [[ $cache == fpcache ]]; then
            loads+=("$name/$cache $(load)")
            for ((run = 0; run < runs; ++run)); do
                echo "$name (fingerprint cache): pair $((run + 1)) of $runs" >&2
                measure_cached_pair "$name" "$(tree_path "$tree")"
            done
            continue
        fi
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
    [[ $cache == fpcache ]] && continue
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
    versions=("$origin, $("$cli" --version 2>/dev/null | head -n 1)")
    for tool in "${tools[@]:1}"; do
        case $tool in
            jdupes) versions+=("$(jdupes -v | head -n 1 | cut -d' ' -f1-2)") ;;
            fdupes) versions+=("$(fdupes --version)") ;;
            rdfind) versions+=("rdfind $(rdfind --version | awk '{ print $NF }')") ;;
            rmlint) versions+=("rmlint $(rmlint --version 2>&1 | head -n 1 | awk '{ print $2 }')") ;;
        esac
    done
    (IFS=';'; echo "${versions[*]}." | sed 's/;/; /g')
    echo
    echo "Command: \`RUNS=$runs TREE_SCALE=$scale SEED=$seed CACHE=\"${caches[*]}\"" \
        "TREES=\"${trees[*]}\" TOOLS=\"${tools[*]:1}\" bench/compare_peers.sh\`."
    echo
    echo "Load average (1 min) before each tree's timed runs: ${loads[*]/%/;}" | sed 's/;$/./'
    if ((${#cache_checks[@]})); then
        echo
        echo "JSON reports with the fingerprint cache, filling it and then answered by it, against" \
            "--no-cache: ${cache_checks[*]/%/;}" | sed 's/;$/./'
    fi
} >"$work/context"

mkdir -p "$here/bench/results"
suffix=$(awk -v s="$scale" 'BEGIN { if (s != 1) printf "-scale%s", s }')
report=$here/bench/results/peers-$(date +%F)$suffix.md
# The second run with the fingerprint cache is held against jdupes with a warm page cache.
[[ -e $work/timings-warm && -e $work/timings-fpcache ]] &&
    awk -F'\t' -v OFS='\t' '$2 == "jdupes" { $2 = "jdupes-warm"; print }' "$work/timings-warm" \
        >>"$work/timings-fpcache"
for cache in "${measured[@]}"; do
    if [[ $cache == fpcache ]]; then
        echo "## With the fingerprint cache"
    else
        echo "## With a $cache page cache"
    fi
    echo
    python3 "$here/bench/peer_table.py" "$work/timings-$cache" "$work/sets" "$work/context" "${names[@]}"
    echo
done | tee "$report"
echo "written to $report" >&2
