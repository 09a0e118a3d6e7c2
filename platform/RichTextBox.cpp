// The rich text control over Scintilla. Scintilla holds UTF-8 bytes and styles; the control's
// positions are UTF-16 code units (QString indices). ByteFromChar and CharFromByte are the one
// place that converts, through Scintilla's UTF-16 line index: the line is found by index, the
// rest of the way is counted within that line, character by character as Scintilla counts them.
// All-ASCII text skips even that.
#include "platform/RichTextBox.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QTimer>
#include <Qsci/qsciprinter.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "platform/AccessibleRichTextBox.h"
#include "platform/KeyMapping.h"
#include "platform/RichTextBoxEngine.h"
#include "platform/RuntimeError.h"
#include "platform/TextSearch.h"
#include "platform/Twips.h"

namespace {

using Sc = QsciScintillaBase; // the editor's message and notification codes

constexpr int StyleCount = 256;
// The edits the adapter hears of, before they happen: QScintilla announces every edit it is told
// of after the fact to accessibility, counting the characters from the start of the text first,
// whether or not anyone listens; edits told before they happen it leaves alone.
constexpr int EditEvents = Sc::SC_MOD_BEFOREINSERT | Sc::SC_MOD_BEFOREDELETE;
// ApplyColours styles this many ranges at once; more wait, outside the view, for idle slices.
constexpr std::size_t ImmediateRanges = 1024;
constexpr qint64 SliceNs = 3'000'000;
// The first slice waits this long (ms), so that the text in view is drawn before it.
constexpr int FirstSlicePause = 25;
// Room the editor's buffers keep beyond a loaded text. Full to the byte, the next thing that
// asks for the text's address or types a character makes the editor copy the whole text into a
// buffer a sixth larger, with both copies held for a moment.
constexpr unsigned long EditingRoom = 64 * 1024;
// A caret on a line longer than this stays lit: see FollowCaretLine.
constexpr long LongLine = 64 * 1024;
constexpr int InvalidPropertyValue = 380;
constexpr int TypeMismatch = 13;

// The last CR or LF of bytes, or null. glibc searches backwards a word at a time (memrchr);
// elsewhere (MinGW has no memrchr) a byte at a time.
const char* LastLineBreak(std::string_view bytes) {
#ifdef __GLIBC__
    const auto* lf = static_cast<const char*>(memrchr(bytes.data(), '\n', bytes.size()));
    const auto* cr = static_cast<const char*>(memrchr(bytes.data(), '\r', bytes.size()));
    return std::max(lf, cr); // null when neither is there
#else
    for (size_t i = bytes.size(); i-- > 0;)
        if (bytes[i] == '\n' || bytes[i] == '\r')
            return bytes.data() + i;
    return nullptr;
#endif
}

// Bytes of the character that starts at s (left bytes available), as Scintilla counts
// characters in UTF-8: a valid sequence is one character, and so is each byte of an invalid one.
size_t CharacterBytes(const unsigned char* s, size_t left) {
    const unsigned char lead = s[0];
    const size_t length = lead < 0x80                    ? 1
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 1;
    if (length == 1 || length > left)
        return 1;
    for (size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 1;
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are invalid too.
    if ((lead == 0xE0 && s[1] < 0xA0) || (lead == 0xED && s[1] >= 0xA0) ||
        (lead == 0xF0 && s[1] < 0x90) || (lead == 0xF4 && s[1] > 0x8F))
        return 1;
    return length;
}

// UTF-16 code units of a character of so many bytes: two for the four-byte ones.
long CharacterUnits(size_t bytes) {
    return bytes == 4 ? 2 : 1;
}

// The byte offset in text of UTF-16 unit `units`: the start of the character holding it.
size_t ByteOfUnit(std::string_view text, long units) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t at = 0;
    for (long counted = 0; at < text.size();) {
        const size_t bytes = s[at] < 0x80 ? 1 : CharacterBytes(s + at, text.size() - at);
        counted += CharacterUnits(bytes);
        if (counted > units)
            break;
        at += bytes;
    }
    return at;
}

// UTF-16 units of the characters that lie wholly before byte offset in text.
long UnitsBefore(std::string_view text, size_t offset) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    long units = 0;
    for (size_t at = 0; at < offset;) {
        const size_t bytes = s[at] < 0x80 ? 1 : CharacterBytes(s + at, text.size() - at);
        if (at + bytes > offset)
            break;
        units += CharacterUnits(bytes);
        at += bytes;
    }
    return units;
}

bool IsPredefinedStyle(int style) {
    return style >= Sc::STYLE_DEFAULT && style <= Sc::STYLE_LASTPREDEFINED;
}

} // namespace

// A user input event (a key, a click, a drop, an input method commit). Text it inserts is
// recorded while Scintilla inserts it and styled with the insertion colour once the event is
// done, outside Scintilla's own notifications; then the selection is noted.
class RichTextBox::UserInput {
public:
    explicit UserInput(RichTextBox& box) : box(box), colour(box.insertionColour) {
        if (box.userInputDepth++ == 0)
            box.userInsertions.clear();
    }
    ~UserInput() {
        if (--box.userInputDepth != 0)
            return;
        const auto insertions = std::move(box.userInsertions);
        box.userInsertions.clear();
        for (const auto& [start, length] : insertions)
            box.StyleBytes(start, length, colour);
        box.NoteSelection(false);
    }
    UserInput(const UserInput&) = delete;
    UserInput& operator=(const UserInput&) = delete;

private:
    RichTextBox& box;
    long colour;
};

RichTextBoxEngine::RichTextBoxEngine(RichTextBox& box) : QsciScintillaBase(&box), box(box) {}

RichTextBoxEngine& RichTextBoxEngine::Of(const RichTextBox& box) {
    return *box.engine;
}

RichTextBox::RichTextBox(QWidget* parent) : QWidget(parent), engine(new RichTextBoxEngine(*this)) {
    // The control takes the focus as the engine would, and hands the engine what comes with it;
    // the engine's own requests for the focus (a click) come here.
    setFocusPolicy(engine->focusPolicy());
    setAttribute(Qt::WA_InputMethodEnabled, engine->testAttribute(Qt::WA_InputMethodEnabled));
    setAttribute(Qt::WA_KeyCompression, engine->testAttribute(Qt::WA_KeyCompression));
    setInputMethodHints(engine->inputMethodHints());
    engine->setFocusPolicy(Qt::NoFocus);
    engine->setFocusProxy(this);
    styleColours.assign(StyleCount, -1);
    Sci(Sc::SCI_SETCODEPAGE, Sc::SC_CP_UTF8);
    Sci(Sc::SCI_SETEOLMODE, Sc::SC_EOL_CRLF);
    Sci(Sc::SCI_SETPASTECONVERTENDINGS, 1);
    Sci(Sc::SCI_SETWRAPMODE, Sc::SC_WRAP_NONE);
    Sci(Sc::SCI_SETHSCROLLBAR, 1);
    Sci(Sc::SCI_SETSCROLLWIDTH, 1);
    Sci(Sc::SCI_SETSCROLLWIDTHTRACKING, 1);
    Sci(Sc::SCI_SETMULTIPLESELECTION, 0);
    // The lines in view keep their layouts while the text changes elsewhere: a key lays out
    // only its own line again, not every row of a long line in sight (each row is a line of
    // thousands of characters to the editor).
    Sci(Sc::SCI_SETLAYOUTCACHE, Sc::SC_CACHE_PAGE);
    blinkPeriod = Sci(Sc::SCI_GETCARETPERIOD);
    for (int margin = 0; margin < 5; ++margin)
        Sci(Sc::SCI_SETMARGINWIDTHN, margin, 0);
    Sci(Sc::SCI_SETMARGINLEFT, 0, 2);
    // Only insertions and deletions are of interest: styling sends no notifications.
    Sci(Sc::SCI_SETMODEVENTMASK, EditEvents);

    Sci(Sc::SCI_STYLESETFORE, Sc::STYLE_DEFAULT, 0);
    Sci(Sc::SCI_STYLESETBACK, Sc::STYLE_DEFAULT, 0xFFFFFF);
    Sci(Sc::SCI_STYLECLEARALL);
    ApplyFont();
    styleColours[0] = 0; // style 0, which new text has, is plain black
    colourStyles[0] = 0;

    connect(engine, &Sc::SCN_MODIFIED, this, &RichTextBox::OnModified);
    connect(engine, &Sc::SCN_UPDATEUI, this, &RichTextBox::OnUpdateUi);
    connect(engine, &Sc::SCN_STYLENEEDED, this, &RichTextBox::OnStyleNeeded);
    colourSlices = new QTimer(this);
    connect(colourSlices, &QTimer::timeout, this, &RichTextBox::StylePendingSlice);
    AccessibleRichTextBox::Adopt(this);
}

