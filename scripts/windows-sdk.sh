#!/usr/bin/env bash
# Builds, once, what the Windows build of Kelto links: Qt 6 (only Core, Gui, Widgets,
# PrintSupport, Network and Test, with the windows and offscreen platform plugins), QScintilla,
# libzip with the zlib it needs (the .pk3 packages), and GoogleTest, cross-compiled with
# MinGW-w64 from Debian's own source packages, so the Windows program is made of the same
# sources as the Linux one. Each part is built only when
# its stamp is missing from the SDK folder: run again, the script does nothing.
# Usage: scripts/windows-sdk.sh            builds into $KELTO_WINDOWS_SDK or the default below
#        scripts/windows-sdk.sh --print    prints the SDK folder
#        scripts/windows-sdk.sh --check    exits 0 when the SDK is complete, 1 when not
# About 35 minutes on 2 cores (docs/platform.md); run it under nice on a shared machine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

qt_version=6.4.2
qsci_version=2.13.3
gtest_version=1.12.1
zlib_version=1.2.13
libzip_version=1.7.3
sdk="${KELTO_WINDOWS_SDK:-${XDG_CACHE_HOME:-$HOME/.cache}/kelto/windows-sdk-qt$qt_version}"
if [ "${1:-}" = --print ]; then
    echo "$sdk"
    exit 0
fi

stamps="$sdk/kelto-sdk"
parts=("qtbase-$qt_version" "qscintilla-$qsci_version" "zlib-$zlib_version"
       "libzip-$libzip_version" "googletest-$gtest_version" runtime-gcc12)
missing=()
for part in "${parts[@]}"; do
    [ -e "$stamps/$part" ] || missing+=("$part")
