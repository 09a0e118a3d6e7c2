// A run folder is <root>/<pid>-<random>, its lock <root>/<pid>-<random>.lock (a QLockFile, which
// on Linux also holds an flock, so a live holder is never taken for stale). Each copy is one
// file, window-<n>.kelto-recovery: a header of percent-encoded lines (its first names the
// format, "Kelto recovery 1"), a blank line, then the window's UTF-8 text.
#include "platform/RecoveryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include "platform/RuntimeError.h"
#include "platform/StateFolder.h"

namespace {

constexpr char Magic[] = "Kelto recovery 1";
const QString Suffix = QStringLiteral(".kelto-recovery");

std::unique_ptr<QLockFile> LockFor(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // stale only when its process is gone, however long it runs
    return lock;
}

// Percent-encoded UTF-8 that keeps a path's bytes (TextFile::ToBytes).
QByteArray Encoded(const QString& text) {
    return TextFile::ToBytes(text).toPercentEncoding();
}

QString Decoded(const QByteArray& encoded) {
    return TextFile::FromBytes(QByteArray::fromPercentEncoding(encoded));
}

QByteArray Header(const RecoveryCopy& copy) {
    const FileStamp& s = copy.stamp;
    const TextFormat& f = copy.format;
    QByteArray header = Magic;
    header += "\ncaption " + Encoded(copy.caption);
    header += "\nformat " + QByteArray::number(int(f.encoding)) + ' ' +
              QByteArray::number(int(f.lineBreak)) + ' ' + QByteArray::number(int(f.utf8Bom)) +
              ' ' + QByteArray::number(int(f.binary));
    header += "\nfile " + Encoded(copy.filePath) + ' ' + QByteArray::number(int(s.exists)) + ' ' +
              QByteArray::number(int(s.symLink)) + ' ' + QByteArray::number(s.device) + ' ' +
              QByteArray::number(s.inode) + ' ' + QByteArray::number(s.size) + ' ' +
              QByteArray::number(s.modifiedNs);
    return header + "\n\n";
}

// A copy's header and text; false when the bytes are not a copy.
bool Parse(const QByteArray& bytes, RecoveryCopy& copy) {
    const qsizetype end = bytes.indexOf("\n\n");
    if (end < 0)
        return false;
    const QList<QByteArray> lines = bytes.left(end).split('\n');
    if (lines.size() != 4 || lines[0] != Magic)
        return false;
    const QList<QByteArray> caption = lines[1].split(' ');
    const QList<QByteArray> format = lines[2].split(' ');
    const QList<QByteArray> file = lines[3].split(' ');
    if (caption.size() != 2 || caption[0] != "caption" || format.size() != 5 ||
        format[0] != "format" || file.size() != 8 || file[0] != "file")
        return false;
    const int encoding = format[1].toInt();
    const int lineBreak = format[2].toInt();
    if (encoding < 0 || encoding > int(TextFormat::Encoding::Utf32BE) || lineBreak < 0 ||
        lineBreak > int(TextFormat::LineBreak::Cr))
        return false;
    copy.caption = Decoded(caption[1]);
    copy.format.encoding = TextFormat::Encoding(encoding);
    copy.format.lineBreak = TextFormat::LineBreak(lineBreak);
    copy.format.utf8Bom = format[3] == "1";
    copy.format.binary = format[4] == "1";
    copy.filePath = Decoded(file[1]);
    copy.stamp.exists = file[2] == "1";
    copy.stamp.symLink = file[3] == "1";
    copy.stamp.device = file[4].toULongLong();
    copy.stamp.inode = file[5].toULongLong();
    copy.stamp.size = file[6].toLongLong();
    copy.stamp.modifiedNs = file[7].toLongLong();
    copy.utf8 = bytes.mid(end + 2);
    return true;
}

const QRegularExpression RunName(QStringLiteral("^[0-9]+-[0-9a-z]+$"));
const QRegularExpression CopyName(QStringLiteral("^window-([0-9]+)\\.kelto-recovery$"));
// What TextFile::WriteAtomic leaves of a copy when the program dies while writing it.
const QRegularExpression WriteLeftOver(
    QStringLiteral("^\\.window-[0-9]+\\.kelto-recovery\\.kelto-(backup-)?[0-9a-z]+$"));

// The number NewName gave a copy: the windows come back in the order they were made.
int Number(const QString& name) {
    return CopyName.match(name).captured(1).toInt();
}

// Everything in a folder, hidden entries and dangling links too.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Whether path is of the user's own making as a kind of entry: a folder (not a link to one) or a
// regular file, owned by the user, a folder writable by no one else.
bool OwnFolder(const QFileInfo& info) {
    if (info.isSymLink() || !info.isDir())
        return false;
#ifndef Q_OS_WIN
    if (info.ownerId() != ::geteuid() ||
        (info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther)))
        return false;
#endif
    return true;
}

bool OwnFile(const QFileInfo& info) {
    if (info.isSymLink() || !info.isFile())
        return false;
#ifndef Q_OS_WIN
    if (info.ownerId() != ::geteuid())
        return false;
#endif
    return true;
}

bool HoldsCopies(const QString& folder) {
    return !QDir(folder).entryList({QStringLiteral("*") + Suffix}, QDir::Files).isEmpty();
}

