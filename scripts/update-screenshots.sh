#!/usr/bin/env bash
# Pictures the real program under Wine and puts the README's screenshots into
# docs/images.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
shots=$root/build/mingw/screenshots
"$root/scripts/screenshots.sh" "$shots"
mkdir -p "$root/docs/images"
cp "$shots/greeting.png" "$shots/menu.png" "$shots/error.png" "$root/docs/images/"
echo "Updated docs/images: greeting.png menu.png error.png"
