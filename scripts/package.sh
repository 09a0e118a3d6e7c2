#!/usr/bin/env bash
# Makes the Debian package in a build folder and checks it as a distribution would: lintian with
# no error and no warning, the desktop entry, the AppStream metainfo, the manual page, the links
# of the installed user guide, and one version in the package, its changelog and its metainfo.
# Usage: scripts/package.sh [build-folder]   (default: build; configured first when it is not)
# Exits non-zero when a check fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"

bash "$root/scripts/setup.sh" package
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DKELTO_BUILD_TESTS=OFF -DKELTO_BUILD_BENCH=OFF
fi
cmake --build "$build" --parallel "$(nproc)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
rm -f "$build"/kelto_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$build/kelto_${version}_$(dpkg --print-architecture).deb"
echo "Package: $deb"

tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
status=0

# Runs a check; it fails on a non-zero status or on any output.
check() {
    local name="$1" output
    shift
    if output="$("$@" 2>&1)" && [ -z "$output" ]; then
        echo "ok: $name"
    else
        echo "FAILED: $name"
        [ -z "$output" ] || printf '%s\n' "$output" | sed 's/^/    /'
        status=1
    fi
}

lintian_clean() {
    local output code=0
    output="$(lintian --fail-on error,warning --display-level '>=warning' "$deb" 2>&1)" || code=$?
    # lintian only advises against running as root, which CI does.
    printf '%s\n' "$output" | grep -v -e '^running with root privileges' -e '^$' || true
    return $code
}

appstream_valid() {
    appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml >/dev/null &&
        appstreamcli validate-tree --no-net "$tree" >/dev/null
}

man_page_clean() {
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$tree/usr/share/man/man1/kelto.1.gz" 2>&1 >/dev/null
}

# Every relative link of the installed user guide names a file or folder in the package.
guide_links_resolve() {
    local doc="$tree/usr/share/doc/kelto" link
    grep -o '](\([^)]*\))' "$doc/user-guide.md" | sed 's/^](\(.*\))$/\1/' | sort -u |
        while read -r link; do
            case "$link" in http:* | https:* | mailto:* | '#'*) continue ;; esac
            [ -e "$doc/${link%%#*}" ] || echo "user-guide.md links $link, which is not installed"
        done
}

one_version() {
    local changelog metainfo
    changelog="$(zcat "$tree/usr/share/doc/kelto/changelog.gz" | sed -n '1s/^kelto (\([^)]*\)).*/\1/p')"
    metainfo="$(grep -o '<release version="[^"]*"' "$tree"/usr/share/metainfo/*.metainfo.xml |
        head -n1 | sed 's/.*"\(.*\)"/\1/')"
    [ "$changelog" = "$version" ] || echo "the changelog's newest entry is $changelog, not $version"
    [ "$metainfo" = "$version" ] || echo "the metainfo's newest release is $metainfo, not $version"
}

check "lintian: no error, no warning" lintian_clean
check "desktop-file-validate" desktop-file-validate "$tree/usr/share/applications/kelto.desktop"
check "appstreamcli validate --no-net" appstream_valid
check "man --warnings kelto.1" man_page_clean
check "the user guide's links resolve" guide_links_resolve
check "version $version in changelog and metainfo" one_version
exit $status
