// The one Browse operation behind the options dialog's three Browse buttons and the Browse
// button of wizard pages 2 to 4: picks a program file into a path box through a common dialog.
#pragma once

class CommonDialog;
class QLineEdit;
class QString;

// Shows an open dialog titled title for executables; a chosen file's full path replaces the
// box's text, a cancelled dialog leaves the box as it was.
void BrowseForProgram(CommonDialog& dialog, const QString& title, QLineEdit& box);
