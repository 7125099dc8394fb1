#!/usr/bin/env bash
# Builds TwinSift and launches it. `scripts/run.sh --help` shows the command-line tool's help instead;
# any other arguments are passed to the GUI (paths to add as sources).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/build.sh"
build_dir=${BUILD_DIR:-$here/build}
if [ "${1:-}" = "--help" ]; then
    exec "$build_dir/src/cli/twinsift-cli" --help
fi
exec "$build_dir/src/app/twinsift" "$@"
