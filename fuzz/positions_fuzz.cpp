// The text control's positions against a plain string: the control holds text with CR LF, lone
// CR and lone LF breaks (as a binary file keeps them), NULs, U+FEFF, combining marks and
// characters of one, two, three and four UTF-8 bytes, and its character positions, selection,
// Find and GetLineFromChar must say what the same QString says; a position between the halves of
// a surrogate pair stands for the character's start. Runs the real control (QScintilla) under an
// offscreen QApplication.
//
// Most inputs give the control a right margin a few characters wide, so that its lines wrap
// into rows ended by soft breaks. Then the same edits (selections, replacements, keys, undo and
// redo, the clipboard, colours) go to it and to a control whose lines never wrap, and the two
// must agree on everything the program can see, after every edit.
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/RichTextBox.h"
#include "platform/RichTextBoxEngine.h"
#include "platform/Twips.h"

namespace {

// Made once and never torn down: libFuzzer ends the process from inside its own loop.
QApplication* app = nullptr;
RichTextBox* code = nullptr;
RichTextBox* plain = nullptr; // lines never wrap

// Symbols the text is built from: ASCII the colouring engine cares about, a line break, and
// characters of every UTF-8 length (the last one outside the BMP: two UTF-16 units).
const QString& Symbol(std::uint8_t b) {
    static const QString symbols[] = {
        QStringLiteral("a"),
        QStringLiteral("B"),
        QStringLiteral(" "),
        QStringLiteral("#"),
        QStringLiteral("/"),
        QStringLiteral("\r\n"),
        QStringLiteral("x"),
        QString::fromUtf8("\xC3\xA9"),
        QString::fromUtf8("\xC3\x89"),
        QString::fromUtf8("\xE2\x82\xAC"),
        QString::fromUtf8("\xF0\x9F\x98\x80"),
        QStringLiteral("\t"),
        QStringLiteral("\r"),
        QStringLiteral("\n"),
        QString(QChar(0)),
        QString::fromUtf8("\xEF\xBB\xBF"),     // U+FEFF
        QString::fromUtf8("\xCC\x81"),         // a combining acute accent
        QString::fromUtf8("\xF0\xA0\x80\x80"), // a CJK Extension-B ideograph
    };
    return symbols[b % std::size(symbols)];
}

// Between the halves of a surrogate pair: such a position stands for the pair's start.
bool InsidePair(const QString& s, qsizetype p) {
    return p > 0 && p < s.size() && s[p].isLowSurrogate();
}

// The line of a position: a CR LF ends a line once (its LF is still on the CR's line), a lone CR
// or LF once each.
int LineOf(const QString& s, int p) {
    int line = 0;
    for (int i = 0; i < p; ++i) {
        if (s[i] == u'\n' || (s[i] == u'\r' && (i + 1 == s.size() || s[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

// KELTO_FUZZ_TRACE=1 (rerunning one input): each edit and the failing check are told.
const bool tracing = qEnvironmentVariableIsSet("KELTO_FUZZ_TRACE");

QByteArray Shown(const QString& text) {
    QByteArray shown;
    for (const QChar c : text) {
        if (c.unicode() >= 32 && c.unicode() < 127)
            shown += char(c.unicode());
        else
            shown += "<" + QByteArray::number(c.unicode(), 16) + ">";
    }
    return shown;
}

void Check(bool ok, int line = __builtin_LINE()) {
    if (ok)
        return;
    if (tracing && plain)
        std::fprintf(stderr,
                     "check at line %d failed; plain %s sel %d+%d length %d; wrapped %s sel %d+%d "
                     "length %d\n",
                     line, Shown(plain->Text()).constData(), plain->SelStart(), plain->SelLength(),
                     plain->TextLength(), Shown(code->Text()).constData(), code->SelStart(),
                     code->SelLength(), code->TextLength());
    if (tracing && plain) {
        RichTextBoxEngine& editor = RichTextBoxEngine::Of(*code);
        const long bytes = editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        QByteArray held(int(bytes) + 1, '\0');
        editor.SendScintilla(QsciScintillaBase::SCI_GETTEXT, bytes + 1, held.data());
        held.chop(1);
        std::fprintf(stderr, "wrapped editor %s anchor %ld caret %ld\n",
                     Shown(QString::fromUtf8(held)).constData(),
                     editor.SendScintilla(QsciScintillaBase::SCI_GETANCHOR),
                     editor.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
    }
    std::abort();
}

// A right margin of `characters` characters of the control's font, in twips; 0: none.
int Margin(int characters) {
    if (characters == 0)
        return 0;
    const int pixels = characters * QFontMetrics(code->font()).averageCharWidth();
    return int(PixelsToTwips(pixels, DotsPerInch(code, Qt::Horizontal))) + 1;
}

void Key(RichTextBox* box, int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(box, &release);
}

QString Copied() {
    return QApplication::clipboard()->text();
}

// What the program can see of the two controls is the same.
void Agree() {
    const QString text = plain->Text();
    Check(code->Text() == text);
    Check(code->TextLength() == plain->TextLength());
    Check(code->Utf8View() == plain->Utf8View());
    Check(code->SelStart() == plain->SelStart());
    Check(code->SelLength() == plain->SelLength());
    Check(code->SelText() == plain->SelText());
    Check(code->InsertionColour() == plain->InsertionColour());
    const int caret = plain->SelStart();
    Check(code->GetLineFromChar(caret) == plain->GetLineFromChar(caret));
    Check(code->GetLineFromChar(int(text.size())) == plain->GetLineFromChar(int(text.size())));
    Check(code->FirstCrLfFrom(caret) == plain->FirstCrLfFrom(caret));
}

// Undo or redo in the wrapped control until it reaches the text the plain one reached in one
// step: a Backspace or Delete run is one undo step more there for each row's end it crosses.
void UndoLikePlain(int key) {
    Key(plain, key, Qt::ControlModifier);
    for (int step = 0; step < 4096 && code->Text() != plain->Text(); ++step)
        Key(code, key, Qt::ControlModifier);
    Check(code->Text() == plain->Text());
    // Where the editor leaves the caret after an undo is its own affair; the same selection for
    // both from here on, the same way round.
    RichTextBoxEngine& editor = RichTextBoxEngine::Of(*plain);
    const int anchor =
        plain->CharFromByte(int(editor.SendScintilla(QsciScintillaBase::SCI_GETANCHOR)));
    const int caret =
        plain->CharFromByte(int(editor.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS)));
    if (caret < anchor) {
        code->SelectBackward(caret, anchor - caret);
    } else {
        code->SetSelStart(anchor);
        code->SetSelLength(caret - anchor);
    }
}

// One edit, the same for both controls, from two bytes.
void Edit(std::uint8_t op, std::uint8_t arg) {
    const int n = plain->TextLength();
    const int at = n == 0 ? 0 : int(arg * 257u % unsigned(n + 1));
    switch (op % 16) {
    case 0:
    case 1: { // a selection, forwards or backwards
        const int length = int(op / 16) % (n - at + 1);
        for (RichTextBox* box : {code, plain}) {
            if (op % 2 == 0) {
                box->SetSelStart(at);
                box->SetSelLength(length);
            } else {
                box->SelectBackward(at, length);
            }
        }
        break;
    }
    case 2: { // the selection replaced (Edit > Paste, Cut)
        QString text;
        for (int i = 0; i < int(op / 16) % 4; ++i)
            text += Symbol(std::uint8_t(arg + 7 * i));
        for (RichTextBox* box : {code, plain})
            box->SetSelText(text);
        break;
    }
    case 3:
        for (RichTextBox* box : {code, plain})
            Key(box, Qt::Key_Backspace, Qt::NoModifier);
        break;
    case 4:
        for (RichTextBox* box : {code, plain})
            Key(box, Qt::Key_Delete, Qt::NoModifier);
        break;
    case 5:
    case 6: { // arrows, with or without Shift
        const auto shift = op & 16 ? Qt::ShiftModifier : Qt::NoModifier;
        for (int i = 0; i <= arg % 3; ++i) {
            for (RichTextBox* box : {code, plain})
                Key(box, op % 16 == 5 ? Qt::Key_Left : Qt::Key_Right, shift);
        }
        break;
    }
    case 7: { // typing: a character or a line break
        const bool enter = arg % 4 == 0;
        const QString typed = enter ? QStringLiteral("\r") : Symbol(arg).left(1);
        if (!enter && (!typed[0].isPrint() || typed[0].isSurrogate()))
            break;
        for (RichTextBox* box : {code, plain})
            Key(box, enter ? Qt::Key_Return : Qt::Key_X, Qt::NoModifier, typed);
        break;
    }
    case 8:
        UndoLikePlain(Qt::Key_Z);
        break;
    case 9:
        UndoLikePlain(Qt::Key_Y);
        break;
    case 10: // the colouring engine's way: selections that only point at text
        for (RichTextBox* box : {code, plain}) {
            const RichTextBox::SelectionBatch batch(*box);
            const int selStart = box->SelStart();
            box->SetSelStart(at);
            box->SetSelLength(int(op / 16));
            box->SetSelColor(long(arg) * 0x010101);
            box->SetSelStart(selStart);
        }
        for (int p = 0; p < n; p += 1 + n / 32)
            Check(code->ColourAt(p) == plain->ColourAt(p));
        break;
    case 11: { // Find from a position, for text the control holds
        const QString text = plain->Text();
        const int start = InsidePair(text, at) ? at - 1 : at;
        const QString needle = text.mid(start, 1 + op / 16 % 8);
        if (needle.isEmpty() || needle.back().isHighSurrogate())
            break;
        const int from = int(op) % (n + 1);
        if (InsidePair(text, from))
            break;
        Check(code->Find(needle, from, -1, 4) == plain->Find(needle, from, -1, 4));
        break;
    }
    case 12: // copy, then cut: the clipboard gets the same text from both
    case 13: {
        const int key = op % 16 == 12 ? Qt::Key_C : Qt::Key_X;
        QApplication::clipboard()->clear(); // nothing selected: nothing copied
        Key(code, key, Qt::ControlModifier);
        const QString fromCode = Copied();
        QApplication::clipboard()->clear();
        Key(plain, key, Qt::ControlModifier);
        if (tracing)
            std::fprintf(stderr, "copied: plain %s wrapped %s\n", Shown(Copied()).constData(),
                         Shown(fromCode).constData());
        Check(Copied() == fromCode);
        break;
    }
    case 14: // paste
        for (RichTextBox* box : {code, plain})
            Key(box, Qt::Key_V, Qt::ControlModifier);
        break;
    default: // to either end of the text
        for (RichTextBox* box : {code, plain})
            Key(box, arg % 2 ? Qt::Key_End : Qt::Key_Home,
                Qt::ControlModifier | (op & 16 ? Qt::ShiftModifier : Qt::NoModifier));
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QApplication(*argc, *argv);
    code = new RichTextBox;
    plain = new RichTextBox;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte: rows of 1 to 7 characters, or (one input in eight) lines that never wrap.
    code->SetRightMargin(Margin(data[0] % 8));
    ++data;
    --size;
    // The first half builds the text, the rest are queries (two bytes each), then edits.
    const std::size_t textBytes = size / 2;
    QString text;
    for (std::size_t i = 0; i < textBytes; ++i)
        text += Symbol(data[i]);
    if (tracing)
        std::fprintf(stderr, "rows of %d, text %s\n", data[-1] % 8, Shown(text).constData());
    code->RestoreText(text.toUtf8(), {}, {}, {}); // breaks as they are, as a binary file's
    Check(code->Text() == text);
    Check(code->TextLength() == text.size());

    const auto n = int(text.size());
    const std::size_t queries = textBytes + (size - textBytes) / 2 / 2 * 2;
    for (std::size_t i = textBytes; i + 1 < queries; i += 2) {
        const int asked = n == 0 ? 0 : int(data[i] * 257u % unsigned(n + 1));
        const int p = InsidePair(text, asked) ? asked - 1 : asked;
        Check(code->GetLineFromChar(asked) == LineOf(text, p));
        Check(code->ByteFromChar(asked) == int(text.left(p).toUtf8().size()));
        Check(code->CharFromByte(code->ByteFromChar(asked)) == p);

        code->SetSelStart(asked);
        Check(code->SelStart() == p);
        int length = int(data[i + 1]) % (n - p + 1);
        code->SetSelLength(length);
        if (InsidePair(text, p + length))
            --length;
        Check(code->SelStart() == p && code->SelLength() == length);
        Check(code->SelText() == text.mid(p, length));

        // Find with match case: the first occurrence at or after start.
        if (length > 0) {
            const QString needle = text.mid(p, length);
            const int start = int(data[i + 1]) % (n + 1);
            if (!InsidePair(text, start))
                Check(code->Find(needle, start, -1, 4) == int(text.indexOf(needle, start)));
        }
    }

    // The same text in a control whose lines never wrap, the same selection, and edits.
    plain->RestoreText(text.toUtf8(), {}, {}, {});
    code->SetSelStart(0);
    plain->SetSelStart(0);
    QApplication::clipboard()->setText(Symbol(data[-1]) + Symbol(std::uint8_t(size)));
    for (std::size_t i = queries; i + 1 < size; i += 2) {
        if (tracing)
            std::fprintf(stderr, "edit %d (%d): text %s sel %d+%d\n", data[i] % 16, data[i + 1],
                         Shown(plain->Text()).constData(), plain->SelStart(), plain->SelLength());
        Edit(data[i], data[i + 1]);
        QApplication::processEvents(); // the program is back in its event loop between edits
        Agree();
    }
    return 0;
}
