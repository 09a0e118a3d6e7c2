// Text that Qt shows with markup of its own, made to show as written: a file's path as a
// window's title or as a menu item. A path may hold any character, "[*]" and "&" included.
#pragma once

#include <QString>

namespace LiteralText {

// For setWindowTitle: Qt shows "[*]" in a title as the changed mark (or nothing), and
// "[*][*]" as "[*]".
QString WindowTitle(const QString& text);

// For a menu item or a button: Qt takes "&" for the mark of an access key, and "&&" for "&".
QString MenuText(const QString& text);

} // namespace LiteralText
