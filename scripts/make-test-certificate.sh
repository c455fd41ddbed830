#!/usr/bin/env bash
# Makes a throwaway self-signed code-signing certificate for the release checks:
# FOLDER/cert.pem and FOLDER/key.pem, valid for two days. Never for a release.
# Usage: make-test-certificate.sh FOLDER
set -euo pipefail

mkdir -p "$1"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=phantomDeskTray test signing" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$1/key.pem" -out "$1/cert.pem" 2>/dev/null
