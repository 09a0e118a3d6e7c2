// Kelto's own per-user state folder: recovery copies of unsaved windows and, when a file must be
// written in place and no backup fits beside it, the backup copy. Linux: $XDG_STATE_HOME/Kelto
// ($HOME/.local/state/Kelto when unset); Windows: %LOCALAPPDATA%\Kelto.
#pragma once

#include <QString>

namespace StateFolder {

// The folder's path; it may not exist yet.
QString Path();
// The path of a subfolder, made (with its parents) when missing and readable by the user only.
// Empty when it cannot be made.
QString Make(const QString& subfolder);

} // namespace StateFolder
