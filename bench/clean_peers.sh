#!/usr/bin/env bash
# `twinsift-cli clean` (delete mode, whole-content comparison) against `jdupes -r -dN` on copies of the
# same trees, with a check that every content is still there afterwards; and what the byte-for-byte
# comparison before each removal costs: the time of `clean` beside the time of `scan` plus deleting
# the same files with rm.
#
# Usage: bench/clean_peers.sh [TREE...]    (default: mixed big; the trees of bench/compare_peers.sh)
# Environment: TREE_SCALE (default 1) and SEED (default 1) as for compare_peers.sh.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
read -r -a trees <<<"${*:-mixed big}"
data=${BENCH_DATA:-$here/bench/data}
"$here/scripts/install-deps.sh" jdupes bc >&2
BUILD_DIR=$here/build-bench BUILD_TYPE=Release "$here/scripts/build.sh" >&2
cli=$here/build-bench/src/cli/twinsift-cli
python3 "$here/bench/peer_trees.py" --seed "${SEED:-1}" --scale "${TREE_SCALE:-1}" "$data" "${trees[@]}"
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-clean-peers.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"

# --zero keeps names with newlines or backslashes from changing the lines' form.
contents() { find "$1" -type f -print0 | xargs -0 sha256sum --zero | cut -z -d' ' -f1 | tr '\0' '\n' | sort -u; }
seconds() { local start; start=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; echo "$(date +%s.%N) - $start" | bc; }
# A fresh copy, written back to disk before anything is timed and read into the page cache.
fresh() {
    rm -rf "$work/tree"
    cp -a "$data/$1" "$work/tree"
    sync
    find "$work/tree" -type f -print0 | xargs -0 cat >/dev/null
}

printf '| Tree | Files removed | twinsift-cli clean s | jdupes -dN s | scan s | rm of the same files s | comparison cost s |\n'
printf '|---|---:|---:|---:|---:|---:|---:|\n'
for tree in "${trees[@]}"; do
    fresh "$tree"
    before=$(contents "$work/tree")
    scan=$(seconds "$cli" scan --quiet --no-fast-scan "$work/tree")
    "$cli" clean --quiet --no-fast-scan --dry-run --null "$work/tree" >"$work/plan"
    clean=$(seconds "$cli" clean --quiet --no-fast-scan --on-error continue "$work/tree")
    [[ $(contents "$work/tree") == "$before" ]] || echo "$tree: twinsift-cli clean lost a content" >&2
    removed=$(tr -cd '\0' <"$work/plan" | wc -c)
    fresh "$tree"
    rm_seconds=$(seconds xargs -0 rm -f <"$work/plan")
    fresh "$tree"
    jdupes=$(seconds jdupes -r -dN -q "$work/tree")
    [[ $(contents "$work/tree") == "$before" ]] || echo "$tree: jdupes lost a content" >&2
    printf '| %s | %s | %.2f | %.2f | %.2f | %.2f | %.2f |\n' "$tree" "$removed" "$clean" "$jdupes" "$scan" \
        "$rm_seconds" "$(echo "$clean - $scan - $rm_seconds" | bc)"
done
echo "fclones is not packaged for Debian 12, so it is not measured." >&2