RichTextBox::~RichTextBox() = default;

long RichTextBox::Sci(unsigned int message, unsigned long wParam, long lParam) const {
    return engine->SendScintilla(message, wParam, lParam);
}

// ---- Positions ------------------------------------------------------------------------------

int RichTextBox::EditorLength() const {
    return static_cast<int>(Sci(Sc::SCI_GETLENGTH));
}

int RichTextBox::ByteLength() const {
    return EditorLength() - static_cast<int>(softBreaks.size());
}

// Scintilla keeps the UTF-16 line index up to date on every insertion at a cost of several
// nanoseconds a byte, more than the rest of a load; ASCII text does without it.
void RichTextBox::EnsureIndex() const {
    if (indexed && indexStale) {
        Sci(Sc::SCI_RELEASELINECHARACTERINDEX, Sc::SC_LINECHARACTERINDEX_UTF16);
        indexed = false;
    }
    indexStale = false;
    if (!indexed) {
        Sci(Sc::SCI_ALLOCATELINECHARACTERINDEX, Sc::SC_LINECHARACTERINDEX_UTF16);
        indexed = true;
    }
}

int RichTextBox::TextLength() const {
    if (IsAscii())
        return ByteLength();
    EnsureIndex();
    const long lines = Sci(Sc::SCI_GETLINECOUNT);
    return static_cast<int>(
               Sci(Sc::SCI_INDEXPOSITIONFROMLINE, lines, Sc::SC_LINECHARACTERINDEX_UTF16)) -
           static_cast<int>(softBreaks.size());
}

// Every non-ASCII character takes more bytes in UTF-8 than code units in UTF-16. Text inserted
// since the last look is looked at now: the editor tells of an insertion before it is made.
bool RichTextBox::IsAscii() const {
    if (asciiOnly && !unchecked.empty()) {
        for (const auto& [start, length] : unchecked) {
            if (length > 0 && !TextFile::IsAscii(RangeView(start, start + length))) {
                asciiOnly = false;
                break;
            }
        }
        unchecked.clear();
    }
    return asciiOnly;
}

// Soft break i stands at editor byte softBreaks[i] and before text byte softBreaks[i] - i.
int RichTextBox::SoftBreaksBefore(int editorByte) const {
    return static_cast<int>(std::lower_bound(softBreaks.begin(), softBreaks.end(), editorByte) -
                            softBreaks.begin());
}

bool RichTextBox::IsSoftBreak(int editorByte) const {
    return std::binary_search(softBreaks.begin(), softBreaks.end(), editorByte);
}

int RichTextBox::EditorFromTextByte(int textByte, bool rowEnd) const {
    if (softBreaks.empty())
        return textByte;
    int low = 0;
    int high = static_cast<int>(softBreaks.size());
    while (low < high) { // breaks standing before textByte (or at it, for a row's start)
        const int middle = (low + high) / 2;
        const int at = softBreaks[static_cast<size_t>(middle)] - middle;
        if (at < textByte || (!rowEnd && at == textByte))
            low = middle + 1;
        else
            high = middle;
    }
    return textByte + low;
}

int RichTextBox::TextFromEditorByte(int editorByte) const {
    return editorByte - SoftBreaksBefore(editorByte);
}

int RichTextBox::EditorByteFromChar(int charPosition) const {
    if (IsAscii())
        return EditorFromTextByte(std::clamp(charPosition, 0, ByteLength()));
    const int bytes = EditorLength();
    const int length = TextLength();
    charPosition = std::clamp(charPosition, 0, length);
    if (charPosition == length)
        return bytes;
    // Soft breaks are characters of the editor's index: those before the position count too.
    // Soft break i is the last character of its row.
    int low = 0;
    int high = static_cast<int>(softBreaks.size());
    while (low < high) {
        const int middle = (low + high) / 2;
        const long row = Sci(Sc::SCI_LINEFROMPOSITION,
                             static_cast<unsigned long>(softBreaks[static_cast<size_t>(middle)]));
        const long at =
            Sci(Sc::SCI_INDEXPOSITIONFROMLINE, row + 1, Sc::SC_LINECHARACTERINDEX_UTF16) - 1 -
            middle;
        if (at <= charPosition)
            low = middle + 1;
        else
            high = middle;
    }
    const long editorChar = charPosition + low;
    if (length + static_cast<int>(softBreaks.size()) == bytes)
        return static_cast<int>(editorChar);
    const long line =
        Sci(Sc::SCI_LINEFROMINDEXPOSITION, editorChar, Sc::SC_LINECHARACTERINDEX_UTF16);
    const long lineChar = Sci(Sc::SCI_INDEXPOSITIONFROMLINE, line, Sc::SC_LINECHARACTERINDEX_UTF16);
    const int lineByte = static_cast<int>(Sci(Sc::SCI_POSITIONFROMLINE, line));
    const int nextLine = static_cast<int>(Sci(Sc::SCI_POSITIONFROMLINE, line + 1));
    return lineByte +
           static_cast<int>(ByteOfUnit(RangeView(lineByte, nextLine > lineByte ? nextLine : bytes),
                                       editorChar - lineChar));
}

int RichTextBox::CharFromEditorByte(int editorByte) const {
    const int bytes = EditorLength();
    editorByte = std::clamp(editorByte, 0, bytes);
    const int breaks = SoftBreaksBefore(editorByte);
    if (IsAscii())
        return editorByte - breaks;
    EnsureIndex();
    const long line = Sci(Sc::SCI_LINEFROMPOSITION, editorByte);
    const int lineByte = static_cast<int>(Sci(Sc::SCI_POSITIONFROMLINE, line));
    const long lineChar = Sci(Sc::SCI_INDEXPOSITIONFROMLINE, line, Sc::SC_LINECHARACTERINDEX_UTF16);
    // The character the position falls in is read whole, to know its length.
    const int through = std::min(bytes, editorByte + 4);
    return static_cast<int>(lineChar + UnitsBefore(RangeView(lineByte, through),
                                                   static_cast<size_t>(editorByte - lineByte))) -
           breaks;
}

int RichTextBox::ByteFromChar(int charPosition) const {
    return TextFromEditorByte(EditorByteFromChar(charPosition));
}

int RichTextBox::CharFromByte(int bytePosition) const {
    return CharFromEditorByte(EditorFromTextByte(std::clamp(bytePosition, 0, ByteLength())));
}

// ---- Text ------------------------------------------------------------------------------------

std::string_view RichTextBox::Utf8View() const {
    if (softBreaks.empty())
        return Utf8Held().bytes;
    if (!plainValid) {
        const char* bytes = Utf8Held().bytes.data();
        plainText.resize(ByteLength());
        char* out = plainText.data();
        int from = 0;
        for (const int softBreak : softBreaks) {
            out = std::copy(bytes + from, bytes + softBreak, out);
            from = softBreak + 1;
        }
        std::copy(bytes + from, bytes + EditorLength(), out);
        plainValid = true;
        // A copy of a long text is not kept for long: whoever asked for it is done by then.
        QTimer::singleShot(0, this, [this] {
            plainValid = false;
            plainText = QByteArray();
        });
    }
    return {plainText.constData(), static_cast<size_t>(plainText.size())};
}

RichTextBox::HeldText RichTextBox::Utf8Held() const {
    const auto* bytes =
        static_cast<const char*>(engine->SendScintillaPtrResult(Sc::SCI_GETCHARACTERPOINTER));
    return {{bytes, static_cast<size_t>(EditorLength())}, softBreaks};
}

