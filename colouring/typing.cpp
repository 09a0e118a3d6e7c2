// Colouring while typing: one step per typed character, run by the main window's timer once
// the control has inserted it, so the caret stands just behind it. Only the current line is
// looked at, so a key costs the same in a short file as in a very long one.
#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"

#include <algorithm>

namespace {

// 1-based position of the carriage return of the first CR LF at or after the 0-based
// character position from, or 0 when there is none. Every CR LF is a line end of the editor,
// so it is enough to look at the line ends from from's line on; normally the first one is it.
int FirstCrLfFrom(RichTextBox& code, int from) {
    const auto bytes = long(code.SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
    const auto lines = long(code.SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT));
    long position = code.ByteFromChar(from);
    auto charAt = [&](long at) {
        return at < bytes ? char(code.SendScintilla(QsciScintillaBase::SCI_GETCHARAT, at)) : '\0';
    };
    for (long line = long(code.SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, position));
         line < lines; ++line) {
        const long lineEnd = std::max(
            position, long(code.SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line)));
        if (charAt(lineEnd) == '\r' && charAt(lineEnd + 1) == '\n') {
            return code.CharFromByte(int(lineEnd)) + 1;
        }
        position = 0; // further lines are looked at from their ends
    }
    return 0;
}

} // namespace

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
            if (const int e = FirstCrLfFrom(code, code.SelStart() - 1); e != 0) {
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
