// The file decoder and encoder: any bytes decode, and encoding the decoded text in the format
// found gives the file back byte for byte, except that in a file noted for mixed breaks every
// line break takes the style of the file's first one. A binary file (NULs) keeps its breaks as
// found, inside and out. Decoding the encoded bytes again gives the same text and format.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/TextFile.h"

namespace {

// The bytes with every line break (CR LF, lone LF, lone CR) written as lineBreak.
QByteArray WithBreaks(const QByteArray& bytes, const QByteArray& lineBreak) {
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            out += lineBreak;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray BreakOf(TextFormat::LineBreak style) {
    switch (style) {
    case TextFormat::LineBreak::CrLf:
        return "\r\n";
    case TextFormat::LineBreak::Cr:
        return "\r";
    default:
        return "\n";
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DecodedText decoded = TextFile::Decode(bytes);
    // Inside, every break is CR LF and there is no lone CR or LF (a binary file's stay).
    const QString& text = decoded.text;
    for (qsizetype i = 0; i < text.size() && !decoded.format.binary; ++i) {
        if (text[i] == QLatin1Char('\r') && (i + 1 == text.size() || text[i + 1] != '\n'))
            std::abort();
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != '\r'))
            std::abort();
    }
    if (TextFile::FormatFor(text, decoded.format) != decoded.format)
        std::abort(); // a decoded file can always be written back in its own format
    const QByteArray encoded = TextFile::Encode(text, decoded.format);
    const bool wide = decoded.format.encoding != TextFormat::Encoding::Utf8 &&
                      decoded.format.encoding != TextFormat::Encoding::Windows1252;
    if (decoded.format.binary && decoded.mixedBreaks)
        std::abort();
    if (!decoded.mixedBreaks && encoded != bytes)
        std::abort();
    if (decoded.mixedBreaks && !wide &&
        encoded != WithBreaks(bytes, BreakOf(decoded.format.lineBreak)))
        std::abort();
    // A Windows-1252 file that begins with "\xFE\xFF" or "\xFF\xFE" (a UTF-16 mark) may, once
    // its mixed breaks are made one style, be valid UTF-16 and read as such next time.
    const bool markLike = decoded.format.encoding == TextFormat::Encoding::Windows1252 &&
                          (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE"));
    const DecodedText again = TextFile::Decode(encoded);
    if (!(decoded.mixedBreaks && markLike) &&
        (again.text != text || again.format != decoded.format || again.mixedBreaks))
        std::abort();
    // The byte-level forms agree with the string forms.
    const DecodedUtf8 utf8 = TextFile::DecodeToUtf8(bytes);
    if (TextFile::FromUtf8({utf8.utf8.constData(), std::size_t(utf8.utf8.size())}) != text ||
        utf8.format != decoded.format)
        std::abort();
    return 0;
}
