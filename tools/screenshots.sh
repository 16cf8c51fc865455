#!/usr/bin/env bash
# Builds the program and takes pictures of its main window on a virtual X
# display: each main tab (Recovery, Batch Recovery, Options with both of its
# sub-tabs, About) and a finished run with its report box, as PNG files in
# $1 (default build/screenshots).
#   tools/screenshots.sh [FOLDER]
# VORN_BUILD_DIR names another build folder than build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/screenshots}
build=${VORN_BUILD_DIR:-$root/build}

"$root/tools/build.sh" "$build"
program=$build/bin/VornFullVersion

# xdotool types and clicks; ImageMagick's import takes the pictures.
missing=()
command -v xdotool >/dev/null || missing+=(xdotool)
command -v import >/dev/null || missing+=(imagemagick)
if [ ${#missing[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}; run this script as root to install them." >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The first display number that no X server holds.
display=
for n in $(seq 90 190); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=:$n
        break
    fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
until xdotool getdisplaygeometry >/dev/null 2>&1; do
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.1
done

# Starts the program with the given arguments and a settings folder of its
# own; sets program_pid.
start_program() {
    XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb "$program" "$@" >>"$work/program.log" 2>&1 &
    program_pid=$!
}

stop_program() {
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
}

# The visible windows of the running program, waiting until there are at
# least $1 of them.
program_windows() {
    local windows
    while true; do
        kill -0 "$program_pid" 2>/dev/null || { cat "$work/program.log" >&2; exit 1; }
        windows=$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null || true)
        if [ -n "$windows" ] && [ "$(wc -l <<<"$windows")" -ge "$1" ]; then
            echo "$windows"
            return
        fi
        sleep 0.1
    done
}

# Pictures the window $1 as $out/$2.png after pressing the keys that follow.
shoot() {
    local window=$1 name=$2
    shift 2
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
    done
    sleep 0.5 # let the window repaint
    import -window "$window" "$out/$name.png"
    echo "$out/$name.png"
}

# The four tabs and the two option sub-tabs, through their accelerators.
start_program
window=$(program_windows 1 | head -n 1)
xdotool windowfocus --sync "$window"
shoot "$window" 1-recovery
shoot "$window" 2-batch-recovery alt+b
shoot "$window" 3-options alt+o alt+p
shoot "$window" 4-advanced-options alt+d
shoot "$window" 5-about alt+a
stop_program

# A finished run: a file named on the command line is recovered at once and
# the report box stays open over the window.
head -c $((6 << 20)) /dev/urandom >"$work/users01.dbf"
start_program "$work/users01.dbf"
program_windows 2 >/dev/null
sleep 0.5 # let the box repaint
import -window root "$out/6-finished-run.png"
echo "$out/6-finished-run.png"
stop_program
