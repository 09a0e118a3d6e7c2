#!/usr/bin/env bash
# Installs the Debian packages Kelto's build and tests need, only those that are missing.
set -euo pipefail

packages=(build-essential cmake ninja-build ccache qt6-base-dev libqscintilla2-qt6-dev
          libgtest-dev libgmock-dev libbenchmark-dev libgl-dev xvfb xauth xdotool imagemagick
          poppler-utils clang libclang-rt-14-dev)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg -s "$package" >/dev/null 2>&1; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
