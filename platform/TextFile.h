// Plain-text files read and written byte-faithfully: the encoding (UTF-16 or UTF-32 when the file
// starts with their byte-order mark, else UTF-8 when the bytes decode as UTF-8, else
// Windows-1252), the line-break style (CR LF or LF, whichever comes first) and a missing final
// line break all survive an open and a save. Inside the program line breaks are CR LF, except in
// a file that looks binary (it holds NUL characters), whose breaks stay exactly as found.
// Writes are atomic: a temporary file beside the target, flushed, renamed over it; where that
// would lose the file's owner or its hard links, or no temporary file can be made there, the file
// is written in place behind a backup copy. File names keep their bytes (DecodeName).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/RuntimeError.h"

struct TextFormat {
    enum class Encoding { Utf8, Windows1252, Utf16LE, Utf16BE, Utf32LE, Utf32BE };
    enum class LineBreak { CrLf, Lf, Cr };

    Encoding encoding = Encoding::Utf8;
    LineBreak lineBreak =
#ifdef Q_OS_WIN
        LineBreak::CrLf;
#else
        LineBreak::Lf;
#endif
    bool utf8Bom = false; // UTF-16 and UTF-32 files always have their mark
    // NUL characters: the file looks binary. Its line breaks are kept as found, inside the
    // program and on saving, so that opening and saving it changes no byte.
    bool binary = false;

    bool operator==(const TextFormat&) const = default;
};

struct DecodedText {
    QString text; // line breaks as CR LF (as found in a binary file)
    TextFormat format;
    bool mixedBreaks = false; // more than one break style: saving writes them all in one
};

// The same, as the UTF-8 bytes the text control holds: no detour through QString.
struct DecodedUtf8 {
    QByteArray utf8; // line breaks as CR LF (as found in a binary file), no byte-order mark
    TextFormat format;
    bool mixedBreaks = false;
};

// What Kelto last saw of a file, to tell whether another program has changed, replaced or
// swapped it since: the identity, size and modification time of the file the path leads to,
// and whether the path itself is a symbolic link.
struct FileStamp {
    bool exists = false;  // something is at the path (a dangling link too)
    bool symLink = false; // the path itself is a symbolic link
    std::uint64_t device = 0;
    std::uint64_t inode = 0; // 0 where the platform has no file identity to offer
    std::int64_t size = -1;
    std::int64_t modifiedNs = 0; // nanoseconds since the epoch

    bool operator==(const FileStamp&) const = default;
};

