#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, where it is missing:
# the mingw-w64 cross-compiler, CMake, NSIS for the setup, GoogleTest's sources,
# Wine with its own fonts (Marlett draws the close buttons in window frames),
# Xvfb, a CJK font with a Chinese locale so that the program's texts render, and
# the code checks (clang with lld, clang-tidy, clang-format, cppcheck, and a
# Markdown parser for the documents' check).
set -euo pipefail

packages=(
    cmake make python3
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 nsis
    googletest
    wine wine64 fonts-wine
    xvfb xauth x11-apps imagemagick
    fonts-wqy-microhei locales
    clang-14 clang-tools-14 lld-14 llvm-14 clang-tidy-14 clang-format-14 cppcheck python3-markdown-it
    osslsigncode openssl
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "Generating the zh_CN.UTF-8 locale"
    $sudo sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
