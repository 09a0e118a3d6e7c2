// The About box: the program's title, version and description, and a button that starts the
// platform's system information tool, found through two registry values. A modal dialog
// owned by the main window, alive while it is shown.
#pragma once

#include <QDialog>
#include <cstdint>

class Program;
class QFrame;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(Program& program, QWidget* owner);
    ~frmAbout() override;

    // Controls.
    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QFrame* Line1 = nullptr; // the etched separator
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    // Handlers.
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Starts the system information tool, or says it is unavailable.
    void StartSysInfo();
    // Reads the value SubKeyRef of the key KeyName under KeyRoot into KeyVal: a string (type 1)
    // as its text, a number (type 4) as "&h" and its hexadecimal digits; a value of another
    // type leaves KeyVal as passed. True when the value was read; KeyVal empty when not.
    bool GetKeyValue(std::uintptr_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);

    static constexpr std::uintptr_t LocalMachine = 0x80000002; // HKEY_LOCAL_MACHINE
    static constexpr std::uint32_t FullAccess = 0x2003F;       // KEY_ALL_ACCESS

private:
    Program& program;
};
