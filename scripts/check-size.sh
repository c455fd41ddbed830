#!/usr/bin/env bash
# Fails when a file of the release passes its limit, so that growth shows on the
# change that causes it: a static library brings whole object files, and the
# setup carries the program and the uninstaller.
# Usage: check-size.sh FILE LIMIT_IN_BYTES
set -euo pipefail

limit=$2
size=$(stat -c %s "$1")
verdict=$([ "$size" -le "$limit" ] && echo "within" || echo "FAILED: more than")
echo "size: $(basename "$1") is $size bytes, $verdict $limit"
[ "$size" -le "$limit" ]
