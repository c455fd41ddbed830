#!/usr/bin/env bash
# Installs what is missing, then configures and builds a CMake preset.
# Usage: build.sh PRESET [BUILD_FOLDER] [TARGET...]   (BUILD_FOLDER "" keeps the preset's)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup-debian.sh"

preset=$1
folder=${2:-$root/build/$preset}
shift $(( $# >= 2 ? 2 : 1 ))
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --preset "$preset" -B "$folder" >/dev/null
cmake --build "$folder" -j"$(nproc)" "${targets[@]}"