// A copy: the whole text's pointer would move the editor's gap to the end of the text, a copy of
// all that follows the caret, on every conversion while the user types.
std::string_view RichTextBox::RangeView(int start, int end) const {
    start = std::clamp(start, 0, EditorLength());
    end = std::clamp(end, start, EditorLength());
    rangeCopy.resize(end - start + 1);
    engine->SendScintilla(Sc::SCI_GETTEXTRANGE, start, end, rangeCopy.data());
    return {rangeCopy.constData(), static_cast<size_t>(end - start)};
}

QByteArray RichTextBox::RangeBytes(int start, int end) const {
    const std::string_view bytes = RangeView(start, end);
    start = std::clamp(start, 0, EditorLength());
    QByteArray text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    int from = start;
    for (auto softBreak = std::lower_bound(softBreaks.begin(), softBreaks.end(), start);
         softBreak != softBreaks.end() && *softBreak < start + static_cast<int>(bytes.size());
         ++softBreak) {
        text.append(bytes.data() + (from - start), *softBreak - from);
        from = *softBreak + 1;
    }
    text.append(bytes.data() + (from - start),
                static_cast<qsizetype>(bytes.size()) - (from - start));
    return text;
}

QString RichTextBox::RangeText(int start, int end) const {
    const QByteArray text = RangeBytes(start, end);
    return TextFile::FromUtf8({text.constData(), static_cast<size_t>(text.size())});
}

QString RichTextBox::Text() const {
    const std::string_view bytes = Utf8View();
    return TextFile::FromUtf8(bytes);
}

// A replacement of the whole text: the old text goes, the new one comes in one piece or many,
// as plain black text. With no user input event around it nobody needs to hear of it edit by
// edit: the edits are not raised, and assistive technologies hear of the whole change at the
// end. Left unfinished (a failed read), the text stays as it was then, and the undo history
// still belongs to it.
class RichTextBox::Replacement {
public:
    Replacement(RichTextBox& box, bool keepUndo)
        : box(box), keepUndo(keepUndo), quiet(box.userInputDepth == 0) {
        box.pendingStyles.clear(); // colours queued for the old text
        box.pendingDone.clear();
        box.pendingNext = 0;
        box.colourSlices->stop();
        if (quiet && AccessibleRichTextBox::Listening())
            announcedText = box.Text();
        if (box.indexed) { // allocated afresh once needed: cheaper than keeping it up meanwhile
            box.Sci(Sc::SCI_RELEASELINECHARACTERINDEX, Sc::SC_LINECHARACTERINDEX_UTF16);
            box.indexed = false;
        }
        box.indexStale = false;
        if (quiet)
            box.Sci(Sc::SCI_SETMODEVENTMASK, 0);
        if (keepUndo) {
            box.Sci(Sc::SCI_BEGINUNDOACTION); // one undo step puts the old text back
            oldText = {0, box.EditorLength(), box.softBreaks};
        } else {
            box.Sci(Sc::SCI_SETUNDOCOLLECTION, 0);
        }
        box.replacing = true;
        Discard();
    }
    ~Replacement() {
        if (finished)
            return;
        box.replacing = false;
        if (keepUndo)
            box.Sci(Sc::SCI_ENDUNDOACTION);
        else
            box.Sci(Sc::SCI_SETUNDOCOLLECTION, 1);
        if (quiet)
            box.Sci(Sc::SCI_SETMODEVENTMASK, EditEvents);
    }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // The editor's own buffers are not safe against memory running out (a failed growth leaves
    // them inconsistent, and the next use crashes), so room for them is asked of the system
    // first: the text, a style byte for each of its bytes, and as much again for its line
    // index and whatever else an edit needs. Without it, std::bad_alloc, with the editor
    // untouched.
    void Reserve(size_t bytes) {
        const size_t rows = box.rowChars > 0 ? bytes / static_cast<size_t>(box.rowChars) : 0;
        const size_t room = bytes + rows + EditingRoom;
        if (room > SIZE_MAX / 4 || !std::unique_ptr<char[]>(new (std::nothrow) char[3 * room]))
            throw std::bad_alloc();
        box.Sci(Sc::SCI_ALLOCATE, static_cast<unsigned long>(room));
    }
    // The text's bytes, in one piece or many; a line wider than the margin is cut into rows of
    // rowChars characters. A row ends before a character, never inside one, never just before
    // a line break and never just after one (a CR before a soft break would make one CR LF of
    // them in the editor). Text with NULs (a binary file) is held as it is.
    void Append(std::string_view bytes) {
        if (rows && std::memchr(bytes.data(), '\0', bytes.size()))
            rows = false;
        if (!rows) {
            AppendBytes(bytes);
            return;
        }
        const auto rowChars = static_cast<size_t>(box.rowChars);
        size_t at = 0;
        size_t flushed = 0;
        while (at < bytes.size()) {
            if (column == rowChars) { // the row is full: what follows decides
                const auto next = static_cast<unsigned char>(bytes[at]);
                if (next == '\r' || next == '\n') {
                    column = 0;
                } else if ((next & 0xC0) == 0x80) { // the rest of the row's last character
                    ++at;
                    continue;
                } else {
                    AppendBytes(bytes.substr(flushed, at - flushed));
                    flushed = at;
                    box.softBreaks.push_back(box.EditorLength());
                    AppendBytes("\n");
                    column = 0;
                }
            }
            // Each byte is at most a character: the row cannot fill up before this window ends.
            const std::string_view window = bytes.substr(at, rowChars - column);
            const char* lineEnd = LastLineBreak(window);
            size_t counted = 0;
            if (lineEnd) {
                counted = static_cast<size_t>(lineEnd - window.data()) + 1;
                column = 0;
            }
            for (size_t i = counted; i < window.size(); ++i)
                column += (static_cast<unsigned char>(window[i]) & 0xC0) != 0x80 ? 1 : 0;
            at += window.size();
        }
        AppendBytes(bytes.substr(flushed));
    }
    void Discard() {
        box.Sci(Sc::SCI_CLEARALL);
        box.softBreaks.clear();
        box.plainValid = false;
        rows = box.rowChars > 0;
        column = 0;
    }
    void Finish(bool ascii) {
        finished = true;
        box.replacing = false;
        if (keepUndo) {
            box.Sci(Sc::SCI_ENDUNDOACTION);
            // Undone, the replacement puts the old text back with its soft breaks.
            box.keepTaken = box.keepTaken || !box.softBreaks.empty();
            if (box.keepTaken && oldText.length > 0)
                box.undoTaken.push_back(std::move(oldText));
            box.redoTaken.clear();
        } else {
            box.Sci(Sc::SCI_EMPTYUNDOBUFFER);
            box.Sci(Sc::SCI_SETUNDOCOLLECTION, 1);
            box.undoTaken.clear();
            box.redoTaken.clear();
            box.keepTaken = !box.softBreaks.empty();
            box.crBeforeBreak = false;
        }
        if (quiet)
            box.Sci(Sc::SCI_SETMODEVENTMASK, EditEvents);
        box.asciiOnly = ascii;
        box.unchecked.clear();
        if (quiet && AccessibleRichTextBox::Listening()) {
            QAccessibleTextUpdateEvent changed(&box, 0, announcedText, box.Text());
            AccessibleRichTextBox::Tell(changed);
        }
        box.SelectBytes(0, 0);
    }

private:
    // APPENDTEXT takes a length, so NULs survive.
    void AppendBytes(std::string_view bytes) {
        if (!bytes.empty())
            box.engine->SendScintilla(Sc::SCI_APPENDTEXT, static_cast<uintptr_t>(bytes.size()),
                                      bytes.data());
    }

    RichTextBox& box;
    bool keepUndo;
    bool quiet;
    bool finished = false;
    QString announcedText;
    TakenBreaks oldText; // the deletion of the old text, a step of the undo history
    bool rows = false;   // lines are cut into rows
    size_t column = 0;   // characters in the row being appended
};

void RichTextBox::ReplaceAll(const QByteArray& utf8, bool keepUndo) {
    Replacement replacement(*this, keepUndo);
    replacement.Reserve(static_cast<size_t>(utf8.size()));
    replacement.Append({utf8.constData(), static_cast<size_t>(utf8.size())});
    replacement.Finish(
        TextFile::IsAscii(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size()))));
}

