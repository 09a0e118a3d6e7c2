// Byte-faithful plain-text files: detection of encoding and line-break style, conversion to
// and from the program's CR LF text, and atomic writes through QSaveFile.
#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/RuntimeError.h"

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control of the same number, as Windows itself does, so
// every byte value decodes and encodes back to itself.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char utf8Bom[] = "\xEF\xBB\xBF";

// Windows-1252 bytes as UTF-8.
QByteArray Windows1252ToUtf8(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8 + 16);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.append(c);
            continue;
        }
        const char16_t u = b <= 0x9F ? cp1252High[b - 0x80] : char16_t(b);
        if (u < 0x800) {
            out.append(static_cast<char>(0xC0 | (u >> 6)));
        } else {
            out.append(static_cast<char>(0xE0 | (u >> 12)));
            out.append(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        }
        out.append(static_cast<char>(0x80 | (u & 0x3F)));
    }
    return out;
}

// Returns the byte for a character, or -1 when Windows-1252 has none for it.
int Windows1252Byte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (cp1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

const char* Find(const char* from, const char* end, char c) {
    const void* found = std::memchr(from, c, static_cast<size_t>(end - from));
    return found ? static_cast<const char*>(found) : end;
}

// `prefix`, then `in` with every line break (CR LF, lone LF, lone CR) written as `lineBreak`.
// Works line by line with memchr, so long runs cost a copy and nothing more.
QByteArray NormaliseBreaks(std::string_view in, std::string_view lineBreak,
                           std::string_view prefix = {}) {
    const char* p = in.data();
    const char* const end = p + in.size();
    QByteArray out;
    out.reserve(static_cast<qsizetype>(prefix.size() + in.size() + in.size() / 16 + 16));
    out.append(prefix.data(), static_cast<qsizetype>(prefix.size()));
    const char* cr = Find(p, end, '\r');
    const char* lf = Find(p, end, '\n');
    while (p < end) {
        const char* const brk = std::min(cr, lf);
        out.append(p, brk - p);
        if (brk == end)
            break;
        out.append(lineBreak.data(), static_cast<qsizetype>(lineBreak.size()));
        p = brk + 1;
        if (brk == cr && p < end && *p == '\n')
            ++p;
        if (cr < p)
            cr = Find(p, end, '\r');
        if (lf < p)
            lf = Find(p, end, '\n');
    }
    return out;
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

bool IsAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QString Reason(const QFileDevice& file) {
    const QString reason = file.errorString();
    return reason.isEmpty() ? QStringLiteral("unknown error") : reason;
}

[[noreturn]] void Fail(int number, const QString& what, const QString& path,
                       const QString& reason) {
    throw RuntimeError(
        number, QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), reason));
}

// Error numbers in the manner of the runtime: 53 file not found, 75 path/file access error,
// 76 path not found, 57 device I/O error.
constexpr int FileNotFound = 53;
constexpr int DeviceIoError = 57;
constexpr int PathFileAccessError = 75;
constexpr int PathNotFound = 76;

QString NotRegular() {
    return QStringLiteral("Not a regular file (a device, a pipe or a socket)");
}

// Where a write to path really lands: the final target of a chain of symbolic links, so that
// the link itself stays a link.
QString WriteTarget(const QString& path) {
    QString target = path;
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            return target;
        target = info.symLinkTarget();
    }
    Fail(PathFileAccessError, QStringLiteral("Cannot save"), path,
         QStringLiteral("too many levels of symbolic links"));
}

} // namespace

