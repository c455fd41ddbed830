#!/usr/bin/env bash
# Packs the release signed with a throwaway certificate and checks what a user's
# Windows checks: the signatures of the .exe and of the setup verify against that
# certificate, a copy with one byte changed does not, the setup installs a signed
# program and uninstaller, and the signed .exe still starts and greets (under
# Wine, driven by the end-to-end start-up test). Checks first that a certificate
# without a time-stamp server packs nothing unless asked to. Runs inside the test
# command, on its virtual display and Wine prefix.
# Usage: check-signing.sh TEST_BUILD_FOLDER
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tests=$(cd "$1" && pwd)
export WINEPREFIX=${WINEPREFIX:-$tests/wineprefix}
work=$(mktemp -d "${TMPDIR:-/tmp}/phantomDeskTray-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$root/scripts/make-test-certificate.sh" "$work/certificate"
cert=$work/certificate/cert.pem
export PDT_SIGN_CERT=$cert PDT_SIGN_KEY=$work/certificate/key.pem PDT_SIGN_PFX= PDT_SIGN_TIMESTAMP_URL=

status=0
if PDT_SIGN_NO_TIMESTAMP= "$root/scripts/package.sh" "$work/refused" >/dev/null 2>&1 || [ -e "$work/refused" ]; then
    echo "FAILED: a certificate without a time-stamp server was not refused before building"; status=1
else
    echo "a signature without a time stamp is refused unless asked for"
fi

PDT_SIGN_NO_TIMESTAMP=1 PDT_SIGN_URL=https://example.org/phantomDeskTray \
    "$root/scripts/package.sh" "$work/build" >/dev/null
(cd "$work" && cmake -E tar xf "$work"/build/phantomDeskTray-*-win64.zip)
signed=$(ls "$work"/phantomDeskTray-*-win64/phantomDeskTray.exe)

setup=$(ls "$work"/build/phantomDeskTray-*-setup.exe)

verifies() {
    osslsigncode verify -CAfile "$cert" -in "$1" >"$work/verify.txt" 2>&1
}
for file in "$signed" "$setup"; do
    name=$(basename "$file")
    if verifies "$file"; then
        echo "signature verifies: $name"
    else
        echo "FAILED: $name does not verify"; cat "$work/verify.txt"; status=1
    fi
    cp "$file" "$work/tampered.exe"
    python3 - "$work/tampered.exe" <<'PYTHON'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
data[0x1000] ^= 0xFF  # one byte of the program's code
open(sys.argv[1], 'wb').write(data)
PYTHON
    if verifies "$work/tampered.exe"; then
        echo "FAILED: a changed copy of $name still verifies"; status=1
    else
        echo "a changed copy of $name fails verification"
    fi
done

# The setup writes its uninstaller out when it installs: that one must carry the
# signature given to it before it went into the setup.
installed=$WINEPREFIX/drive_c/Program\ Files/VirtualScreen
if "$root/scripts/wine-run.sh" "$WINEPREFIX" "$(winepath -w "$setup" 2>/dev/null)" /S &&
    verifies "$installed/uninstall.exe" && verifies "$installed/phantomDeskTray.exe"; then
    echo "the installed program and uninstaller are signed"
else
    echo "FAILED: the signed setup did not install a signed program and uninstaller"; status=1
fi
# The uninstaller hands over to a copy of itself and returns at once.
"$root/scripts/wine-run.sh" "$WINEPREFIX" "C:\\Program Files\\VirtualScreen\\uninstall.exe" /S || true
for _ in $(seq 60); do
    [ -e "$installed" ] || break
    sleep 0.5
done

# The start-up test, run on the signed .exe instead of the one it was built with.
if PDT_PROGRAM_UNDER_TEST=$(winepath -w "$signed" 2>/dev/null) \
    "$root/scripts/wine-run.sh" "$WINEPREFIX" "$tests/bin/e2e_tests.exe" \
    --gtest_filter='Startup.ElevatedStartGreetsAndLeavesAHiddenWindowAndATrayIcon'; then
    echo "the signed .exe starts and greets"
else
    echo "FAILED: the signed .exe did not start and greet"; status=1
fi
exit $status
