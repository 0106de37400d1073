#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when they are missing.
# Uses sudo when not run as root.
set -euo pipefail

packages=(
    # Build
    cmake ninja-build g++ pkg-config
    # Card engine
    libarchive-dev
    # Tests
    googletest libgtest-dev
    # Windows build (64-bit, and 32-bit built only), tests under Wine
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 fonts-wine
    # Linux desktop program
    qt6-base-dev qt6-translations-l10n fonts-dejavu-core
    # Window tests: a virtual display, keys, screenshots, the accessibility tree
    xvfb xauth xdotool imagemagick dbus dbus-x11 at-spi2-core python3-pyatspi
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update
    "${sudo[@]}" apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
