// Plain-text files read and written byte-faithfully: the encoding (UTF-8 when the bytes decode
// as UTF-8, else Windows-1252), the line-break style (CR LF or LF, whichever comes first) and
// a missing final line break all survive an open and a save. Inside the program line breaks
// are CR LF. Writes are atomic: a temporary file beside the target, flushed, renamed over it.
#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

struct TextFormat {
    enum class Encoding { Utf8, Windows1252 };
    enum class LineBreak { CrLf, Lf, Cr };

    Encoding encoding = Encoding::Utf8;
    LineBreak lineBreak =
#ifdef Q_OS_WIN
        LineBreak::CrLf;
#else
        LineBreak::Lf;
#endif
    bool utf8Bom = false;

    bool operator==(const TextFormat&) const = default;
};

struct DecodedText {
    QString text; // line breaks as CR LF
    TextFormat format;
};

// The same, as the UTF-8 bytes the text control holds: no detour through QString.
struct DecodedUtf8 {
    QByteArray utf8; // line breaks as CR LF, no BOM
    TextFormat format;
};

namespace TextFile {

// Pure conversions between file bytes and the program's CR LF text. Decode turns every line
// break (CR LF, LF, lone CR) into CR LF; the style recorded is that of the first CR LF or LF
// (lone CRs decide it, as CR, only in a file with no LF; with no break, the platform's). Encode
// writes every break in the format's style, in the format that FormatFor gives.
DecodedText Decode(const QByteArray& bytes);
QByteArray Encode(const QString& crlfText, const TextFormat& format);
// The format Encode really uses: `format`, except that Windows-1252 text holding a character
// the code page cannot encode is written as UTF-8 (no BOM) rather than lose that character.
TextFormat FormatFor(const QString& crlfText, const TextFormat& format);

// The byte-level forms the text control uses; the results are those of the forms above.
DecodedUtf8 DecodeToUtf8(const QByteArray& bytes);
QByteArray EncodeUtf8(std::string_view crlfUtf8, const TextFormat& format);
TextFormat FormatForUtf8(std::string_view crlfUtf8, const TextFormat& format);
// UTF-8 as a string, a leading U+FEFF kept as a character (QString::fromUtf8 drops it).
QString FromUtf8(std::string_view utf8);
// The UTF-8 bytes of text with every line break (CR LF, LF, lone CR) as CR LF.
QByteArray CrLfUtf8(const QString& text);

// Reads a whole file; throws RuntimeError naming the path and the reason on failure.
DecodedText Read(const QString& path);
DecodedUtf8 ReadUtf8(const QString& path);
// Writes bytes atomically; throws RuntimeError naming the path and the reason on failure, in
// which case any file already at path is left whole.
void WriteAtomic(const QString& path, const QByteArray& bytes);

} // namespace TextFile