// Removes the named files of a run folder, then the folder if that left it empty; nothing else.
void RemoveRun(const QString& folder, const QStringList& files) {
    for (const QString& file : files)
        QFile::remove(folder + u'/' + file);
    QDir().rmdir(folder);
}

// A run folder's own temporary files.
QStringList LeftOversOfWrites(const QString& folder) {
    QStringList found;
    for (const QString& name : Entries(folder)) {
        if (WriteLeftOver.match(name).hasMatch() && OwnFile(QFileInfo(folder + u'/' + name)))
            found.append(name);
    }
    return found;
}

} // namespace

struct RecoveryStore::Claim {
    QString folder;
    std::unique_ptr<QLockFile> lock;
    QStringList read; // the files that go once the user has decided: copies read, left-overs
};

QString RecoveryStore::DefaultFolder() {
    return StateFolder::Path() + QStringLiteral("/recovery");
}

RecoveryStore::RecoveryStore(const QString& folder) : root(QDir::cleanPath(folder)) {
    problem = StateFolder::MakePrivate(root);
    if (!problem.isEmpty())
        return;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QString name = QString::number(QCoreApplication::applicationPid()) + u'-' +
                             QString::number(QRandomGenerator::global()->generate(), 36);
        auto candidate = LockFor(root + u'/' + name);
        if (!candidate->tryLock(0))
            continue;
        if (!QDir(root).mkdir(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner))
            break;
        run = root + u'/' + name;
        lock = std::move(candidate);
        return;
    }
    problem = QStringLiteral("no folder of its own can be made in %1")
                  .arg(QDir::toNativeSeparators(root));
}

RecoveryStore::~RecoveryStore() {
    ReleaseClaimed();
    if (!lock)
        return;
    // Copies left behind are unsaved text: they stay, and the next start offers them.
    if (!HoldsCopies(run))
        RemoveRun(run, LeftOversOfWrites(run));
    lock->unlock();
}

QString RecoveryStore::NewName() {
    return QStringLiteral("window-") + QString::number(++named) + Suffix;
}

void RecoveryStore::Write(const QString& name, const RecoveryCopy& about, std::string_view utf8) {
    if (!lock)
        throw RuntimeError(75, QStringLiteral("Cannot keep recovery copies: ") + problem);
    QByteArray bytes = Header(about);
    bytes.append(utf8.data(), static_cast<qsizetype>(utf8.size()));
    TextFile::WriteAtomic(run + u'/' + name, bytes);
}

void RecoveryStore::Remove(const QString& name) {
    if (lock)
        QFile::remove(run + u'/' + name);
}

LeftOvers RecoveryStore::ClaimLeftOvers() {
    LeftOvers found;
    if (!lock)
        return found; // a folder that is not private is not looked into
    QStringList runs;
    for (const QString& name : Entries(root)) {
        const QString path = root + u'/' + name;
        const QFileInfo info(path);
        if (path == run || path == run + QStringLiteral(".lock"))
            continue;
        if (RunName.match(name).hasMatch() && OwnFolder(info)) {
            runs.append(name);
        } else if (name.endsWith(QStringLiteral(".lock")) &&
                   RunName.match(name.chopped(5)).hasMatch() && OwnFile(info)) {
            runs.append(name.chopped(5)); // a lock; its folder, if it has gone, is no stranger
        } else {
            found.strangers.append(path);
        }
    }
    runs.removeDuplicates();
    for (const QString& name : runs) {
        const QString folder = root + u'/' + name;
        if (QFileInfo::exists(folder + QStringLiteral(".lock")) &&
            !OwnFile(QFileInfo(folder + QStringLiteral(".lock")))) {
            found.strangers.append(folder + QStringLiteral(".lock"));
            continue;
        }
        auto other = LockFor(folder);
        if (!other->tryLock(0))
            continue; // a running Kelto's, or one being recovered by another
        auto claim = std::make_unique<Claim>(Claim{folder, std::move(other), {}});
        QStringList copies;
        int unreadable = 0;
        for (const QString& file : Entries(folder)) {
            const QFileInfo info(folder + u'/' + file);
            if (CopyName.match(file).hasMatch() && OwnFile(info))
                copies.append(file);
            else if (WriteLeftOver.match(file).hasMatch() && OwnFile(info))
                claim->read.append(file);
            else
                found.strangers.append(info.filePath());
        }
        std::sort(copies.begin(), copies.end(),
                  [](const QString& a, const QString& b) { return Number(a) < Number(b); });
        for (const QString& file : copies) {
            QFile in(folder + u'/' + file);
            RecoveryCopy copy;
            if (in.open(QIODevice::ReadOnly) && Parse(in.readAll(), copy)) {
                found.copies.push_back(std::move(copy));
                claim->read.append(file);
            } else {
                ++unreadable; // kept: perhaps a later Kelto can read it
            }
        }
        if (unreadable > 0) {
            found.unreadable += unreadable;
            found.keptIn.append(folder);
        }
        claimed.push_back(std::move(claim));
    }
    return found;
}

void RecoveryStore::DiscardClaimed() {
    for (const auto& claim : claimed)
        RemoveRun(claim->folder, claim->read);
    ReleaseClaimed();
}
void RecoveryStore::ReleaseClaimed() {
    for (const auto& claim : claimed)
        claim->lock->unlock();
    claimed.clear();
}
