#!/usr/bin/env bash
# Fails when the release .exe is larger than 100 KB, so that growth shows on the
# change that causes it: a static library brings whole object files, and one
# identifier once brought 40 KB. Prints the size either way.
# Usage: check-size.sh PROGRAM.exe
set -euo pipefail

limit=102400
size=$(stat -c %s "$1")
if [ "$size" -gt "$limit" ]; then
    echo "size: FAILED: $(basename "$1") is $size bytes, more than $limit"
    exit 1
fi
echo "size: $(basename "$1") is $size bytes, within $limit"
