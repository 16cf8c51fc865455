#!/usr/bin/env bash
# Makes the tree the file-search benchmark walks: 1,000 folders (10 at the top, each with 99
# subfolders) of 100 files each, 100,000 files in all; two files of each folder end in ".dbf"
# (2,000 in all, 4 KiB each), the others are empty. Only shell built-ins write the files.
#
# Usage: bench/search_tree.sh ROOT     (ROOT must not exist yet)
set -euo pipefail
shopt -s inherit_errexit
if [ $# -ne 1 ]; then
    echo "usage: $0 ROOT" >&2
    exit 2
fi
root=$1
if [ -e "$root" ]; then
    echo "$root exists already" >&2
    exit 1
fi
dirs=()
for top in {0..9}; do
    dirs+=("$root/top$top")
    for sub in {01..99}; do
        dirs+=("$root/top$top/sub$sub")
    done
done
mkdir -p "${dirs[@]}"
printf -v block '%4096s' ''
for dir in "${dirs[@]}"; do
    for file in {00..97}; do
        : >"$dir/file$file.dat"
    done
    printf '%s' "$block" >"$dir/users01.dbf"
    printf '%s' "$block" >"$dir/system01.dbf"
done
