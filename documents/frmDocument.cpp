// The source window: the text control fills it, keys mark it changed, typed characters go to
// the colouring engine's slot when colouring while typing is on, caret moves are reported,
// closing asks whether to save, and unsaved text is copied to the recovery store off the
// keystroke path: an edit only restarts a timer.
#include "documents/frmDocument.h"

#include <QCloseEvent>
#include <QFont>
#include <QResizeEvent>
#include <QTimer>

#include "app/Program.h"
#include "app/ToolbarIcons.h"
#include "documents/file_commands.h"
#include "platform/LiteralText.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "platform/Twips.h"

frmDocument::frmDocument(Program& program, QWidget* parent)
    : QMdiSubWindow(parent), CommonDialog1(program.services, this), program(program) {
    setObjectName(QStringLiteral("frmDocument"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetCaption(QStringLiteral("frmDocument"));
    setWindowIcon(ToolbarIcons::DocumentIcon());

    code = new RichTextBox(this);
    code->setObjectName(QStringLiteral("code"));
    // "Courier" is asked for by name; the hint lets fontconfig fall back to a monospace face.
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    code->setFont(font);
    setWidget(code);

    connect(code, &RichTextBox::KeyDown, this, &frmDocument::code_KeyDown);
    connect(code, &RichTextBox::KeyPress, this, &frmDocument::code_KeyPress);
    connect(code, &RichTextBox::SelChange, this, &frmDocument::code_SelChange);

    if (program.recovery) {
        recoveryIdle = new QTimer(this);
        recoveryIdle->setSingleShot(true);
        recoveryIdle->setInterval(program.recovery->idleDelay);
        recoveryDeadline = new QTimer(this);
        recoveryDeadline->setSingleShot(true);
        recoveryDeadline->setInterval(program.recovery->longestDelay);
        connect(code, &RichTextBox::TextChanged, this, &frmDocument::ScheduleRecovery);
        connect(recoveryIdle, &QTimer::timeout, this, &frmDocument::WriteRecovery);
        connect(recoveryDeadline, &QTimer::timeout, this, &frmDocument::WriteRecovery);
    }
    Form_Load();
}

frmDocument::~frmDocument() {
    // The control may report a last selection change while it is torn down.
    if (code)
        code->disconnect(this);
}

void frmDocument::SetCaption(const QString& text) {
    caption = text;
    setWindowTitle(LiteralText::WindowTitle(text));
}

void frmDocument::Form_Load() {
    changed = false;
    Form_Resize();
}

void frmDocument::Form_Resize() {
    if (!code)
        return;
    // The control fills the inner area (inside the frame and caption bar); its right margin
    // (in twips) lies far beyond the edge, so only lines of tens of thousands of pixels wrap.
    const QRect inner = contentsRect();
    ResumeNext([&] { code->Move(inner.left(), inner.top(), inner.width(), inner.height()); });
    ResumeNext([&] {
        code->SetRightMargin(int(PixelsToTwips(inner.width(), DotsPerInch(this, Qt::Horizontal))) +
                             500000);
    });
}

void frmDocument::code_KeyDown(int, int) {
    if (!changed)
        changed = true;
}

void frmDocument::code_KeyPress(int& KeyAscii) {
    if (ccode) {
        program.module1.PendingKey = static_cast<std::int16_t>(KeyAscii);
        program.module1.KeyPending = true;
    }
}

void frmDocument::code_SelChange() {
    program.module1.SelectionChanged = true;
}

bool frmDocument::Form_Unload() {
    if (!changed)
        return true;
    const MsgAnswer answer = program.services.MsgBox(
        this,
        QStringLiteral("Would you like to save changes made to ") + caption + QStringLiteral("?"),
        MsgButtons::YesNo, MsgIcon::None, QStringLiteral("Save Changes?"));
    if (answer != MsgAnswer::Yes)
        return true;

    // The window closes only once its text is safe: a cancelled Save dialog, a No to
    // overwriting and a failed save all keep it open with its text.
    return SaveDocument(program, this, *this, CommonDialog1,
                        IsUntitled(caption) ? QStringLiteral("Save") : QString(), false);
}

void frmDocument::closeEvent(QCloseEvent* event) {
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    DropRecovery();
    QMdiSubWindow::closeEvent(event);
}

void frmDocument::ScheduleRecovery() {
    recoveryIdle->start();
    if (!recoveryDeadline->isActive())
        recoveryDeadline->start();
}

bool frmDocument::WriteRecovery() {
    RecoveryStore* store = program.recovery.get();
    if (!store || !recoveryIdle) // made before the program kept copies
        return true;
    if (!code->IsModified()) {
        DropRecovery();
        return true;
    }
    recoveryIdle->stop();
    recoveryDeadline->stop();
    if (recoveryName.isEmpty())
        recoveryName = store->NewName();
    try {
        store->Write(recoveryName,
                     {.caption = caption,
                      .format = code->FileFormat(),
                      .filePath = code->StampPath(),
                      .stamp = code->DiskStamp()},
                     code->Utf8View());
    } catch (const RuntimeError& error) {
        if (!store->failureReported) {
            store->failureReported = true;
            program.services.MsgBox(
                this,
                QStringLiteral("Kelto cannot keep a recovery copy of unsaved windows.\n\n") +
                    error.Description +
                    QStringLiteral("\n\nThe text is safe while Kelto runs; save it to keep it."),
                MsgButtons::OK, MsgIcon::Exclamation, program.App.Title);
        }
        return false;
    }
    return true;
}

void frmDocument::DropRecovery() {
    if (!program.recovery || !recoveryIdle)
        return;
    recoveryIdle->stop();
    recoveryDeadline->stop();
    if (!recoveryName.isEmpty())
        program.recovery->Remove(recoveryName);
}

void frmDocument::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    Form_Resize();
}
