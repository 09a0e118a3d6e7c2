// The start-up offer of unsaved windows from a run that did not end normally: one question for
// all of them. Each window comes back with its caption and its text, marked changed and coloured
// as its name asks; nothing is written to its file until the user saves. The old copies go only
// once every window has a copy of its own in this run, so a second crash loses nothing either.
#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/file_commands.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

void frmMain::OfferRecovery() {
    RecoveryStore* store = program.recovery.get();
    if (!store) {
        return;
    }
    std::vector<RecoveryCopy> copies = store->ClaimLeftOvers();
    if (copies.empty()) {
        store->DiscardClaimed(); // runs that ended without unsaved text: nothing to offer
        return;
    }
    const QString question =
        copies.size() == 1
            ? QStringLiteral("Kelto did not close normally. Recover 1 unsaved window?")
            : QStringLiteral("Kelto did not close normally. Recover %1 unsaved windows?")
                  .arg(copies.size());
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
