#!/usr/bin/env bash
# Compares the engine's copy speed with dd and GNU ddrescue on a 1 GiB file, and shows that the
# engine's peak memory does not grow with the size of the source.
#
# Usage: bench/engine_copy.sh [BUILD_DIR]     (default: build/ of the repository)
# Environment: TMPDIR  where the test files go (default: BUILD_DIR); needs about 2.2 GiB free.
#              RUNS    timed copies per program (default 3; the median is compared).
set -euo pipefail
shopt -s inherit_errexit
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-3}

"$root/tools/build.sh" "$build"
program=$build/bin/vorn-recover
for tool in "$program" /usr/bin/time dd ddrescue; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-$build}/engine-copy.XXXXXX")
trap 'rm -rf "$work"' EXIT
free_kib=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
if [ "$free_kib" -lt $((2300 * 1024)) ]; then
    echo "need about 2.2 GiB free in $work" >&2
    exit 1
fi

mib=1048576
big=$work/source-1g.dbf
small=$work/source-64m.dbf
out=$work/out.dbf
echo "Creating the sources in $work ..."
head -c $((1024 * mib)) /dev/urandom >"$big"
head -c $((64 * mib)) "$big" >"$small"
big_size=$(stat -c %s "$big")

# Every copy starts from the same state: the previous output removed and written back, the
# source read once so that it sits in the page cache.
prepare() {
    rm -f "$out" "$work/map"
    sync
    cat "$1" >/dev/null
}

check_size() {
    local size
    size=$(stat -c %s "$out")
    if [ "$size" != "$big_size" ]; then
        echo "$1 wrote $size bytes instead of $big_size" >&2
        exit 1
    fi
}

# Prints the seconds one command took.
seconds() {
    local start=$EPOCHREALTIME
    "$@"
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

# The engine puts its output on the disk (fsync) before it returns; the other two are timed
# until theirs is there too.
copy_engine() {
    "$program" "$big" "$out" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
}
copy_dd() { dd if="$big" of="$out" bs=4M conv=noerror,sync,fsync status=none; }
# -n: no scraping pass; -c 8192: 8192 sectors of 512 bytes, the engine's 4 MiB per transfer.
copy_ddrescue() { ddrescue -q -n -c 8192 "$big" "$out" "$work/map" && sync "$out"; }

names=(engine dd ddrescue)
declare -A label=(
    [engine]="vorn-recover"
    [dd]="dd bs=4M conv=noerror,sync,fsync"
    [ddrescue]="ddrescue -n -c 8192; sync"
)
declare -A times
for ((run = 1; run <= runs; run++)); do
    for name in "${names[@]}"; do
        prepare "$big"
        t=$(seconds "copy_$name")
        check_size "$name"
        times[$name]="${times[$name]:-} $t"
    done
done

median() {
    tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

echo
echo "Copy of a 1 GiB source ($runs runs each, interleaved; median compared)."
echo "Page cache: before every run the previous output is removed and synced and the source is"
echo "read once with cat, the same for all three. Each time ends with the output on the disk:"
echo "the engine fsyncs it itself, dd uses conv=fsync, ddrescue is followed by sync FILE."
printf '%-33s %-27s %s\n' "program" "seconds per run" "median"
declare -A med
for name in "${names[@]}"; do
    med[$name]=$(median "${times[$name]}")
    printf '%-33s %-27s %s s (%s MiB/s)\n' "${label[$name]}" "${times[$name]# }" "${med[$name]}" \
        "$(awk -v s="${med[$name]}" 'BEGIN { printf "%.0f", 1024 / s }')"
done
for other in dd ddrescue; do
    awk -v e="${med[engine]}" -v o="${med[$other]}" -v n="$other" \
        'BEGIN { printf "engine time / %s time = %.2f\n", n, e / o }'
done

echo
echo "Peak resident memory of vorn-recover (GNU time %M):"
for source in "$small" "$big"; do
    prepare "$source"
    kib=$(/usr/bin/time -f %M "$program" "$source" "$out" 2>&1 >/dev/null | tail -n 1)
    printf '  %-8s source: %6s KiB\n' "$(($(stat -c %s "$source") / mib)) MiB" "$kib"
done