// A file read straight into the editor, chunk by chunk.
class RichTextBox::EditorSink : public TextFile::Utf8Sink {
public:
    explicit EditorSink(RichTextBox& box) : box(box) {}
    void Begin(std::size_t bytes) override {
        replacement.emplace(box, false);
        replacement->Reserve(bytes);
    }
    void Append(std::string_view piece) override { replacement->Append(piece); }
    void Discard() override {
        if (replacement)
            replacement->Discard();
    }
    void Finish(bool ascii) { replacement->Finish(ascii); }

private:
    RichTextBox& box;
    std::optional<Replacement> replacement;
};

void RichTextBox::SetText(const QString& text) {
    ReplaceAll(TextFile::CrLfUtf8(text), true);
}

// ---- Selection ------------------------------------------------------------------------------

int RichTextBox::AnchorByte() const {
    return batchDepth > 0 ? batchAnchor : static_cast<int>(Sci(Sc::SCI_GETANCHOR));
}
int RichTextBox::CaretByte() const {
    return batchDepth > 0 ? batchCaret : static_cast<int>(Sci(Sc::SCI_GETCURRENTPOS));
}
int RichTextBox::SelStartByte() const {
    return std::min(AnchorByte(), CaretByte());
}
int RichTextBox::SelEndByte() const {
    return std::max(AnchorByte(), CaretByte());
}

int RichTextBox::SelStart() const {
    return CharFromEditorByte(SelStartByte());
}

int RichTextBox::SelLength() const {
    const int start = SelStartByte();
    const int end = SelEndByte();
    if (start == end)
        return 0;
    return CharFromEditorByte(end) - CharFromEditorByte(start);
}

void RichTextBox::SetSelStart(int position) {
    const int byte = EditorByteFromChar(position);
    SelectBytes(byte, byte);
}

// The editor byte where a selection from editor byte `from` to character position `end` ends:
// at a soft break, the end of the row before it; from itself when the two are one text position
// (an end between the halves of a surrogate pair stands for the pair's start).
int RichTextBox::SelectionEnd(int from, long long end) const {
    const int endByte = ByteFromChar(static_cast<int>(std::min<long long>(end, INT_MAX)));
    return endByte > TextFromEditorByte(from) ? EditorFromTextByte(endByte, true) : from;
}

void RichTextBox::SetSelLength(int length) {
    const int start = SelStart();
    const int anchor = EditorByteFromChar(start);
    SelectBytes(anchor, SelectionEnd(anchor, static_cast<long long>(start) + std::max(length, 0)));
}

void RichTextBox::SelectBackward(int start, int length) {
    const int first = EditorByteFromChar(start);
    SelectBytes(SelectionEnd(first, static_cast<long long>(CharFromEditorByte(first)) +
                                        std::max(length, 0)),
                first);
}

void RichTextBox::ScrollLineIntoView(int line) {
    QMetaObject::invokeMethod(
        this,
        [this, line] {
            const long shown = std::max(Sci(Sc::SCI_LINESONSCREEN), 1L);
            const long first = Sci(Sc::SCI_GETFIRSTVISIBLELINE);
            const long visible = Sci(Sc::SCI_VISIBLEFROMDOCLINE,
                                     static_cast<unsigned long>(EditorLine(std::max(line, 0))));
            // Clear of the edges: at least two lines from the top and from the bottom.
            if (visible >= first + 2 && visible <= first + shown - 3)
                return;
            Sci(Sc::SCI_SETFIRSTVISIBLELINE,
                static_cast<unsigned long>(std::max(visible - shown / 2, 0L)));
        },
        Qt::QueuedConnection);
}

std::pair<int, int> RichTextBox::VisibleLines() const {
    const long first = Sci(Sc::SCI_GETFIRSTVISIBLELINE);
    const long last = first + std::max(Sci(Sc::SCI_LINESONSCREEN), 1L) - 1;
    return {LineOfEditorLine(Sci(Sc::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(first))),
            LineOfEditorLine(Sci(Sc::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(last)))};
}

// The text's line an editor line (a row) belongs to.
int RichTextBox::LineOfEditorLine(long editorLine) const {
    const long start = Sci(Sc::SCI_POSITIONFROMLINE, static_cast<unsigned long>(editorLine));
    return static_cast<int>(editorLine) - BreaksEndingLines(static_cast<int>(start));
}

// The editor line (row) where the text's line starts: the first row whose line it is.
int RichTextBox::EditorLine(int line) const {
    if (softBreaks.empty())
        return line;
    long low = line;
    long high =
        std::min<long>(line + static_cast<long>(softBreaks.size()), Sci(Sc::SCI_GETLINECOUNT) - 1);
    while (low < high) {
        const long middle = low + (high - low) / 2;
        if (LineOfEditorLine(middle) < line)
            low = middle + 1;
        else
            high = middle;
    }
    return static_cast<int>(low);
}

namespace {

// Hands the editor a selection without passing through another non-empty one on the way, which
// it would publish as the primary selection. No scrolling: see SelectBytes.
void SetEditorSelection(RichTextBoxEngine& engine, int anchor, int caret) {
    engine.SendScintilla(Sc::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(anchor));
    if (caret != anchor)
        engine.SendScintilla(Sc::SCI_SETCURRENTPOS, static_cast<unsigned long>(caret));
}

} // namespace

void RichTextBox::SelectBytes(int anchor, int caret) {
    // Without scrolling: the colouring engine moves the selection many times in a row. The
    // caret is scrolled into view once, when control returns to the event loop.
    if (batchDepth > 0) {
        batchAnchor = std::clamp(anchor, 0, EditorLength());
        batchCaret = std::clamp(caret, 0, EditorLength());
    } else {
        SetEditorSelection(*engine, anchor, caret);
    }
    if (!scrollPending) {
        scrollPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                scrollPending = false;
                Sci(Sc::SCI_SCROLLCARET);
            },
            Qt::QueuedConnection);
    }
    NoteSelection(true);
}

RichTextBox::SelectionBatch::SelectionBatch(RichTextBox& box) : box(box) {
    if (box.batchDepth++ == 0) {
        box.batchAnchor = static_cast<int>(box.Sci(Sc::SCI_GETANCHOR));
        box.batchCaret = static_cast<int>(box.Sci(Sc::SCI_GETCURRENTPOS));
    }
}

RichTextBox::SelectionBatch::~SelectionBatch() {
    if (--box.batchDepth != 0)
        return;
    if (box.batchAnchor != box.Sci(Sc::SCI_GETANCHOR) ||
        box.batchCaret != box.Sci(Sc::SCI_GETCURRENTPOS))
        SetEditorSelection(*box.engine, box.batchAnchor, box.batchCaret);
    box.AnnounceSelection();
}

void RichTextBox::NoteSelection(bool moved) {
    const int anchor = AnchorByte();
    const int caret = CaretByte();
    if (moved || anchor != notedAnchor || caret != notedCaret) {
        notedAnchor = anchor;
        notedCaret = caret;
        // An empty selection types in the colour of the character before the caret; a
        // selection, which typing replaces, in the colour of its first character. A selection
        // of rows' ends alone holds no character: it is an empty one.
        if (TextFromEditorByte(anchor) == TextFromEditorByte(caret)) {
            // One character back: the LF alone after a CR LF (Scintilla would step over both),
            // the lead byte of a multi-byte character, over a soft break.
            int before = std::min(anchor, caret) - 1;
            while (before >= 0 && IsSoftBreak(before))
                --before;
            while (before > 0 &&
                   (Sci(Sc::SCI_GETCHARAT, static_cast<unsigned long>(before)) & 0xC0) == 0x80)
                --before;
            insertionColour = before < 0 ? 0 : ColourAtByte(before);
        } else { // a row's end is no character
            int first = std::min(anchor, caret);
            while (IsSoftBreak(first))
                ++first;
            insertionColour = ColourAtByte(first);
        }
        emit SelChange();
        FollowCaretLine();
    }
    AnnounceSelection();
}

