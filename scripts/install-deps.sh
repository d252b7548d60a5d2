#!/usr/bin/env bash
# Installs what building and testing Harrowdale needs on Debian 12 (run as root).
# Only installs packages that are missing, so it is quick on a prepared machine.
# With the argument "windows": the MinGW-w64 cross compiler, zlib for it and Wine, for
# building the Windows programs and running their tests.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libicu-dev zlib1g-dev libgtest-dev
    libxxhash-dev # hashing file contents for duplicates by content
    qt6-base-dev qt6-base-dev-tools libglib2.0-dev
    libqt6svg6 # Qt's SVG image and icon plugins (the window icon)
    qt6-translations-l10n # Qt's own texts (Yes/No, the calendar) in the chosen language
    xvfb xauth
    dbus-daemon # a private session bus for the file-manager tests
    desktop-file-utils libglib2.0-bin appstream man-db # the desktop files' checks
    dpkg-dev file lintian # the package's dependencies and its check
    ncdu gdu # the scan file format's other producers, for the exchange tests
    jdupes # the duplicate finder the content grouping's tests compare with
)

if [[ "${1:-}" == windows ]]; then
    packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
