#!/usr/bin/env bash
# Builds everything and starts the desktop program with the given arguments,
# e.g. tools/run.sh, or tools/run.sh -E damaged.dbf to recover one file and end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh" "$root/build"
exec "$root/build/bin/VornFullVersion" "$@"
