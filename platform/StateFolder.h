// Kelto's own per-user state folder: recovery copies of unsaved windows and, when a file must be
// written in place and no backup fits beside it, the backup copy. Linux: $XDG_STATE_HOME/Kelto
// ($HOME/.local/state/Kelto when unset, empty or relative, as the XDG base directory rules say);
// Windows: %LOCALAPPDATA%\Kelto. What it keeps is the user's unsaved text, so a folder of it is
// used only while it is private (MakePrivate).
#pragma once

#include <QString>

namespace StateFolder {

// The folder's path; it may not exist yet.
QString Path();
// Makes folder (with its parents) when missing and checks that it is private: a real folder, not
// a symbolic link, owned by the user, readable by the user only (a folder of the user's own is
// made so), in a folder owned by the user or by root that others may not write to (unless it is
// sticky, as /tmp is, so that no one may rename what another user made in it). Empty when it is;
// otherwise why not, for the user to read ("the folder ... belongs to another user").
QString MakePrivate(const QString& folder);
// The path of a subfolder, made private (MakePrivate); empty when it cannot be, with the reason
// in why.
QString Make(const QString& subfolder, QString* why = nullptr);

} // namespace StateFolder
