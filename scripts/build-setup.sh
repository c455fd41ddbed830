#!/usr/bin/env bash
# Builds the setup from packaging/setup.nsi with makensis, and its .sha256 beside
# it. The program is staged with the guide and the licence, signed when a
# certificate is given (see sign-exe.sh), and given the time of SOURCE_DATE_EPOCH
# (the commit's time unless set), so that the same commit builds the same bytes.
# makensis signs the uninstaller before it goes into the setup, then the setup.
# Usage: build-setup.sh VERSION PROGRAM.exe DOCUMENTS_FOLDER SETUP.exe
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
version=$1
program=$2
documents=$3
setup=$4
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}

stage=$setup.stage
rm -rf "$stage"
mkdir -p "$stage" "$(dirname "$setup")"
cp "$program" "$stage/phantomDeskTray.exe"
cp "$documents/USER-GUIDE.txt" "$documents/LICENSE.txt" "$stage/"
"$root/scripts/sign-exe.sh" "$stage/phantomDeskTray.exe"
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

# -WX: a warning is a fault in the script, and fails the build.
makensis -WX -V2 -INPUTCHARSET UTF8 "-XTarget amd64-unicode" \
    "-DPDT_VERSION=$version" "-DPDT_STAGE=$stage" "-DPDT_ICON=$root/src/resources/app.ico" \
    "-DPDT_OUTPUT=$setup" "-DPDT_SIGN=$root/scripts/sign-exe.sh" "$root/packaging/setup.nsi"
rm -rf "$stage"
(cd "$(dirname "$setup")" && sha256sum "$(basename "$setup")" >"$(basename "$setup").sha256")
