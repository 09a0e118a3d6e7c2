// The Run Settings dialog: how Run Mod starts the game for the loaded workspace (see
// RunSettings). It opens with the settings kept for the workspace, or with what discovery found
// on this machine; OK hands them back to be kept, Cancel leaves everything as it was. Below the
// fields it says where the built QVMs will go and which maps the base game and the mod hold.
#pragma once

#include <QDialog>

#include "platform/CommonDialog.h"
#include "workspace/RunSettings.h"

class Program;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmRunSettings : public QDialog {
    Q_OBJECT
public:
    frmRunSettings(Program& program, const RunSettings& settings, QWidget* owner);

    // The settings as the fields hold them.
    RunSettings Settings() const;

    // Controls.
    QLineEdit* txtEngine = nullptr;
    QPushButton* cmdEngine = nullptr;
    QRadioButton* optClient = nullptr;
    QRadioButton* optServer = nullptr;
    QLineEdit* txtBaseGame = nullptr;
    QPushButton* cmdBaseGame = nullptr;
    QLineEdit* txtHome = nullptr;
    QLineEdit* txtMod = nullptr;
    QComboBox* cboMap = nullptr;
    QLineEdit* txtExtra = nullptr;
    QLabel* lblWhere = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    CommonDialog CommonDialog1;

    // Handlers.
    void cmdEngine_Click();
    // The base game folder is chosen by one of its .pk3 files.
    void cmdBaseGame_Click();
    // Lists the maps of the base game and the mod folder again, and where the QVMs go.
    void Refresh();
};
