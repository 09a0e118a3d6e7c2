// UNBUILT: placeholder bodies so the program links until this subsystem is built.
#include "app/frmMain.h"

std::int16_t frmMain::KeyPressEvent(std::int16_t& KeyAscii) { return KeyAscii; } // {}
