#!/usr/bin/env bash
# Builds phantomDeskTray.exe and runs it under Wine. On a machine with a display
# it runs there for you to use. Without one, it runs on a virtual display, saves
# screenshots of what it shows into build/mingw/screenshots, and ends it
# cleanly through its own exit command.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-debian.sh

cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$(nproc)" --target phantomDeskTray screenshot_tour
program=$root/build/mingw/bin/phantomDeskTray.exe
echo "Built $program"

prefix=$root/build/mingw/wineprefix
if [ -n "${DISPLAY:-}" ]; then
    exec env LANG=zh_CN.UTF-8 "$root/scripts/wine-run.sh" "$prefix" "$program"
fi

export LANG=zh_CN.UTF-8
export WINEPREFIX=$prefix
xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' \
    "$root/scripts/screenshots.sh" "$program" "$root/build/mingw/screenshots"
