#!/usr/bin/env bash
# Builds the release phantomDeskTray.exe, packs phantomDeskTray-<version>-win64.zip
# and builds phantomDeskTray-<version>-setup.exe, each with its .sha256 beside it.
# Usage: package.sh [BUILD_FOLDER]   (default build/mingw-release)
# The same commit gives the same bytes: timestamps come from the commit. With a
# code-signing certificate in the environment (see scripts/sign-exe.sh) the .exe
# is signed before it is zipped or put into the setup, and so are the setup and
# its uninstaller; signing settings that would make a poor signature stop it
# before anything is built.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-$root/build/mingw-release}

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
# Zip entries store local time.
export TZ=UTC

scripts/sign-exe.sh --check
scripts/build.sh mingw-release "$build"
(cd "$build" && cpack -C Release >/dev/null)
ls -l "$build"/phantomDeskTray-*-win64.zip "$build"/phantomDeskTray-*-setup.exe
cat "$build"/phantomDeskTray-*-win64.zip.sha256 "$build"/phantomDeskTray-*-setup.exe.sha256
