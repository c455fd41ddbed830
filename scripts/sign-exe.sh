#!/usr/bin/env bash
# Signs a Windows program in place with Authenticode (SHA-256), when a
# code-signing certificate is given in the environment:
#   PDT_SIGN_CERT and PDT_SIGN_KEY  PEM files: the certificate (with its chain)
#                                   and its private key, or
#   PDT_SIGN_PFX                    a PKCS#12 file holding both;
#   PDT_SIGN_PASSWORD               the password of the key or PFX, if any;
#   PDT_SIGN_URL                    the web address shown with the signature;
#   PDT_SIGN_TIMESTAMP_URL          an RFC 3161 time-stamp server, for releases.
# The signing time is SOURCE_DATE_EPOCH (the commit's time), so the same file and
# certificate sign into the same bytes; a time stamp makes every signature differ.
# Without a certificate it leaves the file as it is.
# Usage: sign-exe.sh FILE.exe
set -euo pipefail

file=$1
if [ -z "${PDT_SIGN_PFX:-}${PDT_SIGN_CERT:-}${PDT_SIGN_KEY:-}" ]; then
    exit 0
fi
if [ -n "${PDT_SIGN_PFX:-}" ]; then
    credentials=(-pkcs12 "$PDT_SIGN_PFX")
elif [ -n "${PDT_SIGN_CERT:-}" ] && [ -n "${PDT_SIGN_KEY:-}" ]; then
    credentials=(-certs "$PDT_SIGN_CERT" -key "$PDT_SIGN_KEY")
else
    echo "sign-exe: PDT_SIGN_CERT and PDT_SIGN_KEY go together" >&2
    exit 1
fi
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
