# Sourced by the Windows scripts: wine_environment PREFIX SDK [headless] sets up Wine for
# Kelto's Windows programs: a prefix of their own (made, quietly, when missing; Wine maps Z: to
# /), no debug chatter, the SDK's DLLs (Qt, QScintilla, the compiler's runtime) on the DLL search
# path, and a wineserver kept running between the many short test programs. "headless" gives
# the prefix Wine's null display driver, where windows exist without an X server (the tests
# draw with Qt's offscreen platform; Windows still needs its message windows).
wine_environment() {
    local prefix=$1 sdk=$2 headless=${3:-}
    export WINEPREFIX="$prefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    export WINEPATH="Z:${sdk//\//\\}\\bin"
    if [ ! -e "$prefix/system.reg" ]; then
        mkdir -p "$prefix"
        if [ -n "$headless" ]; then
            DISPLAY= wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        fi
        wineboot --init >/dev/null 2>&1 || true
        wineserver -w
    fi
    wineserver -p 2>/dev/null || true
    # Wine's own services start with the first program and outlive it; started here, they hold
    # no test program's output open (ctest would wait for it to close).
    wine cmd.exe /d /c exit </dev/null >/dev/null 2>&1 || true
}
