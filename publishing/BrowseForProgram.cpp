#include "BrowseForProgram.h"

#include <QLineEdit>
#include <QString>

#include "platform/CommonDialog.h"

void BrowseForProgram(CommonDialog& dialog, const QString& title, QLineEdit& box) {
    const QString fileName = dialog.ShowOpen(title, QStringLiteral("Executables (*.exe)|*.exe"));
    if (!fileName.isEmpty())
        box.setText(fileName);
}
