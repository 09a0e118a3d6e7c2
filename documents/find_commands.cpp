// Edit > Find, Edit > Find Again and the timer's pending-search step. The Find window only
// records a request; the search runs here against the source window active at the next tick.
#include <cstdint>

#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"
#include "documents/frmFind.h"
#include "platform/RichTextBox.h"

namespace {
// The options of Find for a FindMode: 1 both (6), 2 whole word (2), 3 match case (4); for 4
// (neither) the argument is left out, which is the same as no options.
int FindOptions(std::int16_t findMode) {
    switch (findMode) {
    case 1:
        return 6;
    case 2:
        return 2;
    case 3:
        return 4;
    default:
        return 0;
    }
}
} // namespace

void frmMain::mnuEditFind_Click() {
    if (ActiveIsBrowser())
        return;
    // A Find window that has closed is on its way to deletion: the next one opens fresh.
    if (!Find || Find->isHidden())
        Find = new frmFind(program);
    ShowChild(Find);
}

void frmMain::PendingSearchStep() {
    Module1& module1 = program.module1;
    if (module1.PendingFindText.isEmpty())
        return;
    // The next search starts one character past the end of the last match.
    const int start = int(LastFindText.length()) + LastFindPos + 1;
    // With no source window active (the Find window, the file browser, none) the request is
    // used up and the search state stays as it was.
    if (frmDocument* document = ActiveDocument()) {
        LastFindPos =
            document->code->Find(module1.PendingFindText, start, -1, FindOptions(module1.FindMode));
        LastFindText = module1.PendingFindText;
    }
    module1.PendingFindText.clear();
}

void frmMain::mnuEditFA_Click() {
    if (ActiveIsBrowser())
        return;
    if (LastFindText.isEmpty())
        return;
    const int start = int(LastFindText.length()) + LastFindPos + 1;
    // Find Again always searches without options, whatever the last Find used.
    if (frmDocument* document = ActiveDocument())
        LastFindPos = document->code->Find(LastFindText, start);
}
