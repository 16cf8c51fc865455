#!/usr/bin/env bash
# Builds everything and runs the recovery program with the given arguments,
# e.g. tools/run.sh damaged.dbf recovered.dbf
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh" "$root/build"
exec "$root/build/bin/vorn-recover" "$@"
