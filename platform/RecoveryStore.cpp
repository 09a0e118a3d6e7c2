// A run folder is <root>/<pid>-<random>, its lock <root>/<pid>-<random>.lock (a QLockFile, which
// on Linux also holds an flock, so a live holder is never taken for stale). Each copy is one
// file: a header of percent-encoded lines, a blank line, then the window's UTF-8 text.
#include "platform/RecoveryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRandomGenerator>
#include <QUrl>
#include <algorithm>

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

QByteArray Encoded(const QString& text) {
    return QUrl::toPercentEncoding(text);
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
    copy.caption = QUrl::fromPercentEncoding(caption[1]);
    copy.format.encoding = TextFormat::Encoding(encoding);
    copy.format.lineBreak = TextFormat::LineBreak(lineBreak);
    copy.format.utf8Bom = format[3] == "1";
    copy.format.binary = format[4] == "1";
    copy.filePath = QUrl::fromPercentEncoding(file[1]);
    copy.stamp.exists = file[2] == "1";
    copy.stamp.symLink = file[3] == "1";
    copy.stamp.device = file[4].toULongLong();
    copy.stamp.inode = file[5].toULongLong();
    copy.stamp.size = file[6].toLongLong();
    copy.stamp.modifiedNs = file[7].toLongLong();
    copy.utf8 = bytes.mid(end + 2);
    return true;
}

// The number NewName gave a copy: the windows come back in the order they were made.
int Number(const QString& name) {
    return name.mid(7, name.size() - 7 - Suffix.size()).toInt();
}

bool HoldsCopies(const QString& folder) {
    return !QDir(folder).entryList({QStringLiteral("*") + Suffix}, QDir::Files).isEmpty();
}

} // namespace

struct RecoveryStore::Claim {
    QString folder;
    std::unique_ptr<QLockFile> lock;
};

QString RecoveryStore::DefaultFolder() {
    return StateFolder::Path() + QStringLiteral("/recovery");
}

RecoveryStore::RecoveryStore(const QString& folder) : root(QDir::cleanPath(folder)) {
    if (!QDir().mkpath(root)) {
        problem =
            QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(root));
        return;
    }
    QFile::setPermissions(root,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QString name = QString::number(QCoreApplication::applicationPid()) + u'-' +
                             QString::number(QRandomGenerator::global()->generate(), 36);
        auto candidate = LockFor(root + u'/' + name);
        if (!candidate->tryLock(0))
            continue;
        if (!QDir(root).mkdir(name))
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
        QDir(run).removeRecursively();
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

std::vector<RecoveryCopy> RecoveryStore::ClaimLeftOvers() {
    std::vector<RecoveryCopy> found;
    if (!lock)
        return found;
    const QDir dir(root);
    QStringList runs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : dir.entryList({QStringLiteral("*.lock")}, QDir::Files))
        runs.append(name.chopped(5)); // a lock whose folder has gone
    runs.removeDuplicates();
    for (const QString& name : runs) {
        const QString folder = root + u'/' + name;
        if (folder == run)
            continue;
        auto other = LockFor(folder);
        if (!other->tryLock(0))
            continue; // a running Kelto's, or one being recovered by another
        const QDir copies(folder);
        QStringList files = copies.entryList({QStringLiteral("*") + Suffix}, QDir::Files);
        std::sort(files.begin(), files.end(),
                  [](const QString& a, const QString& b) { return Number(a) < Number(b); });
        for (const QString& file : files) {
            QFile in(copies.filePath(file));
            RecoveryCopy copy;
            if (in.open(QIODevice::ReadOnly) && Parse(in.readAll(), copy))
                found.push_back(std::move(copy));
        }
        claimed.push_back(std::make_unique<Claim>(Claim{folder, std::move(other)}));
    }
    return found;
}

void RecoveryStore::DiscardClaimed() {
    for (const auto& claim : claimed)
        QDir(claim->folder).removeRecursively();
    ReleaseClaimed();
}

void RecoveryStore::ReleaseClaimed() {
    for (const auto& claim : claimed)
        claim->lock->unlock();
    claimed.clear();
}