// A blink of the caret redraws its line, and the editor walks the whole of a line to draw any of
// it: on a line of megabytes every blink takes a tenth of a second and more, all the time the
// window sits idle. There the caret stays lit instead.
void RichTextBox::FollowCaretLine() {
    const long line = Sci(Sc::SCI_LINEFROMPOSITION, static_cast<unsigned long>(CaretByte()));
    const long length = Sci(Sc::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line)) -
                        Sci(Sc::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const bool steady = length > LongLine;
    if (steady == steadyCaret)
        return;
    steadyCaret = steady;
    Sci(Sc::SCI_SETCARETPERIOD, steady ? 0 : static_cast<unsigned long>(blinkPeriod));
}

QString RichTextBox::SelText() const {
    const int start = SelStartByte();
    const int end = SelEndByte();
    if (!softBreaks.empty())
        return RangeText(start, end);
    return TextFile::FromUtf8(
        Utf8View().substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

void RichTextBox::SetSelText(const QString& text) {
    const QByteArray utf8 = TextFile::CrLfUtf8(text);
    const int start = SelStartByte();
    Sci(Sc::SCI_SETTARGETRANGE, static_cast<unsigned long>(start), SelEndByte());
    engine->SendScintilla(Sc::SCI_REPLACETARGET, static_cast<uintptr_t>(utf8.size()),
                          utf8.constData());
    StyleBytes(start, static_cast<int>(utf8.size()), insertionColour);
    const int end = start + static_cast<int>(utf8.size());
    SelectBytes(end, end);
}

void RichTextBox::SetHideSelection(bool hide) {
    hideSelection = hide;
    Sci(Sc::SCI_HIDESELECTION, hide && !hasFocus() ? 1 : 0);
}

void RichTextBox::SetFocus() {
    setFocus(Qt::OtherFocusReason);
}

void RichTextBox::SetRightMargin(int width) {
    if (width <= 0) {
        rowChars = 0;
        return;
    }
    const int pixels = TwipsToPixels(width, DotsPerInch(this, Qt::Horizontal));
    const int character = std::max(1, QFontMetrics(engine->font()).averageCharWidth());
    rowChars = std::max(1, pixels / character);
}

void RichTextBox::Move(int left, int top, int width, int height) {
    setGeometry(left, top, std::max(width, 0), std::max(height, 0));
}

// ---- Colours ----------------------------------------------------------------------------------

int RichTextBox::StyleFor(long colour) {
    if (const auto found = colourStyles.find(colour); found != colourStyles.end())
        return found->second;
    for (int style = 0; style < StyleCount; ++style) {
        if (IsPredefinedStyle(style) || styleColours[style] != -1)
            continue;
        styleColours[style] = colour;
        colourStyles[colour] = style;
        Sci(Sc::SCI_STYLESETFORE, static_cast<unsigned long>(style), colour);
        return style;
    }
    // Every style is taken: the nearest colour already in use stands in.
    const auto distance = [colour](long other) {
        long total = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const long d = ((colour >> shift) & 0xFF) - ((other >> shift) & 0xFF);
            total += d * d;
        }
        return total;
    };
    int best = 0;
    for (int style = 0; style < StyleCount; ++style) {
        if (styleColours[style] != -1 &&
            distance(styleColours[style]) < distance(styleColours[best]))
            best = style;
    }
    return best;
}

void RichTextBox::SetStyling(int start, int length, int style) const {
    Sci(Sc::SCI_STARTSTYLING, static_cast<unsigned long>(start), 0);
    Sci(Sc::SCI_SETSTYLING, static_cast<unsigned long>(length), style);
}

void RichTextBox::StyleBytes(int start, int length, long colour) {
    if (length <= 0)
        return;
    FinishColours(); // queued colours come first, as they were asked for first
    SetStyling(start, length, StyleFor(colour));
}

void RichTextBox::SetSelColor(long colour) {
    if (colour < 0 || colour > 0xFFFFFF)
        throw RuntimeError(InvalidPropertyValue, QStringLiteral("Invalid property value"));
    const int start = SelStartByte();
    StyleBytes(start, SelEndByte() - start, colour);
    insertionColour = colour;
}

void RichTextBox::SetSelColor(const QString& decimalColour) {
    bool ok = false;
    const long colour = decimalColour.trimmed().toLong(&ok);
    if (!ok)
        throw RuntimeError(TypeMismatch, QStringLiteral("Type mismatch"));
    SetSelColor(colour);
}

long RichTextBox::ColourAtByte(int bytePosition) const {
    if (bytePosition < 0 || bytePosition >= EditorLength())
        return 0;
    if (ColoursPending()) {
        // A few reads (the insertion colour after a move) style just what they read; reading
        // through the text finishes the queue.
        if (++pendingReads > 16)
            FinishColours();
        else
            StylePendingWithin(bytePosition, bytePosition + 1);
    }
    const long style = Sci(Sc::SCI_GETSTYLEAT, static_cast<unsigned long>(bytePosition)) & 0xFF;
    return styleColours[style] < 0 ? 0 : styleColours[style];
}

long RichTextBox::ColourAt(int position) const {
    return ColourAtByte(EditorByteFromChar(position));
}

void RichTextBox::ApplyColours(std::span<const ColourRange> ranges) {
    FinishColours();
    const bool ascii = IsAscii();
    const int textBytes = ByteLength(); // styling leaves the text as it is
    const int bytes = EditorLength();
    std::vector<PendingStyle> runs;
    runs.reserve(ranges.size());
    for (const ColourRange& range : ranges) {
        if (range.length <= 0)
            continue;
        const int start = ascii ? EditorFromTextByte(std::clamp(range.start, 0, textBytes))
                                : EditorByteFromChar(range.start);
        const long long endChar = static_cast<long long>(range.start) + range.length;
        const int end =
            ascii ? EditorFromTextByte(static_cast<int>(std::min<long long>(endChar, textBytes)),
                                       true)
                  : EditorByteFromChar(static_cast<int>(std::min<long long>(endChar, INT_MAX)));
        if (end > start)
            runs.push_back({start, end - start, StyleFor(range.colour)});
    }
    if (runs.size() <= ImmediateRanges) {
        for (const PendingStyle& run : runs)
            SetStyling(run.start, run.length, run.style);
        return;
    }
    // Every range the editor styles costs it a search for the range's lines, in view or not:
    // what the user sees is coloured now, the rest in slices while the program is idle.
    pendingStyles = std::move(runs);
    pendingNext = 0;
    pendingReads = 0;
    const long first = Sci(Sc::SCI_GETFIRSTVISIBLELINE);
    const long last = first + Sci(Sc::SCI_LINESONSCREEN) + 1;
    const long viewEnd = Sci(Sc::SCI_POSITIONFROMLINE, static_cast<unsigned long>(last));
    StylePendingWithin(
        static_cast<int>(Sci(Sc::SCI_POSITIONFROMLINE, static_cast<unsigned long>(first))),
        viewEnd < 0 ? bytes : static_cast<int>(viewEnd));
    colourSlices->start(FirstSlicePause);
}

// Styles the part of a queued run inside [from, to) that no window styled before.
void RichTextBox::StylePart(const PendingStyle& run, int from, int to) const {
    int start = std::max(run.start, from);
    const int end = std::min(run.start + run.length, to);
    for (const auto& [doneStart, doneEnd] : pendingDone) {
        if (start >= end || doneStart >= end)
            break;
        if (doneEnd <= start)
            continue;
        if (doneStart > start)
            SetStyling(start, doneStart - start, run.style);
        start = doneEnd;
    }
    if (start < end)
        SetStyling(start, end - start, run.style);
}

// Until the queue is done the editor is told that nothing is styled, so that it asks
// (OnStyleNeeded) before it draws any text.
void RichTextBox::StylePendingWithin(int from, int to) const {
    if (from < to) {
        for (std::size_t i = pendingNext; i < pendingStyles.size(); ++i)
            StylePart(pendingStyles[i], from, to);
        pendingDone.emplace_back(from, to);
        std::sort(pendingDone.begin(), pendingDone.end());
        std::vector<std::pair<int, int>> merged;
        for (const auto& window : pendingDone) {
            if (!merged.empty() && window.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, window.second);
            else
                merged.push_back(window);
        }
        pendingDone = std::move(merged);
    }
    Sci(Sc::SCI_STARTSTYLING, 0, 0);
}

void RichTextBox::FinishColours() const {
    if (pendingStyles.empty())
        return;
    for (; pendingNext < pendingStyles.size(); ++pendingNext)
        StylePart(pendingStyles[pendingNext], 0, INT_MAX);
    pendingStyles.clear();
    pendingDone.clear();
    pendingNext = 0;
    colourSlices->stop();
    Sci(Sc::SCI_STARTSTYLING, static_cast<unsigned long>(EditorLength()), 0); // all styled
}

void RichTextBox::StylePendingSlice() {
    colourSlices->setInterval(0); // the next slice as soon as the program is idle again
    QElapsedTimer slice;
    slice.start();
    while (ColoursPending()) {
        const std::size_t stop = std::min(pendingStyles.size(), pendingNext + 256);
        for (; pendingNext < stop; ++pendingNext)
            StylePart(pendingStyles[pendingNext], 0, INT_MAX);
        if (slice.nsecsElapsed() >= SliceNs)
            break;
    }
    if (ColoursPending()) {
        Sci(Sc::SCI_STARTSTYLING, 0, 0);
        return;
    }
    FinishColours(); // the bookkeeping
}

// The editor is about to draw text up to position: what is in view is styled first. With
// nothing queued every character already has its style, and the editor is told so: while it
// thinks part of the text unstyled, each drawing restarts its check of the lines it keeps laid
// out, character by character, which on a line of megabytes keeps a processor busy with every
// blink of the caret.
void RichTextBox::OnStyleNeeded(int position) {
    if (!ColoursPending()) {
        Sci(Sc::SCI_STARTSTYLING, static_cast<unsigned long>(EditorLength()), 0);
        return;
    }
    const long first = Sci(Sc::SCI_GETFIRSTVISIBLELINE);
    StylePendingWithin(
        static_cast<int>(Sci(Sc::SCI_POSITIONFROMLINE, static_cast<unsigned long>(first))),
        position);
}

// ---- Fonts -----------------------------------------------------------------------------------

// The widget's font is every style's font.
void RichTextBox::ApplyFont() {
    const QFont f = engine->font();
    const QByteArray family = f.family().toUtf8();
    const long size =
        f.pointSizeF() > 0 ? qRound(f.pointSizeF() * 100.0) : 1000; // hundredths of a point
    for (int style = 0; style < StyleCount; ++style) {
        const auto s = static_cast<uintptr_t>(style);
        engine->SendScintilla(Sc::SCI_STYLESETFONT, s, family.constData());
        Sci(Sc::SCI_STYLESETSIZEFRACTIONAL, s, size);
        Sci(Sc::SCI_STYLESETBOLD, s, f.bold() ? 1 : 0);
        Sci(Sc::SCI_STYLESETITALIC, s, f.italic() ? 1 : 0);
        Sci(Sc::SCI_STYLESETUNDERLINE, s, f.underline() ? 1 : 0);
    }
}

// The control's font reaches the engine as any child's does.
void RichTextBoxEngine::changeEvent(QEvent* event) {
    QsciScintillaBase::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        box.ApplyFont();
}

// ---- Files -----------------------------------------------------------------------------------

LoadNotes RichTextBox::LoadFile(const QString& path, int /*type: plain text is the only one*/) {
    FileStamp read;
    TextFile::ReadInfo info;
    if (ByteLength() == 0) {
        // Straight into the editor: no copy of the file is ever whole in memory besides. A read
        // that fails half-way, the editor's memory running out too, leaves the text empty.
        EditorSink sink(*this);
        info = TextFile::ReadUtf8Into(path, sink, &read);
        sink.Finish(info.ascii);
    } else {
        const DecodedUtf8 decoded = TextFile::ReadUtf8(path, &read); // throws before any change
        try {
            ReplaceAll(decoded.utf8, false);
        } catch (const std::bad_alloc&) {
            Sci(Sc::SCI_CLEARALL);
            throw TextFile::OutOfMemory(QStringLiteral("Cannot open"), path);
        }
        info = {decoded.format, decoded.mixedBreaks};
    }
    Sci(Sc::SCI_SETSAVEPOINT);
    format = info.format;
    stampPath = path;
    stamp = read;
    restoredUnsaved = false;
    return {.binary = info.format.binary, .mixedBreaks = info.mixedBreaks};
}

void RichTextBox::SaveFile(const QString& path, int /*type*/, const FileStamp* expected) {
    const std::string_view text = Utf8View();
    const TextFormat used = TextFile::FormatForUtf8(text, format);
    // Throws: format and stamp unchanged.
    const FileStamp written =
        TextFile::WriteAtomic(path, TextFile::EncodeUtf8(text, used), expected);
    format = used;
    stampPath = path;
    stamp = written;
    restoredUnsaved = false;
    Sci(Sc::SCI_SETSAVEPOINT);
}

bool RichTextBox::ChangedOnDisk(const QString& path) const {
    if (path != stampPath || !stamp.exists)
        return false;
    const FileStamp now = TextFile::Stamp(path);
    return now.exists && now != stamp;
}

void RichTextBox::RestoreText(const QByteArray& utf8, const TextFormat& fileFormat,
                              const QString& fileStampPath, const FileStamp& fileStamp) {
    ReplaceAll(utf8, false);
    format = fileFormat;
    stampPath = fileStampPath;
    stamp = fileStamp;
    restoredUnsaved = true;
}

bool RichTextBox::IsModified() const {
    return restoredUnsaved || Sci(Sc::SCI_GETMODIFY) != 0;
}

// ---- Lines and search ------------------------------------------------------------------------

int RichTextBox::GetLineFromChar(int position) const {
    const int byte = EditorByteFromChar(position);
    return static_cast<int>(Sci(Sc::SCI_LINEFROMPOSITION, static_cast<unsigned long>(byte))) -
           BreaksEndingLines(byte); // rows are not lines
}

// Each soft break ends a line of the editor's, except one just after a CR that is the text's
// last character before a line break of its own (the editor takes the CR and the soft break
// for a CR LF): there the text's lone CR ends the line once, in both.
int RichTextBox::BreaksEndingLines(int editorByte) const {
    const int before = SoftBreaksBefore(editorByte);
    if (!crBeforeBreak)
        return before;
    const auto charAt = [&](int at) {
        return at >= 0 && at < EditorLength()
                   ? static_cast<char>(Sci(Sc::SCI_GETCHARAT, static_cast<unsigned long>(at)))
                   : '\0';
    };
    int ending = 0;
    for (int i = 0; i < before; ++i) {
        const int softBreak = softBreaks[static_cast<size_t>(i)];
        int next = softBreak + 1;
        while (IsSoftBreak(next))
            ++next;
        if (charAt(softBreak - 1) != '\r' || charAt(next) == '\n')
            ++ending;
    }
    return ending;
}

// Every CR LF is a line end of the editor, so it is enough to look at the line ends from from's
// line on; normally the first one is it.
int RichTextBox::FirstCrLfFrom(int from) const {
    const long bytes = EditorLength();
    const long lines = Sci(Sc::SCI_GETLINECOUNT);
    long position = EditorByteFromChar(from);
    const auto charAt = [&](long at) {
        return at < bytes
                   ? static_cast<char>(Sci(Sc::SCI_GETCHARAT, static_cast<unsigned long>(at)))
                   : '\0';
    };
    for (long line = Sci(Sc::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
         line < lines; ++line) {
        const long lineEnd =
            std::max(position, Sci(Sc::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line)));
        long next = lineEnd + 1;
        while (IsSoftBreak(static_cast<int>(next)))
            ++next;
        if (charAt(lineEnd) == '\r' && charAt(next) == '\n')
            return CharFromEditorByte(static_cast<int>(lineEnd)) + 1;
        position = 0; // further lines are looked at from their ends
    }
    return 0;
}

int RichTextBox::Find(const QString& text, int start, int end, int options) {
    const int length = TextLength();
    start = std::max(start, 0);
    if (end < 0 || end > length)
        end = length;
    if (text.isEmpty() || start > length || end <= start)
        return -1;
    const auto found =
        TextSearch::Find(Utf8View(), ByteFromChar(start), ByteFromChar(end), text,
                         options & Sc::SCFIND_WHOLEWORD, options & Sc::SCFIND_MATCHCASE);
    if (!found)
        return -1;
    const int foundStart = EditorFromTextByte(found->start);
    const int foundEnd = EditorFromTextByte(found->end, true);
    SelectBytes(foundStart, foundEnd);
    Sci(Sc::SCI_SCROLLRANGE, static_cast<unsigned long>(foundStart), foundEnd);
    return CharFromEditorByte(foundStart);
}

// ---- Printing --------------------------------------------------------------------------------

void RichTextBox::SelPrint(QPrinter& printer) {
    FinishColours();
    // QsciPrinter lays out the pages; it takes the settings of the printer the user chose.
    QsciPrinter out(QPrinter::HighResolution);
    out.setOutputFormat(printer.outputFormat());
    if (printer.outputFormat() == QPrinter::NativeFormat)
        out.setPrinterName(printer.printerName());
    out.setOutputFileName(printer.outputFileName());
    out.setPageLayout(printer.pageLayout());
    out.setColorMode(printer.colorMode());
    out.setCopyCount(printer.copyCount());
    out.setCollateCopies(printer.collateCopies());
    out.setDuplex(printer.duplex());
    out.setDocName(printer.docName());
    out.setFullPage(printer.fullPage());
    out.setPageOrder(printer.pageOrder());

    const int start = SelStartByte();
    const int end = SelEndByte();
    if (start == end) {
        out.printRange(engine);
        return;
    }
    // The selection goes through a scratch copy holding just its characters and styles.
    RichTextBox scratch;
    scratch.setFont(font());
    for (int style = 0; style < StyleCount; ++style) {
        if (styleColours[style] >= 0)
            scratch.Sci(Sc::SCI_STYLESETFORE, static_cast<unsigned long>(style),
                        styleColours[style]);
    }
    QByteArray styled(2 * (end - start) + 2, '\0');
    engine->SendScintilla(Sc::SCI_GETSTYLEDTEXT, start, end, styled.data());
    scratch.engine->SendScintilla(Sc::SCI_ADDSTYLEDTEXT, static_cast<uintptr_t>(2 * (end - start)),
                                  styled.constData());
    out.printRange(scratch.engine);
}

// ---- Events ----------------------------------------------------------------------------------

bool RichTextBox::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
        return engine->Deliver(event);
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        engine->Deliver(event);
        return QWidget::event(event); // the input method's idea of where the control is
    default:
        return QWidget::event(event);
    }
}

