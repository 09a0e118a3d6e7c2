#include "WizardPathPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "BrowseForProgram.h"
#include "FocusedButton.h"
#include "platform/Services.h"

WizardPathPage::WizardPathPage(Program& program, const WizardPathRow& row)
    : WizardPage(program, row.page, row.title, row.body), CommonDialog1(program.services, this),
      row(row) {
    QWidget* area = Label1->parentWidget();
    Label3 = new QLabel(row.boxCaption, area);
    Label3->setObjectName(QStringLiteral("Label3"));
    PathBox = new QLineEdit(area);
    PathBox->setObjectName(QLatin1String(row.boxName));
    cmdBrowse = MakeButton(QStringLiteral("Browse..."), area, "cmdBrowse");
    cmdExec = MakeButton(QStringLiteral("Execute"), area, "cmdExec");

    auto* rowLayout = new QGridLayout;
    rowLayout->addWidget(Label3, 0, 0);
    rowLayout->addWidget(PathBox, 0, 1);
    rowLayout->addWidget(cmdBrowse, 0, 2);
    rowLayout->addWidget(cmdExec, 1, 1, Qt::AlignRight);
    rowLayout->setColumnStretch(1, 1);
    const int end = content->count() - 1; // before the closing stretch
    content->insertSpacing(end, 6);
    content->insertLayout(end + 1, rowLayout);

    // Tab order: the path row first, then the navigation buttons.
    QWidget::setTabOrder(PathBox, cmdBrowse);
    QWidget::setTabOrder(cmdBrowse, cmdExec);
    QWidget* previous = cmdExec;
    for (QWidget* button : {static_cast<QWidget*>(cmdBack), static_cast<QWidget*>(cmdNext),
                            static_cast<QWidget*>(cmdCancel)}) {
        if (button) {
            QWidget::setTabOrder(previous, button);
            previous = button;
        }
    }

    connect(cmdBrowse, &QPushButton::clicked, this, &WizardPathPage::cmdBrowse_Click);
    connect(cmdExec, &QPushButton::clicked, this, &WizardPathPage::cmdExec_Click);
}

QWidget* WizardPathPage::FirstFocus() {
    return PathBox;
}

void WizardPathPage::Form_Load() {
    PathBox->setText(program.module1.*row.path);
}

void WizardPathPage::Form_Unload() {
    // Only the options dialog clears a path: an emptied box leaves it as it was.
    if (!PathBox->text().isEmpty())
        program.module1.*row.path = PathBox->text();
}

void WizardPathPage::cmdBrowse_Click() {
    BrowseForProgram(CommonDialog1, row.browseTitle, *PathBox);
}

void WizardPathPage::cmdExec_Click() {
    const QString commandLine = PathBox->text();
    if (commandLine.isEmpty())
        return;
    QPointer<WizardPathPage> self(this);
    ShowPage(program, PageNumber + 1);
    QString error;
    if (!program.services.Launch(commandLine, error))
        program.services.MsgBox(
            this, QStringLiteral("Could not start \"%1\":\n%2").arg(commandLine, error),
            MsgButtons::OK, MsgIcon::Exclamation, program.App.Title);
    if (self) // the message box lets the user close the page meanwhile
        close();
}
