// The common dialog control: file-open, file-save and printer dialogs with the members the
// program's windows use. The dialogs themselves come from Services, so tests script them.
// A cancelled printer dialog with CancelError set throws RuntimeError 32755, which the caller
// tests; a cancelled file dialog leaves FileName empty. File dialogs start where
// Services::dialogFolders says.
#pragma once

#include <QString>
#include <memory>

class QPrinter;
class QWidget;
class Services;

class CommonDialog {
public:
    CommonDialog(Services& services, QWidget* owner);
    ~CommonDialog();

    QString DialogTitle;
    QString Filter; // "Description|pattern", one pair
    bool CancelError = false;
    int Flags = 0;
    QString FileName; // read after ShowOpen / ShowSave

    void ShowOpen();
    void ShowSave();
    // The file dialogs set up and shown in one call: the title and filter set, CancelError
    // cleared. The chosen path (also left in FileName), or empty when the user cancelled.
    QString ShowOpen(const QString& title, const QString& filter);
    QString ShowSave(const QString& title, const QString& filter);
    void ShowPrinter();
    // The printer chosen in the last printer dialog (the device context's stand-in).
    QPrinter& hDC();

private:
    void Chosen(); // remembers the chosen file's folder for the next dialog
    QString SetUpAndShow(void (CommonDialog::*show)(), const QString& title, const QString& filter);
    Services& services;
    QWidget* owner;
    std::unique_ptr<QPrinter> printer;
};
