// The text control's positions against a plain string: the control holds text with CR LF, lone
// CR and lone LF breaks (as a binary file keeps them), NULs, U+FEFF, combining marks and
// characters of one, two, three and four UTF-8 bytes, and its character positions, selection,
// Find and GetLineFromChar must say what the same QString says; a position between the halves of
// a surrogate pair stands for the character's start. Runs the real control (QScintilla) under an
// offscreen QApplication.
#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/RichTextBox.h"

namespace {

// Made once and never torn down: libFuzzer ends the process from inside its own loop.
QApplication* app = nullptr;
RichTextBox* code = nullptr;

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

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QApplication(*argc, *argv);
    code = new RichTextBox;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first half builds the text, the rest are queries (two bytes each).
    const std::size_t textBytes = size / 2;
    QString text;
    for (std::size_t i = 0; i < textBytes; ++i)
        text += Symbol(data[i]);
    code->RestoreText(text.toUtf8(), {}, {}, {}); // breaks as they are, as a binary file's
    Check(code->Text() == text);
    Check(code->TextLength() == text.size());

    const auto n = int(text.size());
    for (std::size_t i = textBytes; i + 1 < size; i += 2) {
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
    return 0;
}
