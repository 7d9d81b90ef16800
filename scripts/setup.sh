#!/usr/bin/env bash
# Installs everything Nuvela needs on Debian 12. Does nothing slow when all is present.
set -euo pipefail

packages=(
    cmake make g++ clang libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    libboost1.81-dev googletest libgtest-dev libbenchmark-dev libicu-dev
    cmark-gfm libcmark-gfm-dev libcmark-gfm-extensions-dev
    wine wine64 xvfb xauth x11-utils xclip xdotool
    fonts-noto-cjk imagemagick file procps coreutils fp-utils
    nsis zip unzip
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if ((EUID != 0)); then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
