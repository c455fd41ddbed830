#!/usr/bin/env bash
# Pictures the real program under Wine and puts the README's screenshots into
# docs/images.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
shots=$root/build/mingw/screenshots
"$root/scripts/screenshots.sh" "$shots"
mkdir -p "$root/docs/images"
pictures=(icon.png greeting.png menu.png error.png)
for picture in "${pictures[@]}"; do
    cp "$shots/$picture" "$root/docs/images/"
done
echo "Updated docs/images: ${pictures[*]}"
