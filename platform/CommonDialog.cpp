// The common dialog control over Services: the dialogs are the platform's, the members and
// the cancel behaviour are the control's.
#include "platform/CommonDialog.h"

#include <QFileInfo>
#include <Qsci/qsciprinter.h>

#include "platform/RuntimeError.h"
#include "platform/Services.h"

CommonDialog::CommonDialog(Services& services, QWidget* owner) : services(services), owner(owner) {}

CommonDialog::~CommonDialog() = default;

void CommonDialog::ShowOpen() {
    FileName = services.ShowOpen(owner, DialogTitle, Filter, services.dialogFolders.Start());
    Chosen();
}

void CommonDialog::ShowSave() {
    FileName = services.ShowSave(owner, DialogTitle, Filter, services.dialogFolders.Start());
    Chosen();
}

QString CommonDialog::ShowOpen(const QString& title, const QString& filter) {
    return SetUpAndShow(&CommonDialog::ShowOpen, title, filter);
}

QString CommonDialog::ShowSave(const QString& title, const QString& filter) {
    return SetUpAndShow(&CommonDialog::ShowSave, title, filter);
}

QString CommonDialog::SetUpAndShow(void (CommonDialog::*show)(), const QString& title,
                                   const QString& filter) {
    DialogTitle = title;
    CancelError = false;
    Filter = filter;
    (this->*show)();
    return FileName;
}

void CommonDialog::Chosen() {
    if (!FileName.isEmpty())
        services.dialogFolders.lastChosen = QFileInfo(FileName).absolutePath();
}

QString DialogFolders::Start() const {
    const QString file = activeFile ? activeFile() : QString();
    const QString candidates[] = {file.isEmpty() ? QString() : QFileInfo(file).absolutePath(),
                                  lastChosen, sourceDir ? sourceDir() : QString()};
    for (const QString& folder : candidates)
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return {};
}

void CommonDialog::ShowPrinter() {
    if (!services.ShowPrinter(owner, DialogTitle, Flags, hDC()) && CancelError)
        throw RuntimeError(RuntimeError::CancelError, QStringLiteral("Cancel was selected."));
}

QPrinter& CommonDialog::hDC() {
    // A QsciPrinter, so the text control can print through it with its own layout.
    if (!printer)
        printer = std::make_unique<QsciPrinter>();
    return *printer;
}
