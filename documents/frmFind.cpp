#include "documents/frmFind.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>

#include "app/Program.h"
#include "platform/MdiChildren.h"

namespace {
// FindMode from the two check boxes: 1 both, 2 whole word only, 3 case only, 4 neither.
std::int16_t FindModeOf(bool wholeWord, bool matchCase) {
    if (wholeWord)
        return matchCase ? 1 : 2;
    return matchCase ? 3 : 4;
}
} // namespace

frmFind::frmFind(Program& program, QWidget* parent) : QMdiSubWindow(parent), program(program) {
    setObjectName(QStringLiteral("frmFind"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetFixedBorder(*this);
    setWindowTitle(QStringLiteral("Find"));

    auto* body = new QWidget;
    Label1 = new QLabel(QStringLiteral("Find What: "), body);
    txtFind = new QLineEdit(body);
    cmdFind = new QPushButton(QStringLiteral("Find"), body);
    chkMWW = new QCheckBox(QStringLiteral("Match Whole Word"), body);
    chkMC = new QCheckBox(QStringLiteral("Match Case"), body);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), body);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtFind->setObjectName(QStringLiteral("txtFind"));
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    chkMWW->setObjectName(QStringLiteral("chkMWW"));
    chkMC->setObjectName(QStringLiteral("chkMC"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    txtFind->setMinimumWidth(200);

    // Not a dialog, so there is no default button and Esc does nothing; Enter presses the
    // button that has the focus.
    cmdFind->setAutoDefault(true);
    cmdCancel->setAutoDefault(true);

    auto* grid = new QGridLayout(body);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtFind, 0, 1, 1, 2);
    grid->addWidget(cmdFind, 0, 3);
    grid->addWidget(chkMWW, 1, 0, 1, 2);
    grid->addWidget(chkMC, 1, 2);
    grid->addWidget(cmdCancel, 1, 3);
    setWidget(body);

    setTabOrder(cmdFind, cmdCancel);
    setTabOrder(cmdCancel, txtFind);
    setTabOrder(txtFind, chkMWW);
    setTabOrder(chkMWW, chkMC);

    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFind::cmdCancel_Click);
}

frmFind::~frmFind() = default;

void frmFind::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    if (!opened) {
        opened = true;
        // Fixed dialog border: the size the contents need, once the frame is known.
        setFixedSize(sizeHint());
        cmdFind->setFocus(Qt::OtherFocusReason);
    }
}

void frmFind::closeEvent(QCloseEvent* event) {
    const QMdiArea* area = mdiArea();
    QMdiSubWindow::closeEvent(event);
    // The search runs against the child active once this window is gone, so the activation
    // goes back to the child used before it, at once. Left alone, the focus would move on to
    // whichever child comes next in the focus chain, often the file browser.
    if (event->isAccepted())
        if (MdiActivation* activation = MdiActivation::Of(area))
            activation->ReturnFrom(this);
}

void frmFind::cmdFind_Click() {
    program.module1.PendingFindText = txtFind->text();
    program.module1.FindMode = FindModeOf(chkMWW->isChecked(), chkMC->isChecked());
    close();
}

void frmFind::cmdCancel_Click() {
    close();
}
