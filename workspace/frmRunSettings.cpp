#include "workspace/frmRunSettings.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/Program.h"

frmRunSettings::frmRunSettings(Program& program, const RunSettings& settings, QWidget* owner)
    : QDialog(owner), CommonDialog1(program.services, this) {
    setObjectName(QStringLiteral("frmRunSettings"));
    setWindowTitle(QStringLiteral("Run Settings"));

    auto* form = new QFormLayout;
    // A field with a Browse... button beside it; its label's access key reaches the field.
    auto withButton = [this, form](const QString& label, QLineEdit*& edit, QPushButton*& button,
                                   const char* name, const char* buttonName) {
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        button = new QPushButton(QStringLiteral("Browse..."), this);
        button->setObjectName(QLatin1String(buttonName));
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(button);
        auto* caption = new QLabel(label, this);
        caption->setBuddy(edit);
        form->addRow(caption, row);
    };
    auto line = [this](QLineEdit*& edit, const char* name) {
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };

    withButton(QStringLiteral("&Engine:"), txtEngine, cmdEngine, "txtEngine", "cmdEngine");
    optClient = new QRadioButton(QStringLiteral("&Client"), this);
    optClient->setObjectName(QStringLiteral("optClient"));
    optServer = new QRadioButton(QStringLiteral("&Dedicated server"), this);
    optServer->setObjectName(QStringLiteral("optServer"));
    auto* mode = new QHBoxLayout;
    mode->addWidget(optClient);
    mode->addWidget(optServer);
    mode->addStretch(1);
    form->addRow(QStringLiteral("Runs as:"), mode);
    withButton(QStringLiteral("&Base game folder:"), txtBaseGame, cmdBaseGame, "txtBaseGame",
               "cmdBaseGame");
    form->addRow(QStringLiteral("&Home folder:"), line(txtHome, "txtHome"));
    form->addRow(QStringLiteral("M&od folder name:"), line(txtMod, "txtMod"));
    cboMap = new QComboBox(this);
    cboMap->setObjectName(QStringLiteral("cboMap"));
    cboMap->setEditable(true);
    cboMap->setInsertPolicy(QComboBox::NoInsert);
    form->addRow(QStringLiteral("&Map:"), cboMap);
    form->addRow(QStringLiteral("E&xtra arguments:"), line(txtExtra, "txtExtra"));

    lblWhere = new QLabel(this);
    lblWhere->setObjectName(QStringLiteral("lblWhere"));
    lblWhere->setWordWrap(true);
    lblWhere->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblWhere);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 80);

    txtEngine->setText(QDir::toNativeSeparators(settings.engine));
    (settings.dedicated ? optServer : optClient)->setChecked(true);
    txtBaseGame->setText(QDir::toNativeSeparators(settings.baseGame));
    txtHome->setText(QDir::toNativeSeparators(settings.homeFolder));
    txtMod->setText(settings.mod);
    txtExtra->setText(settings.extraArguments);
    Refresh();
    cboMap->setCurrentText(settings.map);

    connect(cmdEngine, &QPushButton::clicked, this, &frmRunSettings::cmdEngine_Click);
    connect(cmdBaseGame, &QPushButton::clicked, this, &frmRunSettings::cmdBaseGame_Click);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* edit : {txtBaseGame, txtHome, txtMod})
        connect(edit, &QLineEdit::editingFinished, this, &frmRunSettings::Refresh);
}

RunSettings frmRunSettings::Settings() const {
    RunSettings settings;
    settings.engine = txtEngine->text().trimmed();
    settings.dedicated = optServer->isChecked();
    settings.baseGame = txtBaseGame->text().trimmed();
    settings.homeFolder = txtHome->text().trimmed();
    settings.mod = txtMod->text().trimmed();
    settings.map = cboMap->currentText().trimmed();
    settings.extraArguments = txtExtra->text().trimmed();
    return settings;
}

void frmRunSettings::cmdEngine_Click() {
    const QString path = CommonDialog1.ShowOpen(QStringLiteral("Engine"),
#ifdef Q_OS_WIN
                                                QStringLiteral("Programs (*.exe)|*.exe"));
#else
                                                QStringLiteral("All Files (*)|*"));
#endif
    if (!path.isEmpty())
        txtEngine->setText(path);
}

void frmRunSettings::cmdBaseGame_Click() {
    const QString path = CommonDialog1.ShowOpen(QStringLiteral("A .pk3 File of the Base Game"),
                                                QStringLiteral("Game Data (*.pk3)|*.pk3"));
    if (path.isEmpty())
        return;
    txtBaseGame->setText(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    Refresh();
}

void frmRunSettings::Refresh() {
    const RunSettings settings = Settings();
    const QString chosen = cboMap->currentText();
    cboMap->clear();
    if (!settings.baseGame.isEmpty())
        cboMap->addItems(RunDiscovery::Maps(settings.baseGame, settings.ModFolder()));
    cboMap->setCurrentText(chosen);
    if (settings.homeFolder.isEmpty() || settings.mod.isEmpty())
        lblWhere->setText(QStringLiteral("Set the home folder and the mod folder name: the built "
                                         "QVMs go into the mod folder's vm folder."));
    else
        lblWhere->setText(QStringLiteral("The built QVMs go to %1; the engine reads the mod from "
                                         "there (fs_homepath %2, fs_game %3).")
                              .arg(QDir::toNativeSeparators(settings.ModVmFolder()),
                                   QDir::toNativeSeparators(settings.homeFolder), settings.mod));
}
