// Zip archives (the game's .pk3 files) through libzip, the one door to it: the names an archive
// holds, and a new archive written so that the same entries always give the same bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace ZipArchive {

struct Entry {
    QString name; // "vm/qagame.qvm": forward slashes, no leading slash
    QByteArray bytes;
};

// The names of the files an archive holds, in the archive's order (folders left out). Throws
// RuntimeError (53 when there is no such file, 75 when it is no readable zip archive) naming the
// path and libzip's reason.
QStringList Names(const QString& path);

// Writes an archive of the entries, sorted by name, each deflated and stamped with the same
// fixed time and file mode, so the bytes depend on the entries alone. The archive is written
// beside its path and renamed over it once whole, so a failure leaves what was there. Throws
// RuntimeError naming the path and the reason, also when there are no entries.
void Write(const QString& path, std::vector<Entry> entries);

} // namespace ZipArchive
