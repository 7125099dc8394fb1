#!/usr/bin/env bash
# Whole-content fingerprint throughput: `twinsift-cli fingerprint --level 2` on 1 GiB of random data
# against `openssl md5` over a file that already holds that data's Base64 text, which is the least
# any implementation must do (read and digest the text). Both read from a warm page cache.
# Prints the median wall time and peak RSS of 5 runs each and the time ratio; exits 1 when
# TwinSift takes more than 1.15 times openssl's time or peaks at 64 MiB or more.
#
# Usage: bench/fingerprint_throughput.sh [PATH-TO-twinsift-cli]
#   default: $BUILD_DIR/src/cli/twinsift-cli, BUILD_DIR defaulting to build/
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${BUILD_DIR:-$here/build}/src/cli/twinsift-cli}
runs=5
max_ratio=1.15
max_rss_kib=$((64 * 1024))

[[ -x $cli ]] || { echo "no twinsift-cli at $cli (build it, or pass its path)" >&2; exit 2; }
missing=()
[[ -x /usr/bin/time ]] || missing+=(time)
command -v openssl >/dev/null || missing+=(openssl)
if ((${#missing[@]})); then
    sudo=; [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get install -y "${missing[@]}" >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
data=$work/random.bin
text=$work/random.b64
echo "preparing 1 GiB of random data and its Base64 text in $work"
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$data"
base64 -w0 "$data" >"$text"
cat "$data" "$text" >/dev/null # warm the page cache

# One timed run: prints "seconds peak-KiB".
measure() {
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
    cat "$work/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: >"$work/ours" && : >"$work/openssl"
for ((i = 1; i <= runs; ++i)); do
    # Alternate the two so that a change of machine load hits both alike.
    measure "$cli" fingerprint --level 2 "$data" >>"$work/ours"
    measure openssl md5 "$text" >>"$work/openssl"
done

ours_s=$(cut -d' ' -f1 "$work/ours" | median)
ours_kib=$(cut -d' ' -f2 "$work/ours" | median)
openssl_s=$(cut -d' ' -f1 "$work/openssl" | median)
openssl_kib=$(cut -d' ' -f2 "$work/openssl" | median)
ratio=$(awk -v a="$ours_s" -v b="$openssl_s" 'BEGIN { printf "%.3f", a / b }')

printf '%-46s %8s %12s\n' "median of $runs runs" "wall s" "peak RSS KiB"
printf '%-46s %8s %12s\n' "twinsift-cli fingerprint --level 2 (1 GiB)" "$ours_s" "$ours_kib"
printf '%-46s %8s %12s\n' "openssl md5 (its 1.33 GiB Base64 text)" "$openssl_s" "$openssl_kib"
echo "time ratio twinsift/openssl: $ratio (target <= $max_ratio)"

status=0
if awk -v r="$ratio" -v m="$max_ratio" 'BEGIN { exit !(r > m) }'; then
    echo "MISSED: time ratio above $max_ratio"
    status=1
fi
if ((ours_kib >= max_rss_kib)); then
    echo "MISSED: peak RSS ${ours_kib} KiB, not under $max_rss_kib KiB"
    status=1
fi
((status == 0)) && echo "targets met"
exit $status
