#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# when any of them is missing. Safe to run again.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libgtest-dev
    libfuse3-dev fuse3
    gddrescue time
    qt6-base-dev libgl-dev
    xvfb xauth xdg-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}; run this script as root to install them." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
