#!/usr/bin/env bash
# Installs the Debian packages Kelto needs, only those that are missing.
# Usage: scripts/setup.sh [group...]   (default: run test)
#   run      building and starting the program
#   test     the test suite, benchmarks, sanitizer runtime, fuzzing and screenshots
#   package  the Debian package and its checks (lintian, desktop entry, AppStream, manual page)
#   windows  the Windows SDK, the Windows build under Wine and its setup program
# Package names carry no Debian release: libclang-rt-dev is the sanitizer and libFuzzer runtime
# of the default clang, whatever its version.
set -euo pipefail

run_packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libqscintilla2-qt6-dev libgl-dev
              libxcb1-dev libzip-dev)
test_packages=(ccache libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool xclip imagemagick
               poppler-utils clang libclang-rt-dev openbox x11-utils)
package_packages=(dpkg-dev lintian desktop-file-utils appstream man-db)
windows_packages=(cmake ninja-build dpkg-dev qt6-base-dev qt6-base-dev-tools gcc-mingw-w64-x86-64-posix
                  g++-mingw-w64-x86-64-posix wine64 nsis zip unzip fonts-dejavu-core)

groups=("$@")
[ ${#groups[@]} -eq 0 ] && groups=(run test)
packages=()
for group in "${groups[@]}"; do
    case "$group" in
        run) packages+=("${run_packages[@]}") ;;
        test) packages+=("${run_packages[@]}" "${test_packages[@]}") ;;
        package) packages+=("${run_packages[@]}" "${package_packages[@]}") ;;
        windows) packages+=("${windows_packages[@]}") ;;
        *) echo "setup.sh: unknown group '$group' (run, test, package, windows)" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg -s "$package" >/dev/null 2>&1 && [[ " ${missing[*]} " != *" $package "* ]]; then
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
