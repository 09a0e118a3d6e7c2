// libzip behind two calls. Reading opens the archive by its path; writing builds the archive in
// memory and hands its bytes to TextFile::WriteAtomic, so a .pk3 is replaced the way every
// other file Kelto writes is.
#include "platform/ZipArchive.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <zip.h>

#include "platform/RuntimeError.h"
#include "platform/TextFile.h"

namespace {

constexpr int FileNotFound = 53;
constexpr int PathFileAccessError = 75;

// Every entry's time: 1 January 1980, 00:00, the first moment a zip archive can name. Written
// as the archive's own date and time fields, so no time zone enters the bytes.
constexpr zip_uint16_t FixedDosTime = 0;
constexpr zip_uint16_t FixedDosDate = (0 << 9) | (1 << 5) | 1;
// A regular file readable by everyone, as a Unix zip records it.
constexpr zip_uint32_t FileAttributes = (0100644u) << 16;

[[noreturn]] void Fail(int number, const QString& what, const QString& path, const QString& why) {
    throw RuntimeError(number, QStringLiteral("%1 %2: %3").arg(what, path, why));
}

QByteArray PathForLibzip(const QString& path) {
#ifdef Q_OS_WIN
    return path.toUtf8(); // libzip takes UTF-8 names on Windows
#else
    return QFile::encodeName(path);
#endif
}

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

QString Reason(zip_error_t* error) {
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

QString ArchiveReason(zip_t* archive) {
    return Reason(zip_get_error(archive));
}

} // namespace

namespace ZipArchive {

QStringList Names(const QString& path) {
    const QString what = QStringLiteral("Cannot read the archive");
    const QFileInfo info(path);
    if (!info.exists())
        Fail(FileNotFound, what, path, QStringLiteral("No such file"));
    if (!info.isFile())
        Fail(PathFileAccessError, what, path, QStringLiteral("Not a regular file"));
    int code = 0;
    Archive archive(zip_open(PathForLibzip(path).constData(), ZIP_RDONLY, &code));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString why = Reason(&error);
        zip_error_fini(&error);
        Fail(PathFileAccessError, what, path, why);
    }
    QStringList names;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        const char* name = zip_get_name(archive.get(), zip_uint64_t(index), ZIP_FL_ENC_GUESS);
        if (!name)
            continue;
        const QString text = QString::fromUtf8(name);
        if (!text.endsWith(u'/'))
            names << text;
    }
    return names;
}

void Write(const QString& path, std::vector<Entry> entries) {
    const QString what = QStringLiteral("Cannot write the archive");
    if (entries.empty())
        Fail(PathFileAccessError, what, path, QStringLiteral("There is nothing to put in it"));
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name.toUtf8() < b.name.toUtf8(); });

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!memory) {
        const QString why = Reason(&error);
        zip_error_fini(&error);
        Fail(PathFileAccessError, what, path, why);
    }
    Archive archive(zip_open_from_source(memory, ZIP_TRUNCATE, &error));
    if (!archive) {
        const QString why = Reason(&error);
        zip_error_fini(&error);
        zip_source_free(memory);
        Fail(PathFileAccessError, what, path, why);
    }
    zip_error_fini(&error);
    // The archive's bytes stay in `memory` after the archive is closed, to be read back.
    zip_source_keep(memory);
    struct SourceReleaser {
        zip_source_t* source;
        ~SourceReleaser() { zip_source_free(source); }
    } release{memory};

    for (const Entry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        zip_source_t* data =
            zip_source_buffer(archive.get(), entry.bytes.constData(), entry.bytes.size(), 0);
        const zip_int64_t index =
            data ? zip_file_add(archive.get(), name.constData(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            const QString why = ArchiveReason(archive.get());
            if (data)
                zip_source_free(data);
            Fail(PathFileAccessError, what, path, entry.name + QStringLiteral(": ") + why);
        }
        const auto at = zip_uint64_t(index);
        if (zip_set_file_compression(archive.get(), at, ZIP_CM_DEFLATE, 9) != 0 ||
            zip_file_set_dostime(archive.get(), at, FixedDosTime, FixedDosDate, 0) != 0 ||
            zip_file_set_external_attributes(archive.get(), at, 0, ZIP_OPSYS_UNIX,
                                             FileAttributes) != 0)
            Fail(PathFileAccessError, what, path,
                 entry.name + QStringLiteral(": ") + ArchiveReason(archive.get()));
    }
    if (zip_close(archive.get()) != 0)
        Fail(PathFileAccessError, what, path, ArchiveReason(archive.get()));
    archive.release(); // zip_close has freed it

    QByteArray bytes;
    zip_stat_t stat;
    if (zip_source_stat(memory, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) && stat.size > 0) {
        if (zip_source_open(memory) != 0)
            Fail(PathFileAccessError, what, path, Reason(zip_source_error(memory)));
        bytes.resize(qsizetype(stat.size));
        const zip_int64_t read = zip_source_read(memory, bytes.data(), stat.size);
        zip_source_close(memory);
        if (read != zip_int64_t(stat.size))
            Fail(PathFileAccessError, what, path, Reason(zip_source_error(memory)));
    }
    TextFile::WriteAtomic(path, bytes);
}

} // namespace ZipArchive
