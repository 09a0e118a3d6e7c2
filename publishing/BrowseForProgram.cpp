#include "BrowseForProgram.h"

#include <QLineEdit>
#include <QString>

#include "platform/CommonDialog.h"

void BrowseForProgram(CommonDialog& dialog, const QString& title, QLineEdit& box) {
    dialog.DialogTitle = title;
    dialog.CancelError = false;
    dialog.Filter = QStringLiteral("Executables (*.exe)|*.exe");
    dialog.ShowOpen();
    if (!dialog.FileName.isEmpty())
        box.setText(dialog.FileName);
}
