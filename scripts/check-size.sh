#!/usr/bin/env bash
# Fails when the release .exe passes 100 KB, so that growth shows on the change
# that causes it: a static library brings whole object files.
# Usage: check-size.sh PROGRAM.exe
set -euo pipefail

limit=102400
size=$(stat -c %s "$1")
verdict=$([ "$size" -le "$limit" ] && echo "within" || echo "FAILED: more than")
echo "size: $(basename "$1") is $size bytes, $verdict $limit"
[ "$size" -le "$limit" ]
