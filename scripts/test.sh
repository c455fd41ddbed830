#!/usr/bin/env bash
# Checks the code, then builds the program and its tests with mingw-w64, checks
# the program's size, and runs every test under Wine, on a virtual display, in a
# Wine prefix inside the build tree.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/lint.sh
scripts/build.sh mingw
# The preset builds in release mode: these are the bytes that a release packs
# (unsigned; a signature adds about 3 KB to each).
scripts/check-size.sh build/mingw/bin/phantomDeskTray.exe 102400
scripts/check-size.sh "$(ls build/mingw/phantomDeskTray-*-setup.exe)" 327680

# The tests share the program's mutex, pipe name and tray: one at a time.
export WINEPREFIX=$root/build/mingw/wineprefix
xvfb-run --auto-servernum --server-args='-screen 0 1280x1024x24' bash -c '
    ctest --preset mingw
    status=$?
    wineserver -k 2>/dev/null || true
    exit $status
'
