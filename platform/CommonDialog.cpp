// The common dialog control over Services: the dialogs are the platform's, the members and
// the cancel behaviour are the control's.
#include "platform/CommonDialog.h"

#include <Qsci/qsciprinter.h>

#include "platform/RuntimeError.h"
#include "platform/Services.h"

CommonDialog::CommonDialog(Services& services, QWidget* owner) : services(services), owner(owner) {}

CommonDialog::~CommonDialog() = default;

void CommonDialog::ShowOpen() {
    FileName = services.ShowOpen(owner, DialogTitle, Filter);
}

void CommonDialog::ShowSave() {
    FileName = services.ShowSave(owner, DialogTitle, Filter);
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
