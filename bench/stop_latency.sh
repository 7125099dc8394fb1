#!/usr/bin/env bash
# How long a scan takes to stop: `twinsift-cli scan --no-fast-scan` over 24 sparse files of 1 GiB (of one
# size, so each is read whole, several at once) and two small copies gets SIGINT after 2 s, in the
# middle of reading; the time from the signal to the end of the process is measured. Prints each
# run's latency and the files its report kept, and the median of 5 runs; exits 1 when the median is
# over 200 ms.
#
# Usage: bench/stop_latency.sh [PATH-TO-twinsift-cli]
#   default: $BUILD_DIR/src/cli/twinsift-cli, BUILD_DIR defaulting to build/
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${BUILD_DIR:-$here/build}/src/cli/twinsift-cli}
[[ -x $cli ]] || { echo "no twinsift-cli at $cli (build it, or pass its path)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
for i in $(seq -w 1 24); do truncate -s 1G "$work/big-$i"; done
echo "two small copies" >"$work/copy-1"
cp "$work/copy-1" "$work/copy-2"

python3 - "$cli" "$work" <<'EOF'
import json, signal, statistics, subprocess, sys, time

cli, tree = sys.argv[1], sys.argv[2]
latencies = []
for run in range(5):
    scan = subprocess.Popen([cli, "scan", "--quiet", "--no-fast-scan", "--format", "json", tree],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    time.sleep(2)
    if scan.poll() is not None:
        sys.exit("the scan ended before the signal: no latency to measure")
    sent = time.monotonic()
    scan.send_signal(signal.SIGINT)
    out, _ = scan.communicate()
    latencies.append(time.monotonic() - sent)
    kept = json.loads(out)["stats"]["files"] if out else "no report"
    print(f"run {run + 1}: {latencies[-1] * 1000:7.1f} ms from SIGINT to exit, exit {scan.returncode}, files kept: {kept}")
median = statistics.median(latencies) * 1000
print(f"median {median:.1f} ms (target: 200 ms)")
sys.exit(0 if median <= 200 else 1)
EOF