namespace TextFile {

DecodedUtf8 DecodeToUtf8(const QByteArray& bytes) {
    DecodedUtf8 result;
    const bool bom = bytes.startsWith(utf8Bom);
    const std::string_view body = View(bytes).substr(bom ? 3 : 0);
    if (QByteArrayView(body.data(), static_cast<qsizetype>(body.size())).isValidUtf8()) {
        result.format.encoding = TextFormat::Encoding::Utf8;
        result.format.utf8Bom = bom;
        result.utf8 = NormaliseBreaks(body, "\r\n");
    } else {
        result.format.encoding = TextFormat::Encoding::Windows1252;
        result.format.utf8Bom = false;
        result.utf8 = NormaliseBreaks(View(Windows1252ToUtf8(bytes)), "\r\n");
    }
    // The style is that of the first CR LF or lone LF. A lone CR is a line break too (it
    // becomes CR LF like every other) but decides the style only in a file without any LF,
    // so that a file of classic Mac OS breaks keeps them.
    if (const qsizetype lf = bytes.indexOf('\n'); lf >= 0) {
        result.format.lineBreak = lf > 0 && bytes[lf - 1] == '\r' ? TextFormat::LineBreak::CrLf
                                                                  : TextFormat::LineBreak::Lf;
    } else if (bytes.contains('\r')) {
        result.format.lineBreak = TextFormat::LineBreak::Cr;
    }
    return result;
}

DecodedText Decode(const QByteArray& bytes) {
    const DecodedUtf8 decoded = DecodeToUtf8(bytes);
    return {FromUtf8(View(decoded.utf8)), decoded.format};
}

TextFormat FormatFor(const QString& crlfText, const TextFormat& format) {
    if (format.encoding != TextFormat::Encoding::Windows1252)
        return format;
    for (QChar c : crlfText) {
        if (Windows1252Byte(c.unicode()) < 0) {
            TextFormat mended = format;
            mended.encoding = TextFormat::Encoding::Utf8;
            mended.utf8Bom = false;
            return mended;
        }
    }
    return format;
}

TextFormat FormatForUtf8(std::string_view crlfUtf8, const TextFormat& format) {
    if (format.encoding != TextFormat::Encoding::Windows1252 || IsAscii(crlfUtf8))
        return format;
    return FormatFor(FromUtf8(crlfUtf8), format);
}

QByteArray EncodeUtf8(std::string_view crlfUtf8, const TextFormat& wanted) {
    const TextFormat format = FormatForUtf8(crlfUtf8, wanted);
    const std::string_view lineBreak = format.lineBreak == TextFormat::LineBreak::CrLf ? "\r\n"
                                       : format.lineBreak == TextFormat::LineBreak::Cr ? "\r"
                                                                                       : "\n";
    if (format.encoding == TextFormat::Encoding::Utf8)
        return NormaliseBreaks(crlfUtf8, lineBreak, format.utf8Bom ? utf8Bom : "");
    const QString text = FromUtf8(crlfUtf8);
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text)
        *out++ = static_cast<char>(Windows1252Byte(c.unicode()));
    return NormaliseBreaks(View(bytes), lineBreak);
}

QString FromUtf8(std::string_view utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

QByteArray CrLfUtf8(const QString& text) {
    return NormaliseBreaks(View(text.toUtf8()), "\r\n");
}

QByteArray Encode(const QString& crlfText, const TextFormat& format) {
    return EncodeUtf8(View(crlfText.toUtf8()), format);
}

DecodedUtf8 ReadUtf8(const QString& path) {
    const QString what = QStringLiteral("Cannot open");
    const QFileInfo info(path);
    if (!info.exists())
        Fail(FileNotFound, what, path, QStringLiteral("No such file or directory"));
    if (info.isDir())
        Fail(PathFileAccessError, what, path, QStringLiteral("Is a directory"));
    // A pipe would block the program until something writes to it, a device may never end.
    if (!info.isFile())
        Fail(PathFileAccessError, what, path, NotRegular());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(PathFileAccessError, what, path, Reason(file));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Fail(DeviceIoError, QStringLiteral("Cannot read"), path, Reason(file));
    return DecodeToUtf8(bytes);
}

DecodedText Read(const QString& path) {
    const DecodedUtf8 decoded = ReadUtf8(path);
    return {FromUtf8(View(decoded.utf8)), decoded.format};
}

void WriteAtomic(const QString& path, const QByteArray& bytes) {
    const QString what = QStringLiteral("Cannot save");
    const QString target = WriteTarget(path);
    const QFileInfo info(target);
    if (info.isDir())
        Fail(PathFileAccessError, what, path, QStringLiteral("Is a directory"));
    if (!info.absoluteDir().exists())
        Fail(PathNotFound, what, path, QStringLiteral("The folder does not exist"));
    // Renaming a new file over a device or a pipe would replace the device itself.
    if (info.exists() && !info.isFile())
        Fail(PathFileAccessError, what, path, NotRegular());
    // Replacing a file by rename would get past its read-only flag; honour the flag instead,
    // also for root, whom the system lets write anything: no write bit at all is read-only.
    constexpr auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite)))
        Fail(PathFileAccessError, what, path, QStringLiteral("Permission denied"));

    // QSaveFile writes a temporary file beside the target, gives it the target's permissions,
    // syncs it to disk on commit and renames it over the target.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        Fail(PathFileAccessError, what, path, Reason(file));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = Reason(file);
        file.cancelWriting();
        Fail(DeviceIoError, what, path, reason);
    }
    if (!file.commit())
        Fail(DeviceIoError, what, path, Reason(file));
}

} // namespace TextFile
