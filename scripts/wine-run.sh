#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, creating the prefix on
# first use. Usage: wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
set -euo pipefail

prefix=$1
shift
export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# Keep wineboot from offering to download Mono and Gecko.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if [ ! -f "$prefix/.ready" ]; then
    mkdir -p "$prefix"
    (
        # Several tests may start at once; only one creates the prefix.
        flock 9
        if [ ! -f "$prefix/.ready" ]; then
            wineboot --init >/dev/null 2>&1 || true
            # Without a window manager Wine waits 2 s whenever a window is hidden.
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
            # A crash ends the program instead of waiting on a dialog nobody answers.
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
            wineserver --wait || true
            touch "$prefix/.ready"
        fi
    ) 9>"$prefix.lock"
fi

exec wine "$@"
