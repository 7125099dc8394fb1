#!/usr/bin/env bash
# `twinsift-cli clean --link reflink` on a btrfs image holding COUNT duplicate files (each an
# independent copy of one of COUNT distinct files of SIZE KiB): its time beside `cp --reflink=always`
# of the same files (the cloning alone, without scan, checks, comparison or journal) and beside delete
# mode, the scan alone, and the space freed as `df` sees it. Needs root and a loop device.
#
# Usage: bench/reflink_clean.sh [COUNT] [SIZE]    (default: 10000 files of 64 KiB)
# Environment: TWINSIFT_CLI, a built twinsift-cli to measure; without it a Release build is made.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-10000}
size_kib=${2:-64}
"$here/scripts/install-deps.sh" bc >&2
cli=${TWINSIFT_CLI:-}
if [[ -z $cli ]]; then
    BUILD_DIR=$here/build-bench BUILD_TYPE=Release "$here/scripts/build.sh" >&2
    cli=$here/build-bench/src/cli/twinsift-cli
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-reflink.XXXXXX")
mnt=$work/mnt
cleanup() {
    mountpoint -q "$mnt" && umount "$mnt"
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
export XDG_STATE_HOME=$work/home/state
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$mnt"
# Twice the data, and room for btrfs's own metadata.
truncate -s $((count * size_kib * 2 / 1024 * 3 / 2 + 512))M "$work/image"
mkfs.btrfs -q "$work/image" >/dev/null 2>&1
mount -o loop "$work/image" "$mnt" || { echo "cannot mount a btrfs image here (root and a loop device are needed)" >&2; exit 1; }

seconds() { local start; start=$(date +%s.%N); "$@" >"$work/out" 2>/dev/null || true; echo "$(date +%s.%N) - $start" | bc; }
# The files the last clean-up replaced or removed, from its JSON report.
done_count() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["stats"]["removed"])' "$work/out"; }
used_kib() { sync; btrfs filesystem sync "$mnt" >/dev/null; df --output=used -k "$mnt" | tail -1; }
# COUNT distinct files in a/ and an independent copy of each in b/, on the disk and in the page cache.
fresh() {
    rm -rf "$mnt/tree"
    mkdir -p "$mnt/tree/a" "$mnt/tree/b"
    python3 - "$mnt/tree" "$count" "$size_kib" <<'EOF'
import os, sys
root, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]) * 1024
for i in range(count):
    data = os.urandom(size)
    for side in ("a", "b"):
        with open(f"{root}/{side}/f{i:06d}", "wb") as f:
            f.write(data)
EOF
    sync
    find "$mnt/tree" -type f -print0 | xargs -0 cat >/dev/null
}
freed() { echo "scale=1; ($1 - $2) / 1024" | bc; }

printf '| What | Files | Seconds | Freed as df sees it, MiB |\n|---|---:|---:|---:|\n'
fresh
before=$(used_kib)
scan=$(seconds "$cli" scan --quiet --no-fast-scan "$mnt/tree")
printf '| twinsift-cli scan (no change) | %s | %.2f | - |\n' "$count" "$scan"
reflink=$(seconds "$cli" clean --quiet --no-fast-scan --format json --link reflink "$mnt/tree")
after=$(used_kib)
cmp -s "$mnt/tree/a/f000000" "$mnt/tree/b/f000000" || echo "a reflinked copy differs" >&2
printf '| twinsift-cli clean --link reflink | %s | %.2f | %s |\n' "$(done_count)" "$reflink" "$(freed "$before" "$after")"

fresh
before=$(used_kib)
# The clones alone: new clones of a/ over the names of b/, as the clean-up makes them.
cp_seconds=$(seconds cp -r --reflink=always -T "$mnt/tree/a" "$mnt/tree/b")
after=$(used_kib)
printf '| cp -r --reflink=always over the copies | %s | %.2f | %s |\n' "$count" "$cp_seconds" "$(freed "$before" "$after")"

fresh
before=$(used_kib)
delete=$(seconds "$cli" clean --quiet --no-fast-scan --format json "$mnt/tree")
after=$(used_kib)
printf '| twinsift-cli clean (delete) | %s | %.2f | %s |\n' "$(done_count)" "$delete" "$(freed "$before" "$after")"
