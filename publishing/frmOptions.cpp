#include "frmOptions.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>
#include <tuple>

#include "BrowseForProgram.h"
#include "FocusedButton.h"
#include "app/Program.h"
#include "platform/Services.h"

namespace {

QLineEdit* makeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumWidth(260);
    return box;
}

} // namespace

frmOptions::frmOptions(Program& program, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      CommonDialog1(program.services, this), program(program) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setSizeGripEnabled(false);

    // The buttons come first so that they lead the tab order. None is the default: Enter never
    // goes to a button that does not have the focus.
    cmdOK = MakeButton(QStringLiteral("OK"), this, "cmdOK");
    cmdCancel = MakeButton(QStringLiteral("Cancel"), this, "cmdCancel");
    cmdApply = MakeButton(QStringLiteral("&Apply"), this, "cmdApply");

    frmPath = new QGroupBox(QStringLiteral("Paths"), this);
    frmPath->setObjectName(QStringLiteral("frmPath"));
    Label1 = new QLabel(QStringLiteral("FTP Client Path"), frmPath);
    txtftppath = makeBox(frmPath, "txtftppath");
    cmdBrowse = MakeButton(QStringLiteral("Browse..."), frmPath, "cmdBrowse");
    Label2 = new QLabel(QStringLiteral("Web Browser Path"), frmPath);
    txtWeb = makeBox(frmPath, "txtWeb");
    cmdWBro = MakeButton(QStringLiteral("Browse..."), frmPath, "cmdWBro");
    Label3 = new QLabel(QStringLiteral("Email Client Path"), frmPath);
    txtEmail = makeBox(frmPath, "txtEmail");
    cmdEBro = MakeButton(QStringLiteral("Browse..."), frmPath, "cmdEBro");

    auto* rows = new QGridLayout(frmPath);
    const std::tuple<QLabel*, QLineEdit*, QPushButton*> pathRows[] = {
        {Label1, txtftppath, cmdBrowse}, {Label2, txtWeb, cmdWBro}, {Label3, txtEmail, cmdEBro}};
    int row = 0;
    for (const auto& [label, box, browse] : pathRows) {
        rows->addWidget(label, row, 0);
        rows->addWidget(box, row, 1);
        rows->addWidget(browse, row, 2);
        ++row;
    }
    rows->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frmPath);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border

    QWidget* const tabOrder[] = {cmdOK,  cmdCancel, cmdApply, txtftppath, cmdBrowse,
                                 txtWeb, cmdWBro,   txtEmail, cmdEBro};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmOptions::cmdBrowse_Click);
    connect(cmdWBro, &QPushButton::clicked, this, &frmOptions::cmdWBro_Click);
    connect(cmdEBro, &QPushButton::clicked, this, &frmOptions::cmdEBro_Click);
}

void frmOptions::Form_Load() {
    txtftppath->setText(program.module1.FTPClientPath);
    txtWeb->setText(program.module1.WebBrowserPath);
    txtEmail->setText(program.module1.EmailClientPath);
}

void frmOptions::cmdApply_Click() {
    program.module1.FTPClientPath = txtftppath->text();
    program.module1.WebBrowserPath = txtWeb->text();
    program.module1.EmailClientPath = txtEmail->text();
}

void frmOptions::cmdOK_Click() {
    cmdApply_Click();
    accept();
}

void frmOptions::cmdCancel_Click() {
    QDialog::reject();
}

void frmOptions::reject() {
    cmdCancel_Click();
}

void frmOptions::cmdBrowse_Click() {
    BrowseForProgram(CommonDialog1, QStringLiteral("Browse for FTP Client"), *txtftppath);
}

void frmOptions::cmdWBro_Click() {
    BrowseForProgram(CommonDialog1, QStringLiteral("Browse for Web Browser"), *txtWeb);
}

void frmOptions::cmdEBro_Click() {
    BrowseForProgram(CommonDialog1, QStringLiteral("Browse for Email Client"), *txtEmail);
}

void frmOptions::keyPressEvent(QKeyEvent* event) {
    if (!PressFocusedButton(*this, *event))
        QDialog::keyPressEvent(event);
}
