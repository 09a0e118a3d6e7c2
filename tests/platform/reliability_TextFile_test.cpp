// Writes and reads of files that fight back: a full disk, a read-only file (also for root), a
// device or a pipe where a file was expected, relative links. Whatever fails, the file that
// was there is left byte for byte, no temporary file is left behind and nothing blocks.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "PrintQString.h"
#include "platform/RuntimeError.h"
#include "platform/TextFile.h"
#include "support/FileSizeLimit.h"

namespace {

class WriteAtomicHostile : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir.filePath(name); }
    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    static void Put(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QStringList Entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    // The error WriteAtomic throws, or a test failure when it throws none.
    static QString SaveError(const QString& path, const QByteArray& bytes) {
        try {
            TextFile::WriteAtomic(path, bytes);
        } catch (const RuntimeError& error) {
            return error.Description;
        }
        ADD_FAILURE() << "no error saving " << path.toStdString();
        return {};
    }

    QTemporaryDir dir;
};

TEST_F(WriteAtomicHostile, FullDiskKeepsTheOldFileWholeAndLeavesNoTemporaryFile) {
    const QString target = Path("game.c");
    const QByteArray precious = "int precious;\r\n";
    Put(target, precious);
    const QStringList before = Entries();
    {
        FileSizeLimit disk(64 * 1024);
        ASSERT_TRUE(disk.active);
        const QString error = SaveError(target, QByteArray(1024 * 1024, 'x'));
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(target))) << error.toStdString();
        EXPECT_TRUE(error.contains("Cannot save")) << error.toStdString();
    }
    EXPECT_EQ(Bytes(target), precious);
    EXPECT_EQ(Entries(), before);
}

TEST_F(WriteAtomicHostile, ReadOnlyFileIsRefusedEvenForRoot) {
    const QString target = Path("locked.h");
    Put(target, "kept\n");
    QFile::setPermissions(target,
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    EXPECT_TRUE(SaveError(target, "replaced\n").contains("Permission denied"));
    EXPECT_EQ(Bytes(target), QByteArray("kept\n"));
    EXPECT_EQ(QFileInfo(target).permissions() & QFileDevice::WriteOwner, 0);
}

TEST_F(WriteAtomicHostile, DevicesAndPipesAreNeitherReplacedNorReadFrom) {
    const QString fifo = Path("pipe.c");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString toDevice = Path("null.c");
    ASSERT_TRUE(QFile::link("/dev/null", toDevice));

    // Renaming over them would put a regular file where the pipe or the device was.
    EXPECT_TRUE(SaveError(fifo, "x").contains("Not a regular file"));
    EXPECT_TRUE(SaveError(toDevice, "x").contains("Not a regular file"));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_TRUE(QFileInfo(toDevice).isSymLink());

    // Reading a pipe with no writer would block for ever, a device like /dev/zero never ends.
    for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
        try {
            TextFile::Read(path);
            ADD_FAILURE() << "read " << path.toStdString();
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.Description.contains(path)) << error.Description.toStdString();
        }
    }
}

TEST_F(WriteAtomicHostile, RelativeLinkIntoAnotherFolderStaysALink) {
    QDir(dir.path()).mkpath("src/game");
    const QString real = Path("src/game/g_main.c");
    Put(real, "old\r\n");
    const QString link = Path("shortcut.c");
    ASSERT_TRUE(QFile::link("src/game/g_main.c", link)); // relative to the link's folder
    TextFile::WriteAtomic(link, "new\r\n");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), QFileInfo(real).absoluteFilePath());
    EXPECT_EQ(Bytes(real), QByteArray("new\r\n"));
    EXPECT_EQ(QDir(Path("src/game")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

} // namespace
