#!/usr/bin/env bash
# Packs the release twice, in two build folders at different paths, and checks
# that the .exe, the zip and the setup come out byte for byte the same, signed
# with a throwaway certificate as a release is with a real one; builds the clang
# .exe twice the same way and compares it too.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/phantomDeskTray-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$root/scripts/make-test-certificate.sh" "$work/certificate"
# Without a time stamp, which would differ each time.
export PDT_SIGN_CERT=$work/certificate/cert.pem PDT_SIGN_KEY=$work/certificate/key.pem PDT_SIGN_NO_TIMESTAMP=1
unset PDT_SIGN_PFX PDT_SIGN_TIMESTAMP_URL
"$root/scripts/package.sh" "$work/first" >/dev/null
"$root/scripts/package.sh" "$work/second build" >/dev/null
"$root/scripts/build.sh" clang "$work/first/clang" >/dev/null
"$root/scripts/build.sh" clang "$work/second build/clang" >/dev/null

status=0
for file in bin/phantomDeskTray.exe phantomDeskTray-*-win64.zip phantomDeskTray-*-win64.zip.sha256 \
    phantomDeskTray-*-setup.exe phantomDeskTray-*-setup.exe.sha256 clang/bin/phantomDeskTray.exe; do
    first=$(cd "$work/first" && ls $file)
    if cmp "$work/first/$first" "$work/second build/$first"; then
        echo "same bytes: $first"
    else
        echo "DIFFERENT: $first"
        status=1
    fi
done
exit $status