done
if [ "${1:-}" = --check ]; then
    [ ${#missing[@]} -eq 0 ]
    exit
fi
if [ ${#missing[@]} -eq 0 ]; then
    echo "windows-sdk: $sdk is complete"
    exit 0
fi

bash "$root/scripts/setup.sh" windows

# The source packages come from the archive the machine's packages come from: its deb lines,
# repeated as deb-src, when none is there yet.
if [ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; then
    echo "windows-sdk: adding deb-src lines for the machine's Debian archive"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    if [ -e /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/kelto-deb-src.sources >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/kelto-deb-src.list >/dev/null
    fi
    "${sudo_cmd[@]}" apt-get update -o DPkg::Lock::Timeout=900 >/dev/null
fi

work="$sdk.work"
mkdir -p "$work" "$stamps"
cd "$work"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
jobs="$(nproc)"
started=$SECONDS

# Unpacks a source package (with Debian's patches) once and prints its folder.
unpack() {
    local package=$1 pattern=$2
    if ! compgen -G "$pattern" >/dev/null; then
        apt-get source "$package" >"$work/apt-source-$package.log" 2>&1 ||
            { cat "$work/apt-source-$package.log" >&2; exit 1; }
    fi
    compgen -G "$pattern" | head -n 1
}

if [ ! -e "$stamps/qtbase-$qt_version" ]; then
    echo "windows-sdk: Qt $qt_version (qtbase) into $sdk"
    src="$work/$(unpack qt6-base "qt6-base-$qt_version*/")"
    rm -rf build-qtbase && mkdir build-qtbase && cd build-qtbase
    # Only the modules and plugins Kelto uses. Debian's repack leaves out src/3rdparty/wintab,
    # which tablet events need; the image and text libraries are Qt's bundled copies.
    "$src/configure" -prefix "$sdk" -release -shared -xplatform win32-g++ -qt-host-path /usr \
        -nomake examples -nomake tests -no-pch -no-opengl -no-dbus -no-icu -no-zstd \
        -no-openssl -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-harfbuzz \
        -qt-freetype -qt-doubleconversion -no-feature-tabletevent -no-feature-sql \
        -no-feature-concurrent -no-feature-xml -no-feature-vulkan \
        -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$work/qtbase-configure.log" 2>&1 ||
        { tail -n 60 "$work/qtbase-configure.log" >&2; exit 1; }
    cmake --build . --parallel "$jobs" >"$work/qtbase-build.log" 2>&1 ||
        { tail -n 60 "$work/qtbase-build.log" >&2; exit 1; }
    cmake --install . >"$work/qtbase-install.log"
    cd "$work"
    touch "$stamps/qtbase-$qt_version"
fi

if [ ! -e "$stamps/qscintilla-$qsci_version" ]; then
    echo "windows-sdk: QScintilla $qsci_version"
    src="$work/$(unpack qscintilla2 "qscintilla2-$qsci_version*/")"
    rm -rf build-qscintilla
    cmake -S "$root/cmake/windows-sdk/qscintilla" -B build-qscintilla -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DKELTO_WINDOWS_SDK="$sdk" -DQSCINTILLA_SOURCE="$src" -DCMAKE_INSTALL_PREFIX="$sdk" \
        >"$work/qscintilla.log" 2>&1 || { tail -n 40 "$work/qscintilla.log" >&2; exit 1; }
    cmake --build build-qscintilla --parallel "$jobs" >>"$work/qscintilla.log" 2>&1 ||
        { tail -n 40 "$work/qscintilla.log" >&2; exit 1; }
    cmake --install build-qscintilla --strip >>"$work/qscintilla.log"
    touch "$stamps/qscintilla-$qsci_version"
fi

# Builds a CMake project of a source package into the SDK: cmake_part NAME SOURCE [OPTIONS...].
cmake_part() {
    local name=$1 src=$2
    shift 2
    rm -rf "build-$name"
    cmake -S "$src" -B "build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKELTO_WINDOWS_SDK="$sdk" \
        -DCMAKE_INSTALL_PREFIX="$sdk" "$@" >"$work/$name.log" 2>&1 ||
        { tail -n 40 "$work/$name.log" >&2; exit 1; }
    cmake --build "build-$name" --parallel "$jobs" >>"$work/$name.log" 2>&1 ||
        { tail -n 40 "$work/$name.log" >&2; exit 1; }
    cmake --install "build-$name" >>"$work/$name.log"
}

if [ ! -e "$stamps/zlib-$zlib_version" ]; then
    echo "windows-sdk: zlib $zlib_version"
    # The archive's own version: the security update's sources are not always to be had.
    src="$work/$(unpack "zlib=1:$zlib_version.dfsg-1" "zlib-$zlib_version*/")"
    # Debian's source leaves out win32/, whose version resource zlib's CMake build compiles
    # into the DLL; a plain one stands in.
    if [ ! -e "$src/win32/zlib1.rc" ]; then
        mkdir -p "$src/win32"
        printf '1 VERSIONINFO\nFILEVERSION %s,0\nPRODUCTVERSION %s,0\nBEGIN\n  BLOCK "StringFileInfo"\n  BEGIN\n    BLOCK "040904E4"\n    BEGIN\n      VALUE "FileDescription", "zlib data compression library\\0"\n      VALUE "FileVersion", "%s\\0"\n    END\n  END\nEND\n' \
            "${zlib_version//./,}" "${zlib_version//./,}" "$zlib_version" >"$src/win32/zlib1.rc"
    fi
    cmake_part zlib "$src"
    touch "$stamps/zlib-$zlib_version"
fi

if [ ! -e "$stamps/libzip-$libzip_version" ]; then
    echo "windows-sdk: libzip $libzip_version"
    # Deflate alone: no other compression, no encryption, no tools.
    src="$work/$(unpack libzip "libzip-$libzip_version*/")"
    cmake_part libzip "$src" \
        -DZLIB_ROOT="$sdk" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_COMMONCRYPTO=OFF \
        -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
        -DENABLE_WINDOWS_CRYPTO=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
        -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
    touch "$stamps/libzip-$libzip_version"
fi

if [ ! -e "$stamps/googletest-$gtest_version" ]; then
    echo "windows-sdk: GoogleTest $gtest_version"
    src="$work/$(unpack googletest "googletest-$gtest_version*/")"
    rm -rf build-googletest
    cmake -S "$src" -B build-googletest -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$sdk" \
        >"$work/googletest.log" 2>&1 || { tail -n 40 "$work/googletest.log" >&2; exit 1; }
    cmake --build build-googletest --parallel "$jobs" >>"$work/googletest.log" 2>&1 ||
        { tail -n 40 "$work/googletest.log" >&2; exit 1; }
    cmake --install build-googletest >>"$work/googletest.log"
    touch "$stamps/googletest-$gtest_version"
fi

# The compiler's own runtime DLLs, which every DLL above and Kelto's programs load, beside them.
if [ ! -e "$stamps/runtime-gcc12" ]; then
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        cp "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")" "$sdk/bin/"
    done
    touch "$stamps/runtime-gcc12"
fi

# The sources and build folders are many times the SDK's size; only the SDK is kept.
cd "$root"
rm -rf "$work"
echo "windows-sdk: done in $(((SECONDS - started) / 60)) min; $(du -sh "$sdk" | cut -f1) in $sdk"
