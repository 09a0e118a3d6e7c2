// The text control's positions against a plain string: the control holds text with CR LF
// breaks and characters of one, two, three and four UTF-8 bytes, and its character positions,
// selection, Find and GetLineFromChar must say what the same QString says. Runs the real
// control (QScintilla) under an offscreen QApplication.
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
    };
    return symbols[b % std::size(symbols)];
}

// A position no one can ask for: between CR and LF is allowed by the contract, inside a
// surrogate pair is not.
bool InsidePair(const QString& s, qsizetype p) {
    return p > 0 && p < s.size() && s[p].isLowSurrogate();
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
    code->SetText(text);
    Check(code->Text() == text);
    Check(code->TextLength() == text.size());

    const auto n = int(text.size());
    for (std::size_t i = textBytes; i + 1 < size; i += 2) {
        int p = n == 0 ? 0 : int(data[i] * 257u % unsigned(n + 1));
        if (InsidePair(text, p))
            --p;
        // The line of a position counts the LFs before it (a position on the LF of a CR LF
        // is still on the line of the CR).
        Check(code->GetLineFromChar(p) == int(text.left(p).count(QLatin1Char('\n'))));
        Check(code->CharFromByte(code->ByteFromChar(p)) == p);

        code->SetSelStart(p);
        Check(code->SelStart() == p);
        int length = int(data[i + 1]) % (n - p + 1);
        if (InsidePair(text, p + length))
            --length;
        code->SetSelLength(length);
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
