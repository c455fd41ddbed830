#!/usr/bin/env bash
# Builds phantomDeskTray.exe and runs it under Wine. On a machine with a display
# it runs there for you to use. Without one, it runs on a virtual display, saves
# screenshots of what it shows into build/mingw/screenshots, and ends it
# cleanly through its own exit entry.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec "$root/scripts/screenshots.sh" "$root/build/mingw/screenshots"
fi

"$root/scripts/build.sh" mingw "" phantomDeskTray
LANG=zh_CN.UTF-8 exec "$root/scripts/wine-run.sh" "$root/build/mingw/wineprefix" \
    "$root/build/mingw/bin/phantomDeskTray.exe"
