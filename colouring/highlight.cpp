// Whole-document colouring. The text does not change during a run, so it is read once and
// scanned in one pass (colouring/Scanner.h) for exactly the ranges the two passes would select
// one by one; the ranges are then styled in the control in one pass, comments after directives
// so that a comment wins where both meet. The colours, the selection afterwards, HideSelection
// and the focus come out as the step-by-step run leaves them.
#include "app/Program.h"
#include "app/frmMain.h"
#include "colouring/Scanner.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"

#include <vector>

namespace {

// Byte offset in the control's text of a 0-based character position; positions outside the
// text map to the ends, which is all the scan needs of them.
std::int64_t ByteOffset(const RichTextBox& code, std::int64_t position, std::int64_t length,
                        std::size_t bytes) {
    if (position < 0) {
        return -1;
    }
    if (position >= length) {
        return std::int64_t(bytes);
    }
    return code.ByteFromChar(int(position));
}

void AddRanges(std::vector<ColourRange>& out, const RichTextBox& code,
               const std::vector<Scanner::Span>& spans, long colour, bool ascii) {
    for (const Scanner::Span& span : spans) {
        if (ascii) { // characters are bytes: no conversion, no call into the control
            out.push_back({int(span.begin), int(span.end - span.begin), colour});
            continue;
        }
        const int first = code.CharFromByte(int(span.begin));
        out.push_back({first, code.CharFromByte(int(span.end)) - first, colour});
    }
}

// What the two passes colour from startchar to endchar (1-based), as the control's ranges:
// directives first, comments after them. The scan's own lists go before the ranges are styled.
std::vector<ColourRange> RangesToColour(RichTextBox& code, const ColorCode& colours,
                                        std::int32_t startchar, std::int32_t endchar, int length) {
    // The editor's own bytes, read past its soft breaks: a long text is not copied on each run.
    const RichTextBox::HeldText held = code.Utf8Held();
    const std::size_t bytes = held.bytes.size() - held.softBreaks.size();
    const std::int64_t start = ByteOffset(code, std::int64_t(startchar) - 1, length, bytes);
    const std::int64_t limit = ByteOffset(code, std::int64_t(endchar) - 1, length, bytes);
    const Scanner::Ranges found =
        Scanner::FindRanges(held.bytes, std::size_t(start), limit, held.softBreaks);

    std::vector<ColourRange> ranges;
    ranges.reserve(found.directives.size() + found.comments.size());
    const bool ascii = std::size_t(length) == bytes;
    AddRanges(ranges, code, found.directives, colours.DirectiveColor.toLong(), ascii);
    AddRanges(ranges, code, found.comments, colours.CommentColor.toLong(), ascii);
    return ranges;
}

} // namespace

void frmMain::CPPHighlight() {
    if (ActiveIsBrowser()) {
        return;
    }
    std::int32_t startchar = 1;
    std::int32_t endchar = -1;
    ResumeNext([&] { CPPColorCode(startchar, endchar); });
    ResumeNext([&] { ActiveCode().SetSelStart(0); });
}

void frmMain::CPPColorCode(std::int32_t& startchar, std::int32_t& endchar) {
    if (ActiveIsBrowser()) {
        return;
    }
    try {
        RichTextBox& code = ActiveCode();
        const RichTextBox::SelectionBatch batch(code); // the editor sees only the last selection
        const int selStart = code.SelStart();
        const int selLength = code.SelLength();
        const int length = code.TextLength();
        if (endchar == -1) {
            endchar = length;
        }
        if (startchar == 0) {
            startchar = 1;
        }
        code.SetHideSelection(true);
        if (startchar < 1) {
            return; // the first search cannot start before the text: the run ends here
        }

        code.ApplyColours(RangesToColour(code, program.colorCode, startchar, endchar, length));

        // Putting the selection back raises SelChange, as the passes' own selections would.
        code.SetSelStart(selStart);
        code.SetSelLength(selLength);
        code.SetHideSelection(false);
        code.SetFocus();
    } catch (const RuntimeError&) {
        // No source window to colour: the run ends quietly where it failed.
    }
}

void frmMain::CPPColorWord(const QString& word, std::int32_t first, std::int32_t last) {
    if (word.isEmpty() || word.contains(QLatin1Char('='))) {
        return;
    }
    RichTextBox& code = ActiveCode();
    code.SetSelStart(first - 1);
    code.SetSelLength(last - first + 1);
    code.SetSelColor(program.colorCode.DirectiveColor);
}
