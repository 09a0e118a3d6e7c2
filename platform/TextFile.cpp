// Byte-faithful plain-text files: detection of encoding and line-break style, conversion to
// and from the program's CR LF text, reading, and safe writes.
#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "platform/RuntimeError.h"
#include "platform/StateFolder.h"

#ifdef Q_OS_WIN
#include <QRandomGenerator>
#include <io.h>
#include <windows.h>
#else
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// By hand: Qt 6's QStringConverter has Windows-1252 only with ICU, which Qt's Windows builds lack.
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

// Kinds of line break, as NormaliseBreaks reports them.
constexpr int CrLfBreak = 1;
constexpr int LfBreak = 2;
constexpr int CrBreak = 4;

// `prefix`, then `in` with every line break (CR LF, lone LF, lone CR) written as `lineBreak`;
// with kinds, also which kinds of break were found. Works line by line with memchr, so long
// runs cost a copy and nothing more.
QByteArray NormaliseBreaks(std::string_view in, std::string_view lineBreak,
                           std::string_view prefix = {}, int* kinds = nullptr) {
    const char* p = in.data();
    const char* const end = p + in.size();
    QByteArray out;
    out.reserve(static_cast<qsizetype>(prefix.size() + in.size() + in.size() / 16 + 16));
    out.append(prefix.data(), static_cast<qsizetype>(prefix.size()));
    const char* cr = Find(p, end, '\r');
    const char* lf = Find(p, end, '\n');
    int found = 0;
    while (p < end) {
        const char* const brk = std::min(cr, lf);
        out.append(p, brk - p);
        if (brk == end)
            break;
        out.append(lineBreak.data(), static_cast<qsizetype>(lineBreak.size()));
        p = brk + 1;
        if (brk == cr && p < end && *p == '\n') {
            ++p;
            found |= CrLfBreak;
        } else {
            found |= brk == cr ? CrBreak : LfBreak;
        }
        if (cr < p)
            cr = Find(p, end, '\r');
        if (lf < p)
            lf = Find(p, end, '\n');
    }
    if (kinds)
        *kinds = found;
    return out;
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

} // namespace

// Branch-free, so the compiler reads many bytes at a time.
bool TextFile::IsAscii(std::string_view bytes) {
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

namespace {

using TextFile::IsAscii;

QString Reason(const QFileDevice& file) {
    const QString reason = file.errorString();
    return reason.isEmpty() ? QStringLiteral("unknown error") : reason;
}

[[noreturn]] void Fail(int number, const QString& what, const QString& path,
                       const QString& reason) {
    throw RuntimeError(
        number, QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), reason));
}

// The folder of a path, as text: the path up to its last separator.
QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// What the symbolic link at path holds, or nothing when path is no link.
std::optional<QString> ReadLink(const QString& path) {
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.isSymLink())
        return std::nullopt;
    return info.symLinkTarget();
#else
    QByteArray buffer(256, Qt::Uninitialized);
    while (true) {
        const ssize_t got = ::readlink(TextFile::EncodeName(path).constData(), buffer.data(),
                                       static_cast<size_t>(buffer.size()));
        if (got < 0)
            return std::nullopt;
        if (got < buffer.size())
            return TextFile::DecodeName(buffer.left(got));
        buffer.resize(buffer.size() * 2);
    }
#endif
}

// The final target of a chain of symbolic links at path, absolute; empty when path is no link.
// endless: the chain did not end within 40 links.
QString ResolveLinks(const QString& path, bool& endless) {
    endless = false;
    QString target;
    for (int depth = 0; depth < 40; ++depth) {
        const QString current = target.isEmpty() ? path : target;
        const std::optional<QString> next = ReadLink(current);
        if (!next)
            return target;
        const QString folder = FolderOf(
            QDir::isAbsolutePath(current) ? current : QDir::currentPath() + u'/' + current);
        target = QDir::cleanPath(QDir::isAbsolutePath(*next) ? *next : folder + u'/' + *next);
    }
    endless = true;
    return target;
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
    bool endless = false;
    const QString target = ResolveLinks(path, endless);
    if (endless)
        Fail(PathFileAccessError, QStringLiteral("Cannot save"), path,
             QStringLiteral("too many levels of symbolic links"));
    return target.isEmpty() ? path : target;
}

// ---- UTF-16 and UTF-32 ------------------------------------------------------------------------

constexpr char utf16LeBom[] = "\xFF\xFE";
constexpr char utf16BeBom[] = "\xFE\xFF";
constexpr char utf32LeBom[] = "\xFF\xFE\x00\x00";
constexpr char utf32BeBom[] = "\x00\x00\xFE\xFF";

bool IsWide(TextFormat::Encoding encoding) {
    return encoding != TextFormat::Encoding::Utf8 && encoding != TextFormat::Encoding::Windows1252;
}
int UnitBytes(TextFormat::Encoding encoding) {
    return encoding == TextFormat::Encoding::Utf32LE || encoding == TextFormat::Encoding::Utf32BE
               ? 4
               : 2;
}
bool BigEndian(TextFormat::Encoding encoding) {
    return encoding == TextFormat::Encoding::Utf16BE || encoding == TextFormat::Encoding::Utf32BE;
}
std::string_view Bom(TextFormat::Encoding encoding) {
    switch (encoding) {
    case TextFormat::Encoding::Utf16LE:
        return {utf16LeBom, 2};
    case TextFormat::Encoding::Utf16BE:
        return {utf16BeBom, 2};
    case TextFormat::Encoding::Utf32LE:
        return {utf32LeBom, 4};
    case TextFormat::Encoding::Utf32BE:
        return {utf32BeBom, 4};
    default:
        return {};
    }
}

void AppendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out.append(static_cast<char>(c));
    } else if (c < 0x800) {
        out.append(static_cast<char>(0xC0 | (c >> 6)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(static_cast<char>(0xE0 | (c >> 12)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (c >> 18)));
        out.append(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The UTF-16 or UTF-32 body of a file (after its mark) as UTF-8, breaks as found; nothing when
// it is not valid in that encoding (an odd length, an unpaired surrogate, a value beyond
// U+10FFFF), so that such a file is read byte by byte and written back as it was.
std::optional<QByteArray> WideToUtf8(std::string_view body, TextFormat::Encoding encoding) {
    const size_t width = static_cast<size_t>(UnitBytes(encoding));
    const bool big = BigEndian(encoding);
    if (body.size() % width != 0)
        return std::nullopt;
    const auto unit = [&](size_t at) {
        char32_t value = 0;
        for (size_t i = 0; i < width; ++i) {
            const auto b = static_cast<unsigned char>(body[at + (big ? i : width - 1 - i)]);
            value = (value << 8) | b;
        }
        return value;
    };
    QByteArray out;
    out.reserve(static_cast<qsizetype>(body.size()));
    for (size_t at = 0; at < body.size(); at += width) {
        char32_t c = unit(at);
        if (width == 2 && c >= 0xD800 && c <= 0xDBFF && at + 2 < body.size()) {
            const char32_t low = unit(at + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            at += 2;
        } else if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return std::nullopt;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// A file with a UTF-32 or UTF-16 byte-order mark whose body is valid in that encoding: the
// encoding and the text as UTF-8 with its breaks as found. UTF-32 LE is tried before UTF-16 LE,
// whose mark it begins with.
std::optional<std::pair<TextFormat::Encoding, QByteArray>> DecodeWide(const QByteArray& bytes) {
    using Encoding = TextFormat::Encoding;
    for (const Encoding encoding :
         {Encoding::Utf32LE, Encoding::Utf32BE, Encoding::Utf16LE, Encoding::Utf16BE}) {
        const std::string_view bom = Bom(encoding);
        if (!View(bytes).starts_with(bom))
            continue;
        if (auto utf8 = WideToUtf8(View(bytes).substr(bom.size()), encoding))
            return std::pair{encoding, std::move(*utf8)};
    }
    return std::nullopt;
}

QByteArray Utf8ToWide(std::string_view utf8, TextFormat::Encoding encoding) {
    const int width = UnitBytes(encoding);
    const bool big = BigEndian(encoding);
    const QString text = TextFile::FromUtf8(utf8);
    const std::string_view bom = Bom(encoding);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(bom.size()) + text.size() * width);
    out.append(bom.data(), static_cast<qsizetype>(bom.size()));
    const auto put = [&](char32_t value) {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (big ? width - 1 - i : i);
            out.append(static_cast<char>((value >> shift) & 0xFF));
        }
    };
    if (width == 2) {
        for (const QChar c : text)
            put(c.unicode());
    } else {
        for (const char32_t c : text.toUcs4())
            put(c);
    }
    return out;
}

// `prefix` and the text with its breaks in the format's style; a binary file's as they are.
QByteArray WithBreaksOf(std::string_view text, const TextFormat& format,
                        std::string_view prefix = {}) {
    if (format.binary) {
        QByteArray out;
        out.reserve(static_cast<qsizetype>(prefix.size() + text.size()));
        out.append(prefix.data(), static_cast<qsizetype>(prefix.size()));
        out.append(text.data(), static_cast<qsizetype>(text.size()));
        return out;
    }
    const std::string_view lineBreak = format.lineBreak == TextFormat::LineBreak::CrLf ? "\r\n"
                                       : format.lineBreak == TextFormat::LineBreak::Cr ? "\r"
                                                                                       : "\n";
    return NormaliseBreaks(text, lineBreak, prefix);
}

constexpr std::string_view PlatformBreak =
#ifdef Q_OS_WIN
    "\r\n";
#else
    "\n";
#endif

// ---- Stamps and safe writes ---------------------------------------------------------------------

// Whether two stamps name the same file reached the same way: something or nothing at the path,
// a symbolic link or not, the same device and inode. Size and time may differ.
bool SameFile(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.symLink == b.symLink && a.device == b.device &&
           a.inode == b.inode;
}

QString Replaced() {
    return QStringLiteral("the file was replaced or moved while Kelto was saving it, so it is no "
                          "longer the file Kelto opened, last saved or was told to overwrite; "
                          "nothing was written");
}

// Makes a backup of target in the first of its two places where copyTo succeeds: beside it,
// hidden, or else in Kelto's state folder. copyTo(prefix, made) copies the file to a new name
// that starts with prefix, sets made to it, and returns the reason it failed (having removed
// what it made) or nothing. The backup's path, or empty with each place's reason in problem.
template <typename CopyTo>
QString MakeBackupIn(const QString& target, QString& problem, CopyTo copyTo) {
    const QFileInfo info(target);
    for (int place = 0; place < 2; ++place) {
        QString folder = info.absolutePath();
        QString prefix = folder + "/." + info.fileName() + ".kelto-backup-";
        if (place == 1) {
            folder = StateFolder::Make(QStringLiteral("backups"));
            if (folder.isEmpty())
                break;
            prefix = folder + u'/' + info.fileName() + u'.';
        }
        QString made;
        const QString reason = copyTo(prefix, made);
        if (reason.isEmpty())
            return made;
        problem += (problem.isEmpty() ? QString() : QStringLiteral("; ")) +
                   QStringLiteral("in %1: %2").arg(QDir::toNativeSeparators(folder), reason);
    }
    return {};
}

#ifndef Q_OS_WIN
QByteArray Native(const QString& path) {
    return TextFile::EncodeName(path);
}

QString SystemReason(int error) {
    return qt_error_string(error);
}

FileStamp FromStat(const struct stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
                       static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return stamp;
}

// Adds whether the path itself is a symbolic link (and that something is there at all).
void NoteLink(FileStamp& stamp, const QString& path) {
    struct stat st {};
    if (::lstat(Native(path).constData(), &st) == 0) {
        stamp.exists = true;
        stamp.symLink = S_ISLNK(st.st_mode);
    }
}

FileStamp StampOfPath(const QString& path) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(Native(path).constData(), &st) == 0)
        stamp = FromStat(st);
    NoteLink(stamp, path);
    return stamp;
}

FileStamp StampOfDescriptor(int fd, const QString& path) {
    FileStamp stamp;
    struct stat st {};
    if (::fstat(fd, &st) == 0)
        stamp = FromStat(st);
    NoteLink(stamp, path);
    return stamp;
}

FileStamp StampOfOpen(const QFile& file, const QString& path) {
    return StampOfDescriptor(file.handle(), path);
}

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Why the file may not be written (a read-only filesystem, no permission), or empty.
QString WhyNotWritable(const QString& target) {
    return ::access(Native(target).constData(), W_OK) == 0 ? QString() : SystemReason(errno);
}

// A file descriptor that is closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    // The error number of closing (a delayed write error shows here), or 0.
    int Close() {
        const int result = fd >= 0 && ::close(fd) != 0 ? errno : 0;
        fd = -1;
        return result;
    }
    int fd;
};

// Writes all of bytes at the descriptor's position: the error number, or 0.
int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

// Copies what is left to read of in to out: the error number, or 0.
int CopyAll(int in, int out) {
    std::array<char, 65536> buffer{};
    while (true) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (const int error = WriteAll(out, buffer.data(), static_cast<size_t>(got)))
            return error;
    }
}

// A new file whose name is prefix and a random tail, open for writing; -1 with errno set when
// none can be made. O_EXCL: a name that is already there, a symbolic link too, is never opened.
int CreateUnique(const QString& prefix, mode_t mode, QString& made) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            prefix + QString::number(QRandomGenerator::global()->generate64() >> 16, 36);
        const int fd =
            ::open(Native(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            made = name;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Brings a rename in the folder to the disk; a folder that cannot be synced is left as it is.
void SyncFolder(const QString& folder) {
    Descriptor dir(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

// A complete, flushed copy of what the open file in holds, beside target or else in Kelto's
// state folder: its path, or empty with the reasons in problem.
QString MakeBackup(int in, const QString& target, QString& problem) {
    return MakeBackupIn(target, problem, [in](const QString& prefix, QString& made) {
        Descriptor out(CreateUnique(prefix, 0600, made));
        int error = out.fd < 0 ? errno : 0;
        if (!error && ::lseek(in, 0, SEEK_SET) != 0)
            error = errno;
        if (!error)
            error = CopyAll(in, out.fd);
        if (!error && ::fsync(out.fd) != 0)
            error = errno;
        if (!error)
            error = out.Close();
        if (!error)
            return QString();
        if (!made.isEmpty())
            ::unlink(Native(made).constData());
        return SystemReason(error);
    });
}

// Writes the file where it is, keeping its inode (owner, hard links): a backup copy first, then
// the new content over the old, flushed, then the backup goes. The file is opened once, without
// following a symbolic link, and must be the file found before (`old`): the backup is of the
// very file written, and a file swapped in meanwhile (another file, a link to one) is refused
// untouched. Afterwards the path must still lead to it, or the bytes did not reach the file the
// path names and that is a failure. A failure before the file is touched leaves it as it was; a
// failure after keeps the backup and names it.
FileStamp WriteInPlace(const QString& path, const QString& target, const struct stat& old,
                       const QByteArray& bytes) {
    const QString what = QStringLiteral("Cannot save");
    Descriptor file(::open(Native(target).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    if (file.fd < 0) {
        const int error = errno;
        if (error == ELOOP)
            Fail(PathFileAccessError, what, path, Replaced());
        Fail(PathFileAccessError, what, path,
             QStringLiteral("it must be written in place, and it cannot be opened to read its "
                            "backup copy and write it (%1); the file was not touched")
                 .arg(SystemReason(error)));
    }
    struct stat opened {};
    if (::fstat(file.fd, &opened) != 0 || !SameInode(opened, old) || !S_ISREG(opened.st_mode))
        Fail(PathFileAccessError, what, path, Replaced());
    QString problem;
    const QString backup = MakeBackup(file.fd, target, problem);
    if (backup.isEmpty())
        Fail(PathFileAccessError, what, path,
             QStringLiteral("it must be written in place, and no backup copy of it could be made "
                            "first (%1); the file was not touched")
                 .arg(problem));
    const auto broken = [&](const QString& reason, bool incomplete = true) {
        file.Close();
        const QString kept = QStringLiteral("previous content is kept in \"%1\".")
                                 .arg(QDir::toNativeSeparators(backup));
        Fail(DeviceIoError, what, path,
             reason +
                 (incomplete ? QStringLiteral(". The file may be incomplete; its ")
                             : QStringLiteral(". Its ")) +
                 kept);
    };
    if (::lseek(file.fd, 0, SEEK_SET) != 0)
        broken(SystemReason(errno));
    if (const int error = WriteAll(file.fd, bytes.constData(), static_cast<size_t>(bytes.size())))
        broken(SystemReason(error));
    if (::ftruncate(file.fd, static_cast<off_t>(bytes.size())) != 0)
        broken(SystemReason(errno));
    if (::fsync(file.fd) != 0)
        broken(SystemReason(errno));
    // Moved away or replaced while it was written: the path names another file now.
    struct stat written {};
    struct stat there {};
    if (::fstat(file.fd, &written) != 0 || written.st_nlink == 0 ||
        ::lstat(Native(target).constData(), &there) != 0 || !SameInode(written, there))
        broken(QStringLiteral("the file was moved or replaced while Kelto was writing it, so "
                              "the text did not reach the file this name now leads to"),
               false);
    const FileStamp stamp = StampOfDescriptor(file.fd, path);
    if (const int error = file.Close())
        broken(SystemReason(error));
    ::unlink(Native(backup).constData());
    return stamp;
}

// A new file beside the target, with the target's owner, group and permissions, flushed and
// renamed over it. Where that would split hard links or lose an owner the process cannot give
// back, or no file can be made in the folder, the file is written in place instead. The target
// must be what `before` found at the path (checked again just before the rename), so that a file
// put in its place meanwhile is neither replaced nor written to.
FileStamp WriteFile(const QString& path, const QString& target, const FileStamp& before,
                    const QByteArray& bytes) {
    const QString what = QStringLiteral("Cannot save");
    struct stat old {};
    const bool exists = ::lstat(Native(target).constData(), &old) == 0;
    const bool expectedThere = before.exists && before.inode != 0;
    if (exists != expectedThere ||
        (exists && (S_ISLNK(old.st_mode) || old.st_dev != static_cast<dev_t>(before.device) ||
                    old.st_ino != static_cast<ino_t>(before.inode))))
        Fail(PathFileAccessError, what, path, Replaced());
    if (exists && old.st_nlink > 1)
        return WriteInPlace(path, target, old, bytes);
    const QFileInfo info(target);
    QString temp;
    // Made private; the target's permissions follow once its owner is set.
    Descriptor out(CreateUnique(info.absolutePath() + "/." + info.fileName() + ".kelto-",
                                exists ? 0600 : 0666, temp));
    if (out.fd < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM))
            return WriteInPlace(path, target, old, bytes);
        Fail(PathFileAccessError, what, path, SystemReason(error));
    }
    const auto abandon = [&](int number, const QString& reason) {
        out.Close();
        ::unlink(Native(temp).constData());
        Fail(number, what, path, reason);
    };
    if (exists) {
        struct stat made {};
        ::fstat(out.fd, &made);
        if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
            ::fchown(out.fd, old.st_uid, old.st_gid) != 0) {
            out.Close();
            ::unlink(Native(temp).constData());
            return WriteInPlace(path, target, old, bytes);
        }
        if (::fchmod(out.fd, old.st_mode & 07777) != 0)
            abandon(PathFileAccessError, SystemReason(errno));
    }
    if (const int error = WriteAll(out.fd, bytes.constData(), static_cast<size_t>(bytes.size())))
        abandon(DeviceIoError, SystemReason(error));
    if (::fsync(out.fd) != 0)
        abandon(DeviceIoError, SystemReason(errno));
    FileStamp stamp = StampOfDescriptor(out.fd, path);
    if (const int error = out.Close())
        abandon(DeviceIoError, SystemReason(error));
    struct stat now {};
    const bool stillThere = ::lstat(Native(target).constData(), &now) == 0;
    if (stillThere != exists || (exists && (S_ISLNK(now.st_mode) || !SameInode(now, old))))
        abandon(PathFileAccessError, Replaced());
    if (::rename(Native(temp).constData(), Native(target).constData()) != 0)
        abandon(PathFileAccessError, SystemReason(errno));
    SyncFolder(info.absolutePath());
    NoteLink(stamp, path);
    return stamp;
}
#else
// The Win32 form of a path: backslashes, and the \\?\ prefix that lifts the 260-character limit
// from an absolute path that needs it.
std::wstring Native(const QString& path) {
    QString native = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (native.size() >= MAX_PATH - 12 && !native.startsWith(QStringLiteral("\\\\")))
        native.prepend(QStringLiteral("\\\\?\\"));
    return native.toStdWString();
}

QString SystemReason(DWORD error) {
    return qt_error_string(int(error));
}

// A handle that is closed when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return handle != INVALID_HANDLE_VALUE; }
    // The error of closing, or 0.
    DWORD Close() {
        const DWORD result = Valid() && !CloseHandle(handle) ? GetLastError() : 0;
        handle = INVALID_HANDLE_VALUE;
        return result;
    }
    HANDLE handle;
};

// Opens what the path leads to, only to look at it.
HANDLE OpenToLookAt(const QString& path) {
    return CreateFileW(Native(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// A file's identity is its volume's serial number and its file index, as Windows gives them.
FileStamp StampOfHandle(HANDLE handle) {
    FileStamp stamp;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        return stamp;
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    // FILETIME counts 100 ns from 1601; the stamp counts nanoseconds from 1970.
    constexpr std::int64_t epoch = 116444736000000000;
    stamp.exists = true;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = join(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.size = static_cast<std::int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow));
    stamp.modifiedNs = (static_cast<std::int64_t>(join(info.ftLastWriteTime.dwHighDateTime,
                                                       info.ftLastWriteTime.dwLowDateTime)) -
                        epoch) *
                       100;
    return stamp;
}

// Adds whether the path itself is a symbolic link or a junction (and that something is there).
void NoteLink(FileStamp& stamp, const QString& path) {
    const DWORD attributes = GetFileAttributesW(Native(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        stamp.exists = true;
        stamp.symLink = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    }
}

FileStamp StampOfPath(const QString& path) {
    FileStamp stamp;
    Handle file(OpenToLookAt(path));
    if (file.Valid())
        stamp = StampOfHandle(file.handle);
    NoteLink(stamp, path);
    return stamp;
}

FileStamp StampOfOpen(const QFile& file, const QString& path) {
    FileStamp stamp;
    const intptr_t handle = _get_osfhandle(file.handle());
    if (handle != -1)
        stamp = StampOfHandle(reinterpret_cast<HANDLE>(handle));
    NoteLink(stamp, path);
    return stamp;
}

// Why the file may not be written: opening it for writing, which changes nothing, tells (a
// read-only medium, no permission, another program holding it open without sharing).
QString WhyNotWritable(const QString& target) {
    Handle file(CreateFileW(Native(target).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() ? QString() : SystemReason(GetLastError());
}

// Writes all of bytes at the handle's position: the error, or 0.
DWORD WriteAll(HANDLE handle, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<qsizetype>(left, 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, data, piece, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        data += written;
        left -= written;
    }
    return 0;
}

// A new file whose name is prefix and a random tail, open for writing; an invalid handle with
// the last error set when none can be made.
HANDLE CreateUnique(const QString& prefix, QString& made) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            prefix + QString::number(QRandomGenerator::global()->generate64() >> 16, 36);
        const HANDLE file = CreateFileW(Native(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            made = name;
            return file;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// A complete, flushed copy of the file, beside it or else in Kelto's state folder: its path, or
// empty with the reasons in problem.
QString MakeBackup(const QString& target, QString& problem) {
    return MakeBackupIn(target, problem, [&target](const QString& prefix, QString& made) {
        DWORD error = 0;
        {
            Handle reserved(CreateUnique(prefix, made));
            if (!reserved.Valid())
                error = GetLastError();
        }
        if (!error && !CopyFileW(Native(target).c_str(), Native(made).c_str(), FALSE))
            error = GetLastError();
        if (!error) {
            Handle copy(CreateFileW(Native(made).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!copy.Valid() || !FlushFileBuffers(copy.handle))
                error = GetLastError();
        }
        if (!error)
            return QString();
        if (!made.isEmpty())
            DeleteFileW(Native(made).c_str());
        return SystemReason(error);
    });
}

// Writes the file where it is, keeping its identity (its other names, its security settings):
// a backup copy first, then the new content over the old, flushed, then the backup goes. A
// failure before the file is touched leaves it as it was; a failure after keeps the backup and
// names it.
FileStamp WriteInPlace(const QString& path, const QString& target, const QByteArray& bytes) {
    const QString what = QStringLiteral("Cannot save");
    QString problem;
    const QString backup = MakeBackup(target, problem);
    if (backup.isEmpty())
        Fail(PathFileAccessError, what, path,
             QStringLiteral("it must be written in place, and no backup copy of it could be made "
                            "first (%1); the file was not touched")
                 .arg(problem));
    Handle out(CreateFileW(Native(target).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid()) {
        const DWORD error = GetLastError();
        DeleteFileW(Native(backup).c_str());
        Fail(PathFileAccessError, what, path, SystemReason(error));
    }
    const auto broken = [&](DWORD error) {
        out.Close();
        Fail(DeviceIoError, what, path,
             SystemReason(error) +
                 QStringLiteral(" The file may be incomplete; its previous content is kept in "
                                "\"%1\".")
                     .arg(QDir::toNativeSeparators(backup)));
    };
    if (const DWORD error = WriteAll(out.handle, bytes))
        broken(error);
    if (!SetEndOfFile(out.handle) || !FlushFileBuffers(out.handle))
        broken(GetLastError());
    const FileStamp stamp = StampOfHandle(out.handle);
    if (const DWORD error = out.Close())
        broken(error);
    DeleteFileW(Native(backup).c_str());
    FileStamp noted = stamp;
    NoteLink(noted, path);
    return noted;
}

// A new file beside the target, flushed, then put in the target's place with ReplaceFileW,
// which keeps the target's security settings, attributes and creation time (a plain rename
// would give the file the folder's defaults). Where that would split hard links, or no file
// can be made in the folder, the file is written in place instead.
FileStamp WriteFile(const QString& path, const QString& target, const FileStamp&,
                    const QByteArray& bytes) {
    const QString what = QStringLiteral("Cannot save");
    BY_HANDLE_FILE_INFORMATION old{};
    bool exists = false;
    {
        Handle file(OpenToLookAt(target));
        exists = file.Valid() && GetFileInformationByHandle(file.handle, &old);
    }
    if (exists && old.nNumberOfLinks > 1)
        return WriteInPlace(path, target, bytes);
    const QFileInfo info(target);
    QString temp;
    Handle out(CreateUnique(info.absolutePath() + "/." + info.fileName() + ".kelto-", temp));
    if (!out.Valid()) {
        const DWORD error = GetLastError();
        if (exists && error == ERROR_ACCESS_DENIED)
            return WriteInPlace(path, target, bytes);
        Fail(PathFileAccessError, what, path, SystemReason(error));
    }
    const auto abandon = [&](int number, DWORD error) {
        out.Close();
        DeleteFileW(Native(temp).c_str());
        Fail(number, what, path, SystemReason(error));
    };
    if (const DWORD error = WriteAll(out.handle, bytes))
        abandon(DeviceIoError, error);
    if (!FlushFileBuffers(out.handle))
        abandon(DeviceIoError, GetLastError());
    if (const DWORD error = out.Close())
        abandon(DeviceIoError, error);
    const bool placed =
        exists ? ReplaceFileW(Native(target).c_str(), Native(temp).c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                              nullptr, nullptr)
               : MoveFileExW(Native(temp).c_str(), Native(target).c_str(), MOVEFILE_WRITE_THROUGH);
    if (!placed)
        abandon(PathFileAccessError, GetLastError());
    return StampOfPath(path);
}
#endif

// ---- Reading in chunks ----------------------------------------------------------------------

// Checks UTF-8 that arrives in pieces: a character cut by the end of a piece is completed from
// the next one.
class Utf8Check {
public:
    // False once the bytes so far are not UTF-8.
    bool Feed(std::string_view piece) {
        if (!carry.empty()) {
            const size_t take = std::min(piece.size(), SequenceLength(carry[0]) - carry.size());
            carry.append(piece.substr(0, take));
            piece.remove_prefix(take);
            if (carry.size() < SequenceLength(carry[0]))
                return true; // the piece was shorter than the rest of the character
            if (!Valid(carry))
                return false;
            carry.clear();
        }
        // A character whose lead byte is among the last three may go on in the next piece.
        size_t cut = piece.size();
        for (size_t back = 1; back <= std::min<size_t>(3, piece.size()); ++back) {
            const auto b = static_cast<unsigned char>(piece[piece.size() - back]);
            if (b < 0x80)
                break;
            if (b >= 0xC0) {
                if (SequenceLength(static_cast<char>(b)) > back)
                    cut = piece.size() - back;
                break;
            }
        }
        carry.assign(piece.substr(cut));
        return Valid(piece.substr(0, cut));
    }
    // Whether the text ended on a whole character.
    bool End() const { return carry.empty(); }

private:
    static size_t SequenceLength(char lead) {
        const auto b = static_cast<unsigned char>(lead);
        return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    }
    static bool Valid(std::string_view bytes) {
        return IsAscii(bytes) ||
               QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8();
    }
    std::string carry;
};

// The line breaks of a text that arrives in pieces, as DecodeToUtf8 counts them: which kinds
// there are, the style of the first CR LF or lone LF, and how much longer the text grows when
// every break becomes CR LF.
class BreakCount {
public:
    void Feed(std::string_view piece) {
        if (piece.empty())
            return;
        const char* const begin = piece.data();
        const char* const end = begin + piece.size();
        if (crBefore) { // a CR ended the last piece
            Count(*begin == '\n');
            if (*begin == '\n' && !firstBreak)
                firstBreak = TextFormat::LineBreak::CrLf;
        }
        if (!firstBreak) {
            if (const char* lf = Find(begin, end, '\n'); lf != end) {
                const bool afterCr = lf > begin ? lf[-1] == '\r' : crBefore;
                firstBreak = afterCr ? TextFormat::LineBreak::CrLf : TextFormat::LineBreak::Lf;
            }
        }
        lfs += static_cast<size_t>(std::count(begin, end, '\n'));
        crBefore = false;
        for (const char* cr = Find(begin, end, '\r'); cr != end; cr = Find(cr + 1, end, '\r')) {
            if (cr + 1 == end)
                crBefore = true;
            else
                Count(cr[1] == '\n');
        }
    }
    void End() {
        if (crBefore)
            Count(false);
        crBefore = false;
    }
    // LFs not after a CR, and CRs not before an LF, each become two bytes.
    size_t Growth() const { return (lfs - pairs) + loneCrs; }
    int Kinds() const {
        return (pairs ? CrLfBreak : 0) | (lfs > pairs ? LfBreak : 0) | (loneCrs ? CrBreak : 0);
    }
    std::optional<TextFormat::LineBreak> FirstBreak() const {
        if (firstBreak)
            return firstBreak;
        if (loneCrs)
            return TextFormat::LineBreak::Cr;
        return std::nullopt;
    }

private:
    void Count(bool pair) { pair ? ++pairs : ++loneCrs; }
    size_t lfs = 0;
    size_t pairs = 0;
    size_t loneCrs = 0;
    bool crBefore = false;
    std::optional<TextFormat::LineBreak> firstBreak;
};

// Reads up to size bytes, as many as the file still has; throws on a read error.
size_t ReadSome(QFile& file, const QString& path, char* data, size_t size) {
    const qint64 got = file.read(data, static_cast<qint64>(size));
    if (got < 0 || file.error() != QFileDevice::NoError)
        Fail(DeviceIoError, QStringLiteral("Cannot read"), path, Reason(file));
    return static_cast<size_t>(got);
}

constexpr int OutOfMemory = 7;

QString Grouped(std::int64_t number) {
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(number));
}

// A file or a text too large for the editing component (TextFile::LargestText) is refused.
void CheckSize(std::int64_t bytes, const QString& path, bool converted) {
    if (bytes <= TextFile::LargestText)
        return;
    Fail(OutOfMemory, QStringLiteral("Cannot open"), path,
         QStringLiteral("%1 is %2 bytes; Kelto holds texts of at most %3 bytes (2 GiB)")
             .arg(converted ? QStringLiteral("its text, with every line break as CR LF,")
                            : QStringLiteral("the file"),
                  Grouped(bytes), Grouped(TextFile::LargestText)));
}

[[noreturn]] void OutOfMemoryWhileReading(const QString& path) {
    throw TextFile::OutOfMemory(QStringLiteral("Cannot open"), path);
}

// Opens a file to read it; the checks and messages every reading gives. A directory, a pipe or
// a device is refused before it is opened (opening a pipe would block, a device may never end),
// and again on what was opened, in case one was put in the file's place meanwhile; so is a file
// larger than Kelto holds.
void OpenToRead(QFile& file, const QString& path) {
    const QString what = QStringLiteral("Cannot open");
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.exists())
        Fail(FileNotFound, what, path, QStringLiteral("No such file or directory"));
    if (info.isDir())
        Fail(PathFileAccessError, what, path, QStringLiteral("Is a directory"));
    if (!info.isFile())
        Fail(PathFileAccessError, what, path, NotRegular());
    CheckSize(info.size(), path, false);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        Fail(PathFileAccessError, what, path, Reason(file));
#else
    const QByteArray name = Native(path);
    const auto refuse = [&](const struct stat& st) {
        if (S_ISDIR(st.st_mode))
            Fail(PathFileAccessError, what, path, QStringLiteral("Is a directory"));
        if (!S_ISREG(st.st_mode))
            Fail(PathFileAccessError, what, path, NotRegular());
        CheckSize(static_cast<std::int64_t>(st.st_size), path, false);
    };
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT)
            Fail(FileNotFound, what, path, QStringLiteral("No such file or directory"));
        Fail(error == ENOTDIR ? PathNotFound : PathFileAccessError, what, path,
             SystemReason(error));
    }
    refuse(st);
    Descriptor opened(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (opened.fd < 0)
        Fail(errno == ENOENT ? FileNotFound : PathFileAccessError, what, path, SystemReason(errno));
    if (::fstat(opened.fd, &st) != 0)
        Fail(DeviceIoError, what, path, SystemReason(errno));
    refuse(st);
    ::fcntl(opened.fd, F_SETFL, ::fcntl(opened.fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(opened.fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle))
        Fail(PathFileAccessError, what, path, Reason(file));
    opened.fd = -1; // the file closes it now
#endif
}

// The whole file from its start; throws on a read error.
QByteArray ReadAllOf(QFile& file, const QString& path) {
    if (!file.seek(0))
        Fail(DeviceIoError, QStringLiteral("Cannot read"), path, Reason(file));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Fail(DeviceIoError, QStringLiteral("Cannot read"), path, Reason(file));
    return bytes;
}

// What the first reading of a UTF-8 text file learns, for the second to convert it.
struct Survey {
    bool utf8Text = false; // valid UTF-8 (after an optional mark) without NULs
    bool bom = false;
    bool ascii = true;
    size_t converted = 0; // its length with every break as CR LF, the mark left out
    int kinds = 0;
    std::optional<TextFormat::LineBreak> firstBreak;
};

Survey SurveyUtf8(QFile& file, const QString& path, std::vector<char>& buffer) {
    Survey survey;
    Utf8Check utf8;
    BreakCount breaks;
    size_t total = 0;
    for (bool first = true;; first = false) {
        const size_t got = ReadSome(file, path, buffer.data(), buffer.size());
        std::string_view piece(buffer.data(), got);
        if (first && piece.starts_with(std::string_view(utf8Bom, 3))) {
            survey.bom = true;
            piece.remove_prefix(3);
        }
        if (got == 0)
            break;
        if (std::memchr(piece.data(), 0, piece.size()) || !utf8.Feed(piece))
            return survey; // binary, or another encoding
        survey.ascii = survey.ascii && IsAscii(piece);
        breaks.Feed(piece);
        total += piece.size();
    }
    if (!utf8.End())
        return survey;
    breaks.End();
    survey.utf8Text = true;
    survey.converted = total + breaks.Growth();
    survey.kinds = breaks.Kinds();
    survey.firstBreak = breaks.FirstBreak();
    return survey;
}

// The bytes of the word equal to b have their top bit set; bytes above a match may be flagged
// falsely, so only the lowest flag is exact.
std::uint64_t Matches(std::uint64_t word, unsigned char b) {
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    const std::uint64_t x = word ^ (ones * b);
    return (x - ones) & ~x & (ones << 7);
}

// piece with every line break (CR LF, lone LF, lone CR) as CR LF, written to out, which has room
// for twice its length and eight bytes more; the length written. Eight bytes at a time up to
// the next break.
size_t CrLfInto(std::string_view piece, char* out) {
    const char* p = piece.data();
    const char* const end = p + piece.size();
    char* o = out;
    while (p < end) {
        if (std::endian::native == std::endian::little && end - p >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, p, 8);
            const std::uint64_t breaks = Matches(word, '\r') | Matches(word, '\n');
            std::memcpy(o, p, 8);
            if (breaks == 0) {
                o += 8;
                p += 8;
                continue;
            }
            const int before = std::countr_zero(breaks) / 8; // the first byte in memory order
            o += before;
            p += before;
        }
        const char c = *p++;
        if (c == '\r' || c == '\n') {
            *o++ = '\r';
            *o++ = '\n';
            if (c == '\r' && p < end && *p == '\n')
                ++p;
        } else {
            *o++ = c;
        }
    }
    return static_cast<size_t>(o - out);
}

// The second reading: the text with every break as CR LF, to the sink. False when the file
// turned out longer or shorter than the survey found.
bool ConvertUtf8(QFile& file, const QString& path, const Survey& survey, std::vector<char>& buffer,
                 TextFile::Utf8Sink& sink) {
    size_t sent = 0;
    bool crBefore = false; // a CR ended the last piece: whether it pairs depends on the next
    std::vector<char> converted(2 * buffer.size() + 8);
    const auto send = [&](std::string_view bytes) {
        sent += bytes.size();
        if (sent <= survey.converted)
            sink.Append(bytes);
    };
    for (bool first = true;; first = false) {
        const size_t got = ReadSome(file, path, buffer.data(), buffer.size());
        std::string_view piece(buffer.data(), got);
        if (first && survey.bom)
            piece.remove_prefix(std::min<size_t>(3, piece.size()));
        if (got == 0)
            break;
        if (crBefore) {
            send("\r\n");
            if (!piece.empty() && piece.front() == '\n')
                piece.remove_prefix(1);
        }
        crBefore = !piece.empty() && piece.back() == '\r';
        if (crBefore)
            piece.remove_suffix(1);
        send({converted.data(), CrLfInto(piece, converted.data())});
    }
    if (crBefore)
        send("\r\n");
    return sent == survey.converted;
}

// ReadUtf8's sink: the text in one array.
class Collector : public TextFile::Utf8Sink {
public:
    void Begin(std::size_t bytes) override { text.reserve(static_cast<qsizetype>(bytes)); }
    void Append(std::string_view piece) override {
        text.append(piece.data(), static_cast<qsizetype>(piece.size()));
    }
    void Discard() override { text.clear(); }
    QByteArray text;
};

} // namespace

namespace TextFile {

DecodedUtf8 DecodeToUtf8(const QByteArray& bytes) {
    DecodedUtf8 result;
    QByteArray converted; // the text as UTF-8, when the file holds another encoding
    std::string_view raw; // the text as UTF-8, breaks as found
    if (auto wide = DecodeWide(bytes)) {
        result.format.encoding = wide->first;
        converted = std::move(wide->second);
        raw = View(converted);
    } else {
        const bool bom = bytes.startsWith(utf8Bom);
        const std::string_view body = View(bytes).substr(bom ? 3 : 0);
        if (QByteArrayView(body.data(), static_cast<qsizetype>(body.size())).isValidUtf8()) {
            result.format.encoding = TextFormat::Encoding::Utf8;
            result.format.utf8Bom = bom;
            raw = body;
        } else {
            result.format.encoding = TextFormat::Encoding::Windows1252;
            converted = Windows1252ToUtf8(bytes);
            raw = View(converted);
        }
    }
    // The style is that of the first CR LF or lone LF. A lone CR is a line break too (it
    // becomes CR LF like every other) but decides the style only in a file without any LF,
    // so that a file of classic Mac OS breaks keeps them.
    if (const size_t lf = raw.find('\n'); lf != std::string_view::npos) {
        result.format.lineBreak =
            lf > 0 && raw[lf - 1] == '\r' ? TextFormat::LineBreak::CrLf : TextFormat::LineBreak::Lf;
    } else if (raw.find('\r') != std::string_view::npos) {
        result.format.lineBreak = TextFormat::LineBreak::Cr;
    }
    // NULs are no part of any text: the file is kept exactly as it is, breaks and all.
    result.format.binary = std::memchr(raw.data(), 0, raw.size()) != nullptr;
    if (result.format.binary) {
        result.utf8 = converted.isNull()
                          ? QByteArray(raw.data(), static_cast<qsizetype>(raw.size()))
                          : std::move(converted);
    } else {
        int kinds = 0;
        result.utf8 = NormaliseBreaks(raw, "\r\n", {}, &kinds);
        result.mixedBreaks = std::popcount(static_cast<unsigned>(kinds)) > 1;
    }
    return result;
}

DecodedText Decode(const QByteArray& bytes) {
    const DecodedUtf8 decoded = DecodeToUtf8(bytes);
    return {FromUtf8(View(decoded.utf8)), decoded.format, decoded.mixedBreaks};
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
    if (format.encoding == TextFormat::Encoding::Utf8)
        return WithBreaksOf(crlfUtf8, format, format.utf8Bom ? utf8Bom : "");
    if (IsWide(format.encoding))
        return Utf8ToWide(View(WithBreaksOf(crlfUtf8, format)), format.encoding);
    const QString text = FromUtf8(crlfUtf8);
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text)
        *out++ = static_cast<char>(Windows1252Byte(c.unicode()));
    return WithBreaksOf(View(bytes), format);
}

QString FromBytes(const QByteArray& bytes) {
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const qsizetype length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const QByteArrayView sequence =
            QByteArrayView(bytes).sliced(at).first(std::min<qsizetype>(length, bytes.size() - at));
        if (lead < 0x80 || (lead >= 0xC0 && sequence.size() == length && sequence.isValidUtf8())) {
            text += QString::fromUtf8(sequence);
            at += length;
        } else {
            text += QChar(char16_t(0xDC00 + lead)); // a byte that starts no character
            ++at;
        }
    }
    return text;
}

QByteArray ToBytes(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype run = 0; // start of the characters not yet converted
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t c = text[at].unicode();
        const bool afterHigh = at > 0 && text[at - 1].isHighSurrogate();
        if (c >= 0xDC80 && c <= 0xDCFF && !afterHigh) {
            bytes += QStringView(text).sliced(run, at - run).toUtf8();
            bytes += static_cast<char>(c - 0xDC00);
            run = at + 1;
        }
    }
    bytes += QStringView(text).sliced(run).toUtf8();
    return bytes;
}

QString DecodeName(const QByteArray& name) {
#ifdef Q_OS_WIN
    return QFile::decodeName(name);
#else
    return FromBytes(name);
#endif
}

QByteArray EncodeName(const QString& name) {
#ifdef Q_OS_WIN
    return QFile::encodeName(name);
#else
    return ToBytes(name);
#endif
}

RuntimeError OutOfMemory(const QString& what, const QString& path) {
    return RuntimeError(::OutOfMemory,
                        QStringLiteral("%1 \"%2\": there is not enough memory for it")
                            .arg(what, QDir::toNativeSeparators(path)));
}

QString LinkTarget(const QString& path) {
    bool endless = false;
    return ResolveLinks(path, endless);
}

QString FromUtf8(std::string_view utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

QByteArray CrLfUtf8(const QString& text) {
    return NormaliseBreaks(View(text.toUtf8()), "\r\n");
}

QByteArray WithPlatformBreaksUtf8(std::string_view utf8) {
    return NormaliseBreaks(utf8, PlatformBreak);
}

QString WithPlatformBreaks(const QString& text) {
    return FromUtf8(View(WithPlatformBreaksUtf8(View(text.toUtf8()))));
}

QString BreakName(TextFormat::LineBreak style) {
    switch (style) {
    case TextFormat::LineBreak::CrLf:
        return QStringLiteral("CR LF (Windows)");
    case TextFormat::LineBreak::Cr:
        return QStringLiteral("CR (classic Mac OS)");
    default:
        return QStringLiteral("LF (Linux and macOS)");
    }
}

QByteArray Encode(const QString& crlfText, const TextFormat& format) {
    return EncodeUtf8(View(crlfText.toUtf8()), format);
}

namespace {

ReadInfo ReadInto(const QString& path, QFile& file, Utf8Sink& sink, FileStamp* stamp,
                  std::size_t chunk) {
    std::vector<char> buffer(std::max<std::size_t>(chunk, 4));
    const FileStamp before = StampOfOpen(file, path);
    const Survey survey = SurveyUtf8(file, path, buffer);
    if (survey.utf8Text) {
        CheckSize(static_cast<std::int64_t>(survey.converted), path, true);
        if (!file.seek(0))
            Fail(DeviceIoError, QStringLiteral("Cannot read"), path, Reason(file));
        sink.Begin(survey.converted);
        const bool whole = ConvertUtf8(file, path, survey, buffer, sink);
        const FileStamp after = StampOfOpen(file, path);
        if (whole && after == before) {
            if (stamp)
                *stamp = after;
            ReadInfo info;
            info.format.encoding = TextFormat::Encoding::Utf8;
            info.format.utf8Bom = survey.bom;
            if (survey.firstBreak)
                info.format.lineBreak = *survey.firstBreak;
            info.mixedBreaks = std::popcount(static_cast<unsigned>(survey.kinds)) > 1;
            info.ascii = survey.ascii;
            info.chunked = true;
            return info;
        }
        sink.Discard(); // another program wrote to it meanwhile: read it whole, once
    }
    buffer = {};
    DecodedUtf8 decoded = DecodeToUtf8(ReadAllOf(file, path));
    CheckSize(decoded.utf8.size(), path, true);
    if (stamp)
        *stamp = StampOfOpen(file, path);
    sink.Begin(static_cast<std::size_t>(decoded.utf8.size()));
    sink.Append(View(decoded.utf8));
    return {decoded.format, decoded.mixedBreaks, IsAscii(View(decoded.utf8)), false};
}

} // namespace

ReadInfo ReadUtf8Into(const QString& path, Utf8Sink& sink, FileStamp* stamp, std::size_t chunk) {
    QFile file;
    OpenToRead(file, path);
    // The sink is left empty whatever goes wrong, and memory running out is a failure like any
    // other: the program goes on.
    try {
        return ReadInto(path, file, sink, stamp, chunk);
    } catch (const std::bad_alloc&) {
        sink.Discard();
        OutOfMemoryWhileReading(path);
    } catch (...) {
        sink.Discard();
        throw;
    }
}

DecodedUtf8 ReadUtf8(const QString& path, FileStamp* stamp) {
    Collector text;
    const ReadInfo info = ReadUtf8Into(path, text, stamp);
    return {std::move(text.text), info.format, info.mixedBreaks};
}

DecodedText Read(const QString& path) {
    const DecodedUtf8 decoded = ReadUtf8(path);
    return {FromUtf8(View(decoded.utf8)), decoded.format, decoded.mixedBreaks};
}

QByteArray ReadWhole(const QString& path) {
    QFile file;
    OpenToRead(file, path);
    try {
        return ReadAllOf(file, path);
    } catch (const std::bad_alloc&) {
        OutOfMemoryWhileReading(path);
    }
}

FileStamp Stamp(const QString& path) {
    return StampOfPath(path);
}

FileStamp WriteAtomic(const QString& path, const QByteArray& bytes, const FileStamp* expected) {
    const QString what = QStringLiteral("Cannot save");
    const FileStamp before = StampOfPath(path);
    if (expected && !SameFile(before, *expected))
        Fail(PathFileAccessError, what, path, Replaced());
    const QString target = WriteTarget(path);
#ifdef Q_OS_WIN
    const QFileInfo info(target);
    const bool exists = info.exists();
    const bool isDir = info.isDir();
    const bool regular = info.isFile();
    const bool anyWriteBit =
        info.permissions() &
        (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther);
    const bool folderExists = info.absoluteDir().exists();
#else
    struct stat st {};
    const bool exists = ::stat(Native(target).constData(), &st) == 0;
    const bool isDir = exists && S_ISDIR(st.st_mode);
    const bool regular = exists && S_ISREG(st.st_mode);
    const bool anyWriteBit = exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
    struct stat folder {};
    const bool folderExists =
        ::stat(Native(FolderOf(target)).constData(), &folder) == 0 && S_ISDIR(folder.st_mode);
#endif
    if (isDir)
        Fail(PathFileAccessError, what, path, QStringLiteral("Is a directory"));
    if (!folderExists)
        Fail(PathNotFound, what, path, QStringLiteral("The folder does not exist"));
    // Renaming a new file over a device or a pipe would replace the device itself.
    if (exists && !regular)
        Fail(PathFileAccessError, what, path, NotRegular());
    // Replacing a file by rename would get past its read-only flag; honour the flag instead,
    // also for root, whom the system lets write anything: no write bit at all is read-only.
    if (exists && !anyWriteBit)
        Fail(PathFileAccessError, what, path, QStringLiteral("Permission denied"));
    if (exists) {
        if (const QString why = WhyNotWritable(target); !why.isEmpty())
            Fail(PathFileAccessError, what, path, why);
    }
    return WriteFile(path, target, before, bytes);
}

} // namespace TextFile
