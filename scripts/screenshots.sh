#!/usr/bin/env bash
# On the display in $DISPLAY, walks through the program and saves PNG pictures of
# what it shows. Usage: screenshots.sh PROGRAM.exe OUTPUT_FOLDER
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=$1
output=$2
mkdir -p "$output"
rm -f "$output"/*.bmp "$output"/*.png

"$root/scripts/wine-run.sh" "$WINEPREFIX" "$root/build/mingw/bin/screenshot_tour.exe" \
    "$(winepath -w "$program" 2>/dev/null)" "$(winepath -w "$output" 2>/dev/null)"
status=$?
for picture in "$output"/*.bmp; do
    convert "$picture" "${picture%.bmp}.png"
    rm "$picture"
done
wineserver -k 2>/dev/null || true
echo "Screenshots in $output:"
ls "$output"
exit $status