namespace TextFile {

// The largest text Kelto holds, and so the largest file it reads: 2,147,483,647 bytes (2 GiB less
// one). The editing component keeps a document's line starts as 32-bit numbers unless the
// document is made with its large-document option, which its Qt interface, counting positions
// as `int`, cannot use; Kelto's own text positions are 32-bit as well. A larger file is refused
// before a byte of it is read; so is a file whose text, once every line break is CR LF, would
// be larger.
inline constexpr std::int64_t LargestText = 2147483647;

// Text that keeps any bytes: UTF-8, where each byte of a sequence that is not UTF-8 stands as
// the unpaired surrogate U+DC80..U+DCFF, and back, so that any bytes come back as they were.
QString FromBytes(const QByteArray& bytes);
QByteArray ToBytes(const QString& text);
// File names as the system spells them. On Linux a name is bytes, and FromBytes keeps them:
// QFile::decodeName would turn every byte that is not UTF-8 into U+FFFD, so such a file could
// not be found again and two names could become one. Windows names are UTF-16: Qt's own.
QString DecodeName(const QByteArray& name);
QByteArray EncodeName(const QString& name);
// The file a chain of symbolic links at path ends in, as an absolute path (it may not exist);
// empty when path is not a symbolic link.
QString LinkTarget(const QString& path);

// The error of memory running out while a file is read ("Cannot open") or its text made ready to
// be written ("Cannot save"): number 7, as the runtime's "Out of memory".
RuntimeError OutOfMemory(const QString& what, const QString& path);

// Pure conversions between file bytes and the program's CR LF text. Decode turns every line
// break (CR LF, LF, lone CR) into CR LF, except in a binary file; the style recorded is that of
// the first CR LF or LF (lone CRs decide it, as CR, only in a file with no LF; with no break,
// the platform's). Encode writes every break in the format's style, in the format that
// FormatFor gives.
DecodedText Decode(const QByteArray& bytes);
QByteArray Encode(const QString& crlfText, const TextFormat& format);
// The format Encode really uses: `format`, except that Windows-1252 text holding a character
// the code page cannot encode is written as UTF-8 (no BOM) rather than lose that character.
TextFormat FormatFor(const QString& crlfText, const TextFormat& format);

// The byte-level forms the text control uses; the results are those of the forms above.
DecodedUtf8 DecodeToUtf8(const QByteArray& bytes);
QByteArray EncodeUtf8(std::string_view crlfUtf8, const TextFormat& format);
TextFormat FormatForUtf8(std::string_view crlfUtf8, const TextFormat& format);
// Whether every byte is ASCII, so that characters are bytes in UTF-8 and in Windows-1252.
bool IsAscii(std::string_view bytes);
// UTF-8 as a string, a leading U+FEFF kept as a character (QString::fromUtf8 drops it).
QString FromUtf8(std::string_view utf8);
// The UTF-8 bytes of text with every line break (CR LF, LF, lone CR) as CR LF.
QByteArray CrLfUtf8(const QString& text);
// Text for other programs (the system clipboard): every line break in the platform's style,
// LF on Linux, CR LF on Windows.
QString WithPlatformBreaks(const QString& text);
QByteArray WithPlatformBreaksUtf8(std::string_view utf8);
// How a line-break style is named to the user: "CR LF (Windows)", ...
QString BreakName(TextFormat::LineBreak style);

// Reads a whole file; throws RuntimeError naming the path and the reason on failure: 53 when
// nothing is there, 75 for a directory, a pipe or a device (never read from) or a file that may
// not be read, 57 when reading fails, 7 for a file larger than LargestText or when memory runs
// out while it is read. With stamp, also notes the file as it was read.
DecodedText Read(const QString& path);
DecodedUtf8 ReadUtf8(const QString& path, FileStamp* stamp = nullptr);
// A whole file's bytes as they are, not decoded (workspace files, build templates); throws
// RuntimeError as Read does.
QByteArray ReadWhole(const QString& path);

// Where ReadUtf8Into hands the text: its length first, then the bytes in pieces.
class Utf8Sink {
public:
    virtual ~Utf8Sink() = default;
    virtual void Begin(std::size_t bytes) = 0;
    virtual void Append(std::string_view piece) = 0;
    virtual void Discard() = 0; // forget every piece: the reading failed or starts over
};

struct ReadInfo {
    TextFormat format;
    bool mixedBreaks = false;
    bool ascii = false;   // every byte of the text is ASCII
    bool chunked = false; // read in chunks, converted on the way; false when decoded whole
};

// Reads a file as ReadUtf8 does and hands the same bytes to sink, without a copy of the whole
// file in memory where it can: a UTF-8 text file is read twice in chunks of `chunk` bytes, once
// to learn its encoding, breaks and length, once to convert its breaks on the way to the sink.
// Any other file (UTF-16 or UTF-32, Windows-1252, binary) is decoded whole, and so is a file
// that changes between the two readings. Throws RuntimeError as ReadUtf8 does; the sink then
// holds nothing (Discard was called if anything had been appended).
ReadInfo ReadUtf8Into(const QString& path, Utf8Sink& sink, FileStamp* stamp = nullptr,
                      std::size_t chunk = 256 * 1024);
// Writes bytes safely and returns the stamp of the file written. Throws RuntimeError naming the
// path and the operating system's reason on failure; any file already at path is then left
// whole, or, when it had to be written in place and that failed part-way, its old content is
// in a backup copy the message names. With expected (the file as the caller last saw it, or as
// the user agreed to overwrite it), the file written must be that one: the same device and
// inode, reached the same way (through a symbolic link or not), or still nothing when nothing
// was there; otherwise nothing is written and the error says the file was replaced. Success
// means the bytes are in the file the path names.
FileStamp WriteAtomic(const QString& path, const QByteArray& bytes,
                      const FileStamp* expected = nullptr);
// The file at path as it is now.
FileStamp Stamp(const QString& path);

} // namespace TextFile
