#!/usr/bin/env bash
# Signs a Windows program in place with Authenticode (SHA-256), when a
# code-signing certificate is given in the environment:
#   PDT_SIGN_CERT and PDT_SIGN_KEY  PEM files: the certificate (with its chain)
#                                   and its private key, or
#   PDT_SIGN_PFX                    a PKCS#12 file holding both;
#   PDT_SIGN_PASSWORD               the password of the key or PFX, if any;
#   PDT_SIGN_URL                    the web address shown with the signature;
#   PDT_SIGN_TIMESTAMP_URL          an RFC 3161 time-stamp server: required;
#   PDT_SIGN_NO_TIMESTAMP=1         signs without a time stamp all the same, for
#                                   checks that need the same bytes each time.
# A signature without a time stamp is valid only while the certificate is:
# once it expires, Windows treats the program as unsigned. So a certificate
# without a time-stamp server is refused unless PDT_SIGN_NO_TIMESTAMP=1 asks.
# The signing time is SOURCE_DATE_EPOCH (the commit's time), so the same file and
# certificate sign into the same bytes; a time stamp makes every signature differ.
# Without a certificate it leaves the file as it is.
# Usage: sign-exe.sh FILE.exe   signs FILE.exe
#        sign-exe.sh --check    checks the settings before anything is built, and
#                               says in one line how the program will be signed
set -euo pipefail

check=$([ "${1:-}" = "--check" ] && echo 1 || true)
if [ -z "${PDT_SIGN_PFX:-}${PDT_SIGN_CERT:-}${PDT_SIGN_KEY:-}" ]; then
    [ -z "$check" ] || echo "No code-signing certificate given: phantomDeskTray.exe is packed unsigned"
    exit 0
fi
if [ -n "${PDT_SIGN_PFX:-}" ]; then
    credentials=(-pkcs12 "$PDT_SIGN_PFX")
elif [ -n "${PDT_SIGN_CERT:-}" ] && [ -n "${PDT_SIGN_KEY:-}" ]; then
    credentials=(-certs "$PDT_SIGN_CERT" -key "$PDT_SIGN_KEY")
else
    echo "signing: PDT_SIGN_CERT and PDT_SIGN_KEY go together" >&2
    exit 1
fi
if [ -z "${PDT_SIGN_TIMESTAMP_URL:-}" ] && [ "${PDT_SIGN_NO_TIMESTAMP:-}" != 1 ]; then
    echo "signing: refused: without a time-stamp server (PDT_SIGN_TIMESTAMP_URL) the signature ends with the certificate; PDT_SIGN_NO_TIMESTAMP=1 signs so all the same" >&2
    exit 1
fi
if [ -n "$check" ]; then
    if [ -n "${PDT_SIGN_TIMESTAMP_URL:-}" ]; then
        echo "Signing phantomDeskTray.exe, time-stamped"
    else
        echo "Signing phantomDeskTray.exe without a time stamp: the signature ends with the certificate"
    fi
    exit 0
fi

file=$1
options=(-h sha256 -n phantomDeskTray -time "${SOURCE_DATE_EPOCH:-$(date +%s)}")
[ -n "${PDT_SIGN_URL:-}" ] && options+=(-i "$PDT_SIGN_URL")
[ -n "${PDT_SIGN_TIMESTAMP_URL:-}" ] && options+=(-ts "$PDT_SIGN_TIMESTAMP_URL")

signed="$file.signed"
rm -f "$signed"
if [ -n "${PDT_SIGN_PASSWORD:-}" ]; then
    # Through a pipe, never on a command line that others can read.
    osslsigncode sign "${credentials[@]}" "${options[@]}" -readpass <(printf '%s' "$PDT_SIGN_PASSWORD") \
        -in "$file" -out "$signed" >/dev/null
else
    osslsigncode sign "${credentials[@]}" "${options[@]}" -in "$file" -out "$signed" >/dev/null
fi
mv "$signed" "$file"