QVariant RichTextBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    return engine->InputMethodQuery(query); // the engine fills the control: same coordinates
}

// The engine draws focus changes itself; a repaint of the whole control would redraw all of it.
void RichTextBox::focusInEvent(QFocusEvent*) {}
void RichTextBox::focusOutEvent(QFocusEvent*) {}

void RichTextBox::resizeEvent(QResizeEvent*) {
    engine->setGeometry(rect());
}

QSize RichTextBox::sizeHint() const {
    return engine->sizeHint();
}

QSize RichTextBox::minimumSizeHint() const {
    return engine->minimumSizeHint();
}

bool RichTextBox::EditorHoldsSelection() const {
    return Sci(Sc::SCI_GETSELECTIONEMPTY) == 0;
}

void RichTextBoxEngine::keyPressEvent(QKeyEvent* event) {
    emit box.KeyDown(KeyMapping::VirtualKey(event->key()),
                     KeyMapping::ShiftState(event->modifiers()));
    const int typed = KeyMapping::TypedCharacter(event->key(), event->modifiers(), event->text());
    int keyAscii = typed;
    if (typed != 0)
        emit box.KeyPress(keyAscii);
    RichTextBox::UserInput input(box);
    if (typed != 0 && keyAscii == 0) { // the handler swallowed the character
        event->accept();
        return;
    }
    if (keyAscii != typed) { // the handler gave another character
        const QString text(QChar(static_cast<char16_t>(keyAscii)));
        QKeyEvent replaced(event->type(), keyAscii == 13 ? int(Qt::Key_Return) : 0,
                           event->modifiers(), keyAscii == 13 ? QStringLiteral("\r") : text);
        QsciScintillaBase::keyPressEvent(&replaced);
        event->setAccepted(replaced.isAccepted());
        return;
    }
    // Tab types a tab character in place of the selection, whatever the caret stands in, and
    // Shift+Tab does nothing: the editing component would indent or outdent lines instead.
    if (event->key() == Qt::Key_Tab && typed == 9) {
        SendScintilla(SCI_REPLACESEL, static_cast<uintptr_t>(0), "\t");
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Backtab ||
        (event->key() == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier))) {
        event->accept();
        return;
    }
    box.CrossRowEnd(event->key(), event->modifiers());
    QsciScintillaBase::keyPressEvent(event);
}

