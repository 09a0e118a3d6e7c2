// The one place for the differences between Windows and Linux paths as the program's windows
// and commands see them: the separator that joins a directory and a name, what a drive and a
// drive root are, the drives the drive lists show, and where the file browser starts.
// Every function takes the style, defaulting to the running system's, so the Windows rules can
// be tested on Linux.
#pragma once

#include <QString>
#include <QStringList>

namespace PathStyle {

enum class Style { Windows, Posix };

constexpr Style Native =
#ifdef Q_OS_WIN
    Style::Windows;
#else
    Style::Posix;
#endif

// "\" on Windows, "/" on Linux.
QChar Separator(Style style = Native);
// Turns a path written with the documented backslashes ("\cgame") into the style's separators.
QString FromDocumented(const QString& path, Style style = Native);
// A drive's root: a 3-character path ending in "\" ("c:\") on Windows, a path ending in "/"
// on Linux. Such a path already ends with its separator.
bool IsDriveRoot(const QString& path, Style style = Native);
// The directory and a name in it, with exactly one separator between them.
QString Join(const QString& directory, const QString& name, Style style = Native);
// The drive a path lies on: its first two characters ("D:") on Windows; on Linux the root of
// the mounted volume that holds it ("/" when nothing better is known).
QString DriveOf(const QString& path, Style style = Native);
// The directory a drive list's choice opens: "D:" gives "D:\"; a Linux root is itself.
QString DriveRoot(const QString& drive, Style style = Native);
// Where a new file browser starts: "c:\" on Windows, "/" on Linux.
QString StartDirectory(Style style = Native);
// The drives of this machine as a drive list shows them, each as DriveRoot gives it: the
// ready, readable volumes; on Linux always "/" among them.
QStringList Drives();
// A path as the lists report it: absolute, cleaned, with the system's separators.
QString Normalized(const QString& path);

} // namespace PathStyle
