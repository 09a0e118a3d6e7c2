// Colouring while typing: one step per typed character, run by the main window's timer once
// the control has inserted it, so the caret stands just behind it. Only the current line is
// looked at, so a key costs the same in a short file as in a very long one.
#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"

#include <algorithm>

std::int16_t frmMain::KeyPressEvent(std::int16_t& KeyAscii) {
    frmDocument* document = ActiveDocument();
    if (!document || !document->code) {
        return 0;
    }
    RichTextBox& code = *document->code;
    const ColorCode& colours = program.colorCode;
    // The selections below only point at what to colour: the editor sees none of them, so it
    // repaints only what changes colour and the primary selection stays the user's.
    const RichTextBox::SelectionBatch batch(code);

    if (!InDirective && !InComment) {
        code.SetSelColor(colours.PlainColor);
    }
    switch (KeyAscii) {
    case '#':
        // With the caret at the very start (moved there before this tick) there is no "#"
        // behind it to colour; the flag is still set.
        if (code.SelStart() > 0) {
            code.SetSelStart(code.SelStart() - 1);
            code.SetSelLength(1);
            code.SetSelColor(colours.DirectiveColor);
            code.SetSelStart(code.SelStart() + 1);
        }
        InDirective = true;
        break;
    case '/':
        if (code.SelStart() > 0) {
            code.SetSelStart(code.SelStart() - 1);
            code.SetSelLength(std::min(2, code.TextLength() - code.SelStart()));
            code.SetSelColor(colours.CommentColor);
            code.SetSelStart(code.SelStart() + 1);
            // From the "/" itself, the character before the caret.
            if (const int e = code.FirstCrLfFrom(code.SelStart() - 1); e != 0) {
                code.SetSelLength(e - code.SelStart());
                code.SetSelColor(colours.CommentColor);
            }
            code.SetSelLength(0);
        }
        InComment = true;
        break;
    case ' ':
        InDirective = false;
        if (!InComment) {
            code.SetSelColor(0L);
        }
        break;
    case '\r':
    case '\n':
        InDirective = false;
        InComment = false;
        code.SetSelColor(0L);
        break;
    default:
        break;
    }
    return KeyAscii;
}
