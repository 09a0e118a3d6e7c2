// The start-up offer of unsaved windows from a run that did not end normally: one question for
// all of them. Each window comes back with its text, marked changed and coloured as its name
// asks, and with its caption: its file's path, or, for a window that had no file, a fresh
// "Source N", so that no two windows share a caption. Nothing is written to a file until the
// user saves. The old copies go only once every window has a copy of its own in this run, so a
// second crash loses nothing either. Copies Kelto cannot read are kept, and the user is told how
// many and where; what it did not make in its recovery folder is left alone and named.
#include <QDir>

#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/file_commands.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

namespace {

// Paths as a list the user can read, the first few of many.
QString Listed(const QStringList& paths) {
    constexpr int shown = 10;
    QStringList lines;
    for (int i = 0; i < paths.size() && i < shown; ++i)
        lines.append(QDir::toNativeSeparators(paths[i]));
    if (paths.size() > shown)
        lines.append(QStringLiteral("and %1 more").arg(paths.size() - shown));
    return lines.join(u'\n');
}

// What could not be offered, and what was left alone; empty when there is nothing to say.
QString Kept(const LeftOvers& found) {
    QStringList parts;
    if (found.unreadable > 0) {
        const bool more = !found.copies.empty();
        parts.append(
            (found.unreadable == 1
                 ? QStringLiteral("%1 copy of an unsaved window could not be offered: Kelto cannot "
                                  "read it, or it comes from a newer Kelto. It is kept in:\n%2")
                 : QStringLiteral("%1 copies of unsaved windows could not be offered: Kelto cannot "
                                  "read them, or they come from a newer Kelto. They are kept "
                                  "in:\n%2"))
                .arg(more ? QString::number(found.unreadable) + QStringLiteral(" more")
                          : QString::number(found.unreadable),
                     Listed(found.keptIn)));
    }
    if (!found.strangers.isEmpty())
        parts.append(QStringLiteral("Kelto did not make these, in its recovery folder, and left "
                                    "them alone:\n%1")
                         .arg(Listed(found.strangers)));
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace

void frmMain::OfferRecovery() {
    RecoveryStore* store = program.recovery.get();
    if (!store) {
        return;
    }
    const LeftOvers found = store->ClaimLeftOvers();
    const QString kept = Kept(found);
    const std::vector<RecoveryCopy>& copies = found.copies;
    if (copies.empty()) {
        store->DiscardClaimed(); // runs that ended without unsaved text: nothing to offer
        if (!kept.isEmpty())
            program.services.MsgBox(this, kept, MsgButtons::OK, MsgIcon::Information,
                                    program.App.Title);
        return;
    }
    QString question =
        copies.size() == 1
            ? QStringLiteral("Kelto did not close normally. Recover 1 unsaved window?")
            : QStringLiteral("Kelto did not close normally. Recover %1 unsaved windows?")
                  .arg(copies.size());
    if (!kept.isEmpty())
        question += QStringLiteral("\n\n") + kept;
    if (program.services.MsgBox(this, question, MsgButtons::YesNo, MsgIcon::Question,
                                program.App.Title) != MsgAnswer::Yes) {
        store->DiscardClaimed();
        return;
    }
    bool allKept = true;
    for (const RecoveryCopy& copy : copies) {
        NewDocument();
        frmDocument* document = ActiveDocument();
        if (!document) {
            allKept = false;
            continue;
        }
        document->code->RestoreText(copy.utf8, copy.format, copy.filePath, copy.stamp);
        if (!IsUntitled(copy.caption)) // an untitled window keeps the number NewDocument gave it
            document->SetCaption(copy.caption);
        document->MarkChanged();
        ColourStep(*this, *document);
        allKept = document->WriteRecovery() && allKept;
    }
    if (allKept) {
        store->DiscardClaimed();
    } else {
        store->ReleaseClaimed();
    }
}
