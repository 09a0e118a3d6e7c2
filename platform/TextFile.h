// Plain-text files read and written byte-faithfully: the encoding (UTF-8 when the bytes decode
// as UTF-8, else Windows-1252), the line-break style (CR LF or LF, whichever comes first) and
// a missing final line break all survive an open and a save. Inside the program line breaks
// are CR LF. Writes are atomic: a temporary file beside the target, flushed, renamed over it.
#pragma once

#include <QByteArray>
#include <QString>

struct TextFormat {
    enum class Encoding { Utf8, Windows1252 };
    enum class LineBreak { CrLf, Lf };

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

namespace TextFile {

// Pure conversions between file bytes and the program's CR LF text.
DecodedText Decode(const QByteArray& bytes);
QByteArray Encode(const QString& crlfText, const TextFormat& format);

// Reads a whole file; throws RuntimeError naming the path and the reason on failure.
DecodedText Read(const QString& path);
// Writes bytes atomically; throws RuntimeError naming the path and the reason on failure, in
// which case any file already at path is left whole.
void WriteAtomic(const QString& path, const QByteArray& bytes);

} // namespace TextFile
