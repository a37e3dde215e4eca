#!/bin/sh
# Makes docs/screenshot.png: the main window in the middle of a job, with a real
# preview frame and data rates, drawn by the X platform under Xvfb.
# Needs xvfb and xauth (scripts/setup.sh installs them). BUILD picks the build tree.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}

cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target kestrel-screenshot kestrel-demo-avi

# A fixed, plain folder name: the picture shows it.
work="${TMPDIR:-/tmp}/kestrel-screenshot"
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/movies"
mkdir -m 700 "$work/runtime"
"$build/kestrel-demo-avi" "$work/movies/intro.avi" 4
"$build/kestrel-demo-avi" "$work/movies/credits.avi" 2
cp "$work/movies/credits.avi" "$work/movies/stage1.avi"

mkdir -p "$root/docs"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$build/kestrel-screenshot" "$root/docs/screenshot.png" \
    "$work/movies/stage1.avi" "$work/movies/intro.avi" "$work/movies/credits.avi"
echo "wrote $root/docs/screenshot.png"