void RichTextBoxEngine::inputMethodEvent(QInputMethodEvent* event) {
    for (QChar c : event->commitString()) {
        int keyAscii = c.unicode();
        if (!c.isSurrogate() && keyAscii >= 32)
            emit box.KeyPress(keyAscii);
    }
    RichTextBox::UserInput input(box);
    QsciScintillaBase::inputMethodEvent(event);
}

void RichTextBoxEngine::focusInEvent(QFocusEvent* event) {
    QsciScintillaBase::focusInEvent(event);
    if (box.hideSelection)
        SendScintilla(SCI_HIDESELECTION, 0);
}

void RichTextBoxEngine::focusOutEvent(QFocusEvent* event) {
    QsciScintillaBase::focusOutEvent(event);
    if (box.hideSelection)
        SendScintilla(SCI_HIDESELECTION, 1);
}

void RichTextBoxEngine::mousePressEvent(QMouseEvent* event) {
    RichTextBox::UserInput input(box);
    QsciScintillaBase::mousePressEvent(event);
}

void RichTextBoxEngine::mouseMoveEvent(QMouseEvent* event) {
    RichTextBox::UserInput input(box);
    QsciScintillaBase::mouseMoveEvent(event);
}

void RichTextBoxEngine::mouseReleaseEvent(QMouseEvent* event) {
    RichTextBox::UserInput input(box); // a middle-button paste inserts here
    QsciScintillaBase::mouseReleaseEvent(event);
}

void RichTextBoxEngine::mouseDoubleClickEvent(QMouseEvent* event) {
    RichTextBox::UserInput input(box);
    QsciScintillaBase::mouseDoubleClickEvent(event);
}

void RichTextBoxEngine::contextMenuEvent(QContextMenuEvent* event) {
    RichTextBox::UserInput input(box); // the menu's Paste runs inside
    QsciScintillaBase::contextMenuEvent(event);
}

void RichTextBoxEngine::dropEvent(QDropEvent* event) {
    RichTextBox::UserInput input(box);
    QsciScintillaBase::dropEvent(event);
}

QMimeData* RichTextBoxEngine::toMimeData(const QByteArray& text, bool rectangular) const {
    // A rectangle's pieces are joined with line breaks of their own: no row's end among them.
    const QByteArray plain = rectangular ? text : box.WithoutSoftBreaks(text);
    return QsciScintillaBase::toMimeData(
        TextFile::WithPlatformBreaksUtf8({plain.constData(), static_cast<size_t>(plain.size())}),
        rectangular);
}

QByteArray RichTextBox::WithoutSoftBreaks(const QByteArray& editorBytes) const {
    if (softBreaks.empty())
        return editorBytes;
    const int length = static_cast<int>(editorBytes.size());
    const int selection = SelStartByte();
    const int line = static_cast<int>(
        Sci(Sc::SCI_POSITIONFROMLINE,
            static_cast<unsigned long>(
                Sci(Sc::SCI_LINEFROMPOSITION, static_cast<unsigned long>(selection)))));
    // The editor hands a NUL over as a space.
    const auto same = [](char held, char handed) {
        return held == handed || (held == '\0' && handed == ' ');
    };
    for (const int start : {selection, line}) {
        if (start + length > EditorLength())
            continue;
        const std::string_view held = RangeView(start, start + length);
        if (!std::equal(held.begin(), held.end(), editorBytes.begin(), same))
            continue;
        QByteArray text;
        text.reserve(length);
        int from = start;
        for (auto softBreak = std::lower_bound(softBreaks.begin(), softBreaks.end(), start);
             softBreak != softBreaks.end() && *softBreak < start + length; ++softBreak) {
            text.append(editorBytes.constData() + (from - start), *softBreak - from);
            from = *softBreak + 1;
        }
        text.append(editorBytes.constData() + (from - start), start + length - from);
        return text;
    }
    return editorBytes;
}

