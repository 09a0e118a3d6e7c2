# Sourced by the Windows scripts: wine_environment PREFIX SDK sets up Wine for Kelto's Windows
# programs: a prefix of their own (made, quietly, when missing; Wine maps Z: to /), no debug
# chatter, the SDK's DLLs (Qt, QScintilla, the compiler's runtime) on the DLL search path, and a
# wineserver kept running between the many short test programs.
wine_environment() {
    local prefix=$1 sdk=$2
    export WINEPREFIX="$prefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    export WINEPATH="Z:${sdk//\//\\}\\bin"
    if [ ! -e "$prefix/system.reg" ]; then
        mkdir -p "$prefix"
        wineboot --init >/dev/null 2>&1 || true
        wineserver -w
    fi
    wineserver -p 2>/dev/null || true
}
