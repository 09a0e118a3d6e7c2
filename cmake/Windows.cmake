# The Windows build (cross-compiled with MinGW-w64, scripts/windows.sh): a GUI program with its
# icon and version sheet; QScintilla is a DLL there, its classes imported.
target_compile_definitions(kelto_core PUBLIC QSCINTILLA_DLL)
# Windows 10's API; Qt 6 needs no older.
target_compile_definitions(kelto_core PUBLIC _WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE
                           NOMINMAX WIN32_LEAN_AND_MEAN)

configure_file(packaging/windows/kelto.rc.in ${CMAKE_BINARY_DIR}/generated/kelto.rc @ONLY)
target_sources(kelto PRIVATE ${CMAKE_BINARY_DIR}/generated/kelto.rc)
set_target_properties(kelto PROPERTIES WIN32_EXECUTABLE ON)

# Built here, the programs run under Wine: the tests (ctest and gtest_discover_tests use the
# emulator) and the setup program's silent install check.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(KELTO_WINE NAMES wine64 wine)
    if(KELTO_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${KELTO_WINE})
    endif()
endif()
