// How the keys of the rich text control reach the program: as the key codes, shift states and
// typed characters of the platform Kelto was designed for (virtual-key codes, KeyDown's shift
// bits, KeyPress's character codes). Pure: the control hands in what Qt told it of the key.
#pragma once

#include <QString>
#include <Qt>

namespace KeyMapping {

// The virtual-key code of a Qt key: Backspace 8, Tab 9, Enter 13, the arrows 37-40, F1 112, ...;
// letters, digits and the space, whose codes agree already, come back as they are.
int VirtualKey(int qtKey);
// KeyDown's shift bits: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftState(Qt::KeyboardModifiers modifiers);
// The character code a key types, or 0 when it types none: printable characters, Enter (13),
// Backspace (8) and Tab (9). Control combinations, Shift+Tab and characters beyond 16 bits
// give 0. text is the key's text as Qt gives it.
int TypedCharacter(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

} // namespace KeyMapping
