#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, creating the prefix on
# first use. Usage: wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
set -euo pipefail

prefix=$1
shift
export WINEPREFIX=$prefix
export WINEARCH=win64
# Quiet, but for the one error that says Wine could not lay out a new process
# (see below).
export WINEDEBUG=${WINEDEBUG:--all,err+virtual}
# Keep wineboot from offering to download Mono and Gecko, and shortcuts that a
# setup makes off this machine's own desktop and menus.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}

# Debian builds Wine without its preloader, which reserves the addresses that
# Windows processes need before Linux places anything. Linux puts a 64-bit
# program's heap anywhere in the gigabyte after the program; Wine's loader lies at
# 0x7d000000, 48 MB below 0x7ffe0000, where every Windows process has its shared
# user data. Now and then (about one start in a few thousand) the heap is there
# first: the new process prints "failed to map the shared user data" and ends,
# and CreateProcess fails. Without randomized placement the heap always starts
# right after the loader. Where the sandbox forbids that, run as is.
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    norandom=(setarch "$(uname -m)" -R)
fi

# wineboot chooses the fonts of menus and message boxes for the locale it runs
# in, and they stay in the prefix: made outside a Chinese locale, they have no
# Chinese characters, and every later run draws the program's texts as empty
# boxes. So every prefix is made in the program's users' locale, whoever makes
# it first; the locale of later runs leaves those fonts alone. The mark names
# that locale; a prefix without it (made by an older version of this script, or
# by Wine itself for a winepath run before this one) is made anew.
prefix_locale=zh_CN.UTF-8
prefix_ready() {
    [ "$(cat "$prefix/.ready" 2>/dev/null)" = "$prefix_locale" ]
}
if ! prefix_ready; then
    mkdir -p "$prefix"
    (
        # Several tests may start at once; only one creates the prefix.
        flock 9
        if ! prefix_ready; then
            if [ -f "$prefix/system.reg" ]; then
                wineserver -k 2>/dev/null || true
                rm -rf "$prefix"
            fi
            export LANG=$prefix_locale LC_ALL=$prefix_locale
            "${norandom[@]}" wineboot --init >/dev/null 2>&1 || true
            # Without a window manager Wine waits 2 s whenever a window is hidden.
            "${norandom[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
            # A crash ends the program instead of waiting on a dialog nobody answers.
            "${norandom[@]}" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
            wineserver --wait || true
            echo "$prefix_locale" > "$prefix/.ready"
        fi
    ) 9>"$prefix.lock"
fi

# Wine draws the buttons in window frames with the Marlett font, and takes it only
# from the prefix's own Fonts folder; without it the close button shows an "r".
# Debian ships it apart, in fonts-wine.
marlett=/usr/share/wine/fonts/marlett.ttf
fonts=$prefix/drive_c/windows/Fonts
if [ -f "$marlett" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp "$marlett" "$fonts/"
fi

exec "${norandom[@]}" wine "$@"