// Notes non-ASCII text arriving, however it arrives (typing, paste, undo), and records what a
// user input event inserts, keeping earlier records in step with later edits. Heard before the
// edit happens: position and length are those the edit will have, and the text around them is
// still as it was.
void RichTextBox::OnModified(int position, int modificationType, const char*, int length, int, int,
                             int, int, int, int) {
    if (!(modificationType & EditEvents))
        return;
    FinishColours(); // queued colours belong to the text as it is before the edit
    const bool inserting = modificationType & Sc::SC_MOD_BEFOREINSERT;
    if (AccessibleRichTextBox::Listening()) {
        AnnounceInsertions(); // the edit before this one is done by now
        const int at = CharFromEditorByte(position);
        if (inserting) {
            QMetaObject::invokeMethod(
                this, [this] { AnnounceInsertions(); }, Qt::QueuedConnection);
            unannounced = Insertion{at, position, length};
        } else {
            QAccessibleTextRemoveEvent removed(this, at, RangeText(position, position + length));
            AccessibleRichTextBox::Tell(removed);
        }
    }
    if (asciiOnly)
        FollowEdit(unchecked, inserting, position, length);
    if (indexed && MisleadsIndex(modificationType, position, length))
        indexStale = true; // counted afresh when next needed, once the edit is made
    FollowSoftBreaks(modificationType, position, length);
    emit TextChanged();
    if (userInputDepth > 0)
        FollowEdit(userInsertions, inserting, position, length);
}

// The editor keeps its UTF-16 line index wrong after an edit that splits a CR LF or makes a CR
// and an LF meet: it moves the line's start and leaves the characters counted to the old one.
// Text put back by an undo or a redo may end with a lone CR; other insertions never do.
bool RichTextBox::MisleadsIndex(int modificationType, int position, int length) const {
    const auto charAt = [&](int at) {
        return at >= 0 && at < EditorLength()
                   ? static_cast<char>(Sci(Sc::SCI_GETCHARAT, static_cast<unsigned long>(at)))
                   : '\0';
    };
    const bool inserting = modificationType & Sc::SC_MOD_BEFOREINSERT;
    if (charAt(position - 1) == '\r')
        return inserting || charAt(position) == '\n' || charAt(position + length) == '\n';
    return inserting && (modificationType & (Sc::SC_PERFORMED_UNDO | Sc::SC_PERFORMED_REDO)) &&
           charAt(position) == '\n';
}

void RichTextBox::FollowSoftBreaks(int modificationType, int position, int length) {
    plainValid = false;
    if (replacing)
        return; // a whole-text replacement makes its own
    const bool undo = modificationType & Sc::SC_PERFORMED_UNDO;
    const bool redo = modificationType & Sc::SC_PERFORMED_REDO;
    if (!undo && !redo)
        redoTaken.clear(); // a new edit: the history has nothing left to redo
    const auto first = std::lower_bound(softBreaks.begin(), softBreaks.end(), position);
    if (modificationType & Sc::SC_MOD_BEFOREINSERT) {
        for (auto after = first; after != softBreaks.end(); ++after)
            *after += length;
        std::vector<TakenBreaks>& taken = undo ? undoTaken : redoTaken;
        if ((!undo && !redo) || taken.empty() || taken.back().position != position ||
            taken.back().length != length)
            return;
        std::vector<int> back = std::move(taken.back().offsets);
        taken.pop_back();
        for (int& softBreak : back)
            softBreak += position;
        softBreaks.insert(first, back.begin(), back.end());
        return;
    }
    const auto last = std::lower_bound(first, softBreaks.end(), position + length);
    if (keepTaken) {
        TakenBreaks taken{position, length, {}};
        for (auto softBreak = first; softBreak != last; ++softBreak)
            taken.offsets.push_back(*softBreak - position);
        (undo ? redoTaken : undoTaken).push_back(std::move(taken));
    }
    if (position > 0 && last != softBreaks.end() && *last == position + length &&
        Sci(Sc::SCI_GETCHARAT, static_cast<unsigned long>(position - 1)) == '\r')
        crBeforeBreak = true;
    for (auto after = softBreaks.erase(first, last); after != softBreaks.end(); ++after)
        *after -= length;
}

void RichTextBox::CrossRowEnd(int key, Qt::KeyboardModifiers modifiers) {
    if (softBreaks.empty())
        return;
    const bool deleting = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    const bool backward = key == Qt::Key_Backspace || key == Qt::Key_Left;
    if (!deleting && key != Qt::Key_Left && key != Qt::Key_Right)
        return;
    const bool extending = !deleting && (modifiers & Qt::ShiftModifier);
    int anchor = AnchorByte();
    const int caret = CaretByte();
    // A selection of soft breaks alone (the mouse dragged from a row's end to the next row's
    // start) holds no text: the key acts as it would with none.
    if (!extending && TextFromEditorByte(anchor) == TextFromEditorByte(caret))
        anchor = caret;
    if (anchor != caret && !extending)
        return; // the key acts on the selection
    int beyond = caret;
    while (backward ? IsSoftBreak(beyond - 1) : IsSoftBreak(beyond))
        beyond += backward ? -1 : 1;
    // At the text's start or end there is no character beyond: nothing to step to.
    if (backward ? beyond == 0 : beyond == EditorLength())
        beyond = caret;
    if (beyond != caret || anchor != AnchorByte())
        engine->SendScintilla(Sc::SCI_SETSELECTION, static_cast<unsigned long>(beyond),
                              extending ? anchor : beyond);
}

void RichTextBox::FollowEdit(std::vector<std::pair<int, int>>& ranges, bool inserting, int position,
                             int length) {
    if (inserting) {
        for (auto& [start, len] : ranges) {
            if (start >= position)
                start += length;
            else if (start + len > position)
                len += length;
        }
        ranges.emplace_back(position, length);
        return;
    }
    const int end = position + length;
    for (auto& [start, len] : ranges) {
        const int s = start <= position ? start : std::max(position, start - length);
        const int e0 = start + len;
        const int e = e0 <= position ? e0 : (e0 >= end ? e0 - length : position);
        start = s;
        len = std::max(0, e - s);
    }
}

// The insertion last heard of is in the text by the time anything else happens.
void RichTextBox::AnnounceInsertions() {
    const std::optional<Insertion> insertion = unannounced;
    unannounced.reset();
    if (!insertion || !AccessibleRichTextBox::Listening())
        return;
    QAccessibleTextInsertEvent event(
        this, insertion->at, RangeText(insertion->byte, insertion->byte + insertion->bytes));
    AccessibleRichTextBox::Tell(event);
}

void RichTextBox::AnnounceSelection() {
    if (!AccessibleRichTextBox::Listening() || batchDepth > 0)
        return;
    AnnounceInsertions();
    const int anchor = AnchorByte();
    const int caret = CaretByte();
    if (anchor == announcedAnchor && caret == announcedCaret)
        return;
    const int caretChar = CharFromEditorByte(caret);
    if (anchor != caret || announcedAnchor != announcedCaret) {
        QAccessibleTextSelectionEvent selected(this, CharFromEditorByte(std::min(anchor, caret)),
                                               CharFromEditorByte(std::max(anchor, caret)));
        selected.setCursorPosition(caretChar);
        AccessibleRichTextBox::Tell(selected);
    }
    if (caret != announcedCaret) {
        QAccessibleTextCursorEvent moved(this, caretChar);
        AccessibleRichTextBox::Tell(moved);
    }
    announcedAnchor = anchor;
    announcedCaret = caret;
}

// User moves of the caret reach the adapter here (keys and clicks also note the selection when
// they are done).
void RichTextBox::OnUpdateUi(int updated) {
    if (userInputDepth == 0 && (updated & Sc::SC_UPDATE_SELECTION))
        NoteSelection(false);
}
