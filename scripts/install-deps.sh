#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need. Does nothing when
# they are all present, so every script may call it.
set -euo pipefail

packages=(
    cmake make ninja-build clang-format git
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
    googletest
    wine wine64
    xvfb xauth x11-utils imagemagick fonts-noto-cjk locales
    lhasa unzip zip 7zip gzip
    arj cabextract gcab unar libarchive-tools
    bzip2 ncompress xz-utils dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -ne 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q "${missing[@]}"
fi

# The stand-in TAR32.DLL links the bzip2 library built from Debian's source package
# (scripts/fetch-sources.sh), so apt needs the source indexes of the configured mirrors.
if [ -z "$(apt-cache showsrc bzip2 2>/dev/null)" ]; then
    list=/etc/apt/sources.list.d/quarvel-sources.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
    else
        list=/etc/apt/sources.list.d/quarvel-sources.list
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $sudo tee "$list" >/dev/null
    fi
    echo "Source indexes added in $list"
    $sudo apt-get update -q
fi
