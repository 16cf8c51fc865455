#!/usr/bin/env bash
# Compares the file search's walk with find on the tree of bench/search_tree.sh: the time of
# `vorn-search-bench ROOT '*.dbf'` against `find ROOT -xdev -name '*.dbf'`, side by side in one
# run. The search must take at most twice as long as find.
#
# Usage: bench/search_walk.sh [BUILD_DIR]     (default: build/ of the repository)
# Environment: TMPDIR  where the tree goes (default: BUILD_DIR)
#              RUNS    timed walks per program (default 5; the median is compared)
set -euo pipefail
shopt -s inherit_errexit
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-5}

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target vorn-search-bench -j "$(nproc)" >/dev/null
program=$build/bin/vorn-search-bench

work=$(mktemp -d "${TMPDIR:-$build}/search-walk.XXXXXX")
trap 'rm -rf "$work"' EXIT
tree=$work/tree
echo "Creating the tree in $tree ..."
"$root/bench/search_tree.sh" "$tree"

walk_search() { "$program" "$tree" '*.dbf'; }
walk_find() { find "$tree" -xdev -name '*.dbf'; }

# Both walks find the same files; this first pass also brings the tree into the caches.
walk_search | sort >"$work/search.txt"
walk_find | sort >"$work/find.txt"
if ! cmp -s "$work/search.txt" "$work/find.txt"; then
    echo "the search and find found different files:" >&2
    diff "$work/search.txt" "$work/find.txt" | head >&2
    exit 1
fi
found=$(wc -l <"$work/search.txt")

# Prints the seconds one walk took, its output discarded.
seconds() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

names=(search find)
declare -A label=(
    [search]="vorn-search-bench TREE '*.dbf'"
    [find]="find TREE -xdev -name '*.dbf'"
)
declare -A times
for ((run = 1; run <= runs; run++)); do
    for name in "${names[@]}"; do
        times[$name]="${times[$name]:-} $(seconds "walk_$name")"
    done
done

median() {
    tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

echo
echo "Walk over 100,000 files in 1,000 folders, $found of them found by both ($runs runs each,"
echo "interleaved, after one untimed pass of each; median compared)."
printf '%-34s %-40s %s\n' "program" "seconds per run" "median"
declare -A med
for name in "${names[@]}"; do
    med[$name]=$(median "${times[$name]}")
    printf '%-34s %-40s %s s\n' "${label[$name]}" "${times[$name]# }" "${med[$name]}"
done
awk -v s="${med[search]}" -v f="${med[find]}" \
    'BEGIN { r = s / f; printf "search time / find time = %.2f (target: at most 2.00) %s\n", r, (r <= 2 ? "PASS" : "FAIL"); exit (r <= 2 ? 0 : 1) }'
