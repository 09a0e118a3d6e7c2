# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (GCC 12 with POSIX threads, which
# std::thread and the rest of the C++20 library need). Serves Kelto's Windows build and the SDK
# that scripts/windows-sdk.sh makes. Pass KELTO_WINDOWS_SDK (the SDK folder) and the SDK's Qt,
# QScintilla and GoogleTest are found before anything of this Linux machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# A cross-built Qt runs this machine's Qt 6 tools (moc, rcc, uic), the same version.
set(QT_HOST_PATH /usr CACHE PATH "Host Qt for the Windows build")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt's CMake packages")

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KELTO_WINDOWS_SDK)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
if(KELTO_WINDOWS_SDK)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${KELTO_WINDOWS_SDK})
    list(PREPEND CMAKE_PREFIX_PATH ${KELTO_WINDOWS_SDK})
endif()
# Libraries and headers come from the Windows side only; programs from this machine. Packages
# from both: the host Qt's tool packages are found through QT_HOST_PATH_CMAKE_DIR, and the SDK,
# first on the prefix path, wins for everything else.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
