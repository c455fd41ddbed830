#!/usr/bin/env bash
# Builds the program and walks through it on a virtual display, in a Chinese
# locale with a CJK font, saving PNG pictures of what it shows.
# Usage: screenshots.sh OUTPUT_FOLDER
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
output=$(mkdir -p "$1" && cd "$1" && pwd)
"$root/scripts/build.sh" mingw "" phantomDeskTray screenshot_tour
rm -f "$output"/*.bmp "$output"/*.png

export LANG=zh_CN.UTF-8
export WINEPREFIX=$root/build/mingw/wineprefix
xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' bash -c '
    "$1/scripts/wine-run.sh" "$WINEPREFIX" "$1/build/mingw/bin/screenshot_tour.exe" \
        "$(winepath -w "$1/build/mingw/bin/phantomDeskTray.exe" 2>/dev/null)" \
        "$(winepath -w "$2" 2>/dev/null)"
    status=$?
    wineserver -k 2>/dev/null || true
    exit $status
' tour "$root" "$output"

for picture in "$output"/*.bmp; do
    # No time stamps inside, so unchanged pictures stay unchanged files.
    convert "$picture" -strip -define png:exclude-chunks=date,time "${picture%.bmp}.png"
    rm "$picture"
done
echo "Screenshots in $output:"
ls "$output"
