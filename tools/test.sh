#!/usr/bin/env bash
# Builds everything and runs every test twice: a normal build, then a build
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/tools/build.sh" "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j 2

"$root/tools/build.sh" "$root/build-asan" -DBREVIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root/build-asan" --output-on-failure -j 2
