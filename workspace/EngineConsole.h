// How a line of the game engine's console reads: Quake's colour escapes ("^1") and a terminal's
// colour sequences taken out, errors and warnings told by the engine's own marks, and the lines
// that tell which QVM the engine loaded, and whether it turned to a native library instead.
#pragma once

#include <QString>

namespace EngineConsole {

enum class Mark { Plain, Error, Warning };

struct Line {
    QString text; // as shown: without colour escapes
    Mark mark = Mark::Plain;
    // The engine turned to a native library rather than a QVM ("...which has vmMagic
    // VM_MAGIC_USE_NATIVE.", "Loading DLL file ...", "Loading dll file ...").
    bool nativeLibrary = false;
    // `File "vm/qagame.qvm" found at "/home/you/.q3a/mymod"` (or "found in" a .pk3 file): the
    // QVM and where it came from.
    QString qvm;
    QString foundIn;
};

// Errors: "ERROR: ...", "Sys_Error: ...", "... fatal crashed ...", text in red (^1).
// Warnings: "WARNING: ...", text in yellow (^3), and the native-library lines.
Line Read(const QString& raw);

} // namespace EngineConsole
