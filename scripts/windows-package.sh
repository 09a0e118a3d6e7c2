#!/usr/bin/env bash
# Packs the Windows build (scripts/windows.sh) for users: kelto.exe with every DLL and Qt
# plugin it loads, collected by following the programs' imports through the SDK, the Windows
# build templates and the licence; then a portable zip and a setup program made with makensis.
# With --check, the setup program is also installed and uninstalled silently under Wine, in a
# Wine prefix of its own, and what it left is checked.
# Usage: scripts/windows-package.sh [--check] [build-folder]   (default: build-windows)
# Makes build-folder/Kelto-<version>-setup.exe and build-folder/Kelto-<version>-portable.zip.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
check=0
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
build="$(cd "${1:-$root/build-windows}" && pwd)"
sdk="$(bash "$root/scripts/windows-sdk.sh" --print)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] && [ -f "$build/kelto.exe" ] || {
    echo "windows-package: no Windows build in $build (scripts/windows.sh makes one)" >&2
    exit 2
}

stage="$build/package/Kelto-$version"
rm -rf "$build/package"
mkdir -p "$stage"
strip=x86_64-w64-mingw32-strip

# The program, without its debug information, and the plugins Qt loads by name: the Windows
# platform and its native style. Qt finds them beside the program (qt.conf).
x86_64-w64-mingw32-objcopy --strip-debug "$build/kelto.exe" "$stage/kelto.exe"
mkdir -p "$stage/platforms" "$stage/styles"
cp "$sdk/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$sdk/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\n' >"$stage/qt.conf"

# Every DLL these import, and those the DLLs import, from the SDK; Windows' own are left to
# Windows. A DLL found in neither place stops the packing.
windows_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
queue=("$stage/kelto.exe" "$stage/platforms/qwindows.dll" "$stage/styles/qwindowsvistastyle.dll")
while [ ${#queue[@]} -gt 0 ]; do
    file="${queue[0]}"
    queue=("${queue[@]:1}")
    while read -r dll; do
        lower="${dll,,}"
        [ -e "$stage/$dll" ] && continue
        found="$(find "$sdk/bin" -maxdepth 1 -iname "$dll" | head -n 1)"
        if [ -n "$found" ]; then
            cp "$found" "$stage/$dll"
            queue+=("$stage/$dll")
        elif [ ! -e "$windows_dlls/$lower" ] && [[ "$lower" != api-ms-win-* ]]; then
            echo "windows-package: $(basename "$file") needs $dll, which is neither in the SDK nor a part of Windows" >&2
            exit 1
        fi
    done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done
find "$stage" -name '*.dll' -exec "$strip" --strip-unneeded {} +

# What a user needs beside the program: the Windows build templates and the licence, with
# Windows line breaks.
cp -r "$root/docs/examples/windows" "$stage/examples"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"

# The portable zip: the same folder, to be unpacked anywhere and run from there.
portable="$build/Kelto-$version-portable.zip"
rm -f "$portable"
(cd "$build/package" && zip -qr9 "$portable" "Kelto-$version")

# The uninstaller removes exactly the files the setup put there, deepest folders last.
list="$build/package/uninstall.nsh"
(
    cd "$stage"
    find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|'
    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|'
) >"$list"
setup="$build/Kelto-$version-setup.exe"
makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$stage" -DUNINSTALL_LIST="$list" \
    -DSIZE_KB="$(du -sk "$stage" | cut -f1)" -DICON="$root/packaging/windows/kelto.ico" \
    -DOUTFILE="$setup" "$root/packaging/windows/kelto.nsi"
echo "windows-package: $(basename "$setup") $(du -h "$setup" | cut -f1)," \
    "$(basename "$portable") $(du -h "$portable" | cut -f1)"
[ "$check" = 1 ] || exit 0

# The silent install and uninstall, in a Wine prefix of their own.
source "$root/scripts/windows-wine.sh"
prefix="$build/package/wine"
wine_environment "$prefix" "$sdk" headless
unset WINEPATH # the installed program must find everything in its own folder
installed="$prefix/drive_c/Program Files/Kelto"
links="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
problems=0
expect() { # expect WHAT COMMAND...: runs the check, says what failed
    local what=$1
    shift
    if "$@"; then echo "setup check: $what"; else echo "setup check FAILED: $what" >&2; problems=$((problems + 1)); fi
}
registry_has() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | grep -q "$2"; }

wine "$setup" /S # returns when the setup program has ended
expect "installed in Program Files" test -f "$installed/kelto.exe"
expect "the zip library and zlib it uses (Package Mod)" test -f "$installed/libzip.dll" -a -f "$installed/libzlib.dll"
expect "every packed file installed" \
    test "$(cd "$stage" && find . -type f | wc -l)" -eq "$(cd "$installed" && find . -type f ! -name Uninstall.exe | wc -l)"
expect "Start menu entry" test -f "$links/Kelto.lnk"
expect ".kws opens in Kelto" registry_has 'HKLM\Software\Classes\.kws' Kelto.Workspace
expect "its open command" registry_has 'HKLM\Software\Classes\Kelto.Workspace\shell\open\command' 'kelto.exe" "%1"'
expect ".c offers Kelto under Open with" \
    sh -c "wine reg query 'HKLM\\Software\\Classes\\.c\\OpenWithProgids' 2>/dev/null | grep -q Kelto.Source"
expect "listed in Apps & features" \
    sh -c "wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelto' /v DisplayVersion 2>/dev/null | grep -q '$version'"
expect "the installed program starts (kelto --version)" \
    sh -c "wine 'C:\\Program Files\\Kelto\\kelto.exe' --version 2>/dev/null | tr -d '\\r' | grep -qx 'Kelto $version'"

touch "$installed/notes-of-the-user.txt"
# The uninstaller runs a copy of itself from the temporary folder and returns at once: its work
# is done when the program's files are gone (a minute at most).
wine "$installed/Uninstall.exe" /S
for _ in $(seq 60); do
    [ -e "$installed/kelto.exe" ] || [ -e "$installed/Uninstall.exe" ] || break
    sleep 1
done
sleep 1
expect "uninstalled: the program's files gone" test ! -e "$installed/kelto.exe" -a ! -e "$installed/Qt6Core.dll"
expect "a file of the user's in the folder kept" test -e "$installed/notes-of-the-user.txt"
expect "Start menu entry gone" test ! -e "$links/Kelto.lnk"
expect ".kws no longer Kelto's" sh -c "! wine reg query 'HKLM\\Software\\Classes\\.kws' >/dev/null 2>&1"
wineserver -k 2>/dev/null || true
[ "$problems" = 0 ]
