// Writes and reads of files that fight back: a full disk, a read-only file (also for root), a
// device or a pipe where a file was expected, relative links, other owners, hard links, folders
// the user may not write. Whatever fails, the file that was there is left byte for byte (or its
// backup is named), no temporary file is left behind, the system's reason is told, and nothing
// blocks.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "PrintQString.h"
#include "platform/RuntimeError.h"
#include "platform/TextFile.h"
#include "support/AsNobody.h"
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

// Disks that fill, owners, modes and hard links made and checked the POSIX way (Windows: below).
#ifndef Q_OS_WIN
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

// The message names the system's reason, not "Unknown error": on a filesystem of the test's own
// (a 64 KiB tmpfs) where root may mount one, else through the file size limit.
TEST_F(WriteAtomicHostile, FailuresNameTheSystemsReason) {
    const QString disk = Path("disk");
    QDir().mkdir(disk);
    const QByteArray big(1024 * 1024, 'x');
    if (geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0,
                                  "size=64k,mode=0777") == 0) {
        const QString file = disk + "/game.c";
        Put(file, "old\n");
        EXPECT_TRUE(SaveError(file, big).contains("No space left on device"));
        EXPECT_EQ(Bytes(file), QByteArray("old\n"));
        ASSERT_EQ(::mount(nullptr, QFile::encodeName(disk).constData(), nullptr,
                          MS_REMOUNT | MS_RDONLY, nullptr),
                  0);
        EXPECT_TRUE(SaveError(file, "new\n").contains("Read-only file system"));
        EXPECT_EQ(Bytes(file), QByteArray("old\n"));
        ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH);
    } else {
        FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.active);
        EXPECT_TRUE(SaveError(Path("game.c"), big).contains("File too large"));
    }
}

void Own(const QString& path, uid_t user, mode_t mode) {
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), user, user), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

struct stat Stat(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Root keeps another user's file theirs; hard links stay links (written in place).
TEST_F(WriteAtomicHostile, OwnerGroupAndHardLinksAreKept) {
    const QString file = Path("theirs.c");
    Put(file, "old\n");
    if (geteuid() == 0) {
        Own(file, 65534, 0640);
        TextFile::WriteAtomic(file, "new\n");
        EXPECT_EQ(Stat(file).st_uid, 65534u);
        EXPECT_EQ(Stat(file).st_gid, 65534u);
        EXPECT_EQ(Stat(file).st_mode & 07777, 0640u);
    }
    const QString link = Path("hard.c");
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()), 0);
    const ino_t inode = Stat(file).st_ino;
    TextFile::WriteAtomic(link, "through the link\n");
    EXPECT_EQ(Bytes(file), QByteArray("through the link\n"));
    EXPECT_EQ(Stat(link).st_ino, inode);
    EXPECT_EQ(Stat(file).st_nlink, 2u);
    EXPECT_EQ(Entries(), QStringList({"hard.c", "theirs.c"})); // no backup or temporary left
}

// Where no file can be made beside it (a folder the user may not write) or its owner could not
// be given back to a replacement, a file is written in place: a backup first, in Kelto's state
// folder when not beside the file, and gone once the file holds the new text.
TEST_F(WriteAtomicHostile, WrittenInPlaceWhereNoReplacementCanBeMade) {
    const QString locked = Path("locked");
    const QString shared = Path("shared");
    QDir().mkdir(locked);
    QDir().mkdir(shared);
    Put(locked + "/a.c", "old a\n");
    Put(shared + "/b.c", "old b\n");
    const ino_t inode = Stat(locked + "/a.c").st_ino;
    int exitCode = 0;
    if (geteuid() == 0) {
        Own(dir.path(), 0, 0755);
        Own(locked, 65534, 0555);
        Own(locked + "/a.c", 65534, 0644);
        Own(shared, 0, 0777);
        Own(shared + "/b.c", 0, 0666);
        ASSERT_TRUE(
            RunAsNobody("WriteAtomicHostile.DISABLED_InPlaceAsNobody", dir.path(), exitCode));
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(Bytes(shared + "/b.c"), QByteArray("new b\n"));
        EXPECT_EQ(Stat(shared + "/b.c").st_uid, 0u); // still root's
        EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList("b.c"));
    } else {
        ::chmod(QFile::encodeName(locked).constData(), 0555);
        TextFile::WriteAtomic(locked + "/a.c", "new a\n");
        std::printf("Another user's file in a shared folder: needs root to set up, not run\n");
    }
    EXPECT_EQ(Bytes(locked + "/a.c"), QByteArray("new a\n"));
    EXPECT_EQ(Stat(locked + "/a.c").st_ino, inode);
    EXPECT_EQ(QDir(locked).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList("a.c"));
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}

TEST_F(WriteAtomicHostile, DISABLED_InPlaceAsNobody) {
    const QString root = NobodysTestDir();
    ASSERT_FALSE(root.isEmpty());
    TextFile::WriteAtomic(root + "/locked/a.c", "new a\n");
    TextFile::WriteAtomic(root + "/shared/b.c", "new b\n");
    const QString backups = qEnvironmentVariable("XDG_STATE_HOME") + "/Kelto/backups";
    EXPECT_TRUE(QDir(backups).isEmpty()); // the backup of a.c was made there, and went
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The user's side of the race below: saves again and again while the file is swapped back and
// forth. Every save that reports success put its text in the file opened; none reached the
// private file.
void SaveWhileTheFileIsSwapped(const QString& root) {
    const auto number = [](const char* name) { return qEnvironmentVariable(name).toULongLong(); };
    FileStamp opened;
    opened.exists = true;
    opened.device = number("KELTO_TEST_DEVICE");
    opened.inode = number("KELTO_TEST_INODE");
    // Once the owner's swapping has begun, for a second and a half.
    const QString a = root + "/shared/a.c";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(a).isSymLink(); }, 10000));
    QElapsedTimer running;
    running.start();
    int written = 0;
    int tried = 0;
    for (int i = 0; running.elapsed() < 1500; ++i, ++tried) {
        const QByteArray text = "the user's text " + QByteArray::number(i) + "\n";
        try {
            TextFile::WriteAtomic(root + "/shared/a.c", text, &opened);
            ++written;
            EXPECT_EQ(ReadFile(root + "/shared/keep.c"), text); // the file opened holds it
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.Description.contains("replaced")) << error.Description.toStdString();
        }
    }
    EXPECT_EQ(ReadFile(root + "/home/secret.c"), QByteArray("private\n"));
    EXPECT_GT(written, 0);
    std::printf("%d of %d saves went to the file opened, the others were refused\n", written,
                tried);
}

// Another user owns a shared folder and a file in it the user may write (written in place, as
// its second name makes it). The user opens the file; the owner swaps it for a symbolic link to
// the user's private file, or for another file of their own. A save writes neither: the file
// written must be the one opened (device and inode), reached the same way, and it is opened
// without following a link. Then the owner swaps the two back and forth as fast as it can while
// the user saves. As two users where the machine allows (root sets the scene; the owner is
// uid 1, the user nobody), else as one.
TEST_F(WriteAtomicHostile, AFileSwappedByAnotherUserIsNeitherWrittenThroughNorOverwritten) {
    const QString shared = Path("shared");
    const QString home = Path("home");
    QDir().mkdir(shared);
    QDir().mkdir(home);
    Put(shared + "/a.c", "shared text\n");
    ASSERT_EQ(::link(QFile::encodeName(shared + "/a.c").constData(),
                     QFile::encodeName(shared + "/keep.c").constData()),
              0);
    Put(home + "/secret.c", "private\n");
    const FileStamp opened = TextFile::Stamp(shared + "/a.c");
    const bool twoUsers = geteuid() == 0;
    if (twoUsers) {
        Own(dir.path(), 0, 0755);
        Own(shared, 1, 0755);
        Own(shared + "/a.c", 1, 0666);
        Own(home, 65534, 0700);
        Own(home + "/secret.c", 65534, 0600);
    }
    const auto refused = [&](const QString& path) {
        try {
            TextFile::WriteAtomic(path, "the user's text\n", &opened);
        } catch (const RuntimeError& error) {
            return error.Description.contains("replaced");
        }
        return false;
    };
    const auto swap = [&](const QString& by) {
        ASSERT_EQ(::rename(QFile::encodeName(by).constData(),
                           QFile::encodeName(shared + "/a.c").constData()),
                  0);
    };
    ASSERT_TRUE(QFile::link("../home/secret.c", shared + "/link"));
    swap(shared + "/link");
    EXPECT_TRUE(refused(shared + "/a.c")) << "written through the link";
    Put(shared + "/theirs", "the owner's\n");
    swap(shared + "/theirs");
    EXPECT_TRUE(refused(shared + "/a.c")) << "written over another file";
    EXPECT_EQ(Bytes(shared + "/a.c"), QByteArray("the owner's\n"));
    EXPECT_EQ(Bytes(home + "/secret.c"), QByteArray("private\n"));

    // The race, from the file opened.
    swap(shared + "/keep.c");
    ASSERT_EQ(::link(QFile::encodeName(shared + "/a.c").constData(),
                     QFile::encodeName(shared + "/keep.c").constData()),
              0);
    const QString loop = QStringLiteral("cd '%1' && while :; do ln -f keep.c t1 && mv -fT t1 a.c; "
                                        "ln -sfn ../home/secret.c t2 && mv -fT t2 a.c; done")
                             .arg(shared);
    QProcess owner;
    if (twoUsers)
        owner.start("setpriv",
                    {"--reuid=1", "--regid=1", "--clear-groups", "--", "bash", "-c", loop});
    else
        owner.start("bash", {"-c", loop});
    ASSERT_TRUE(owner.waitForStarted());
    qputenv("KELTO_TEST_DEVICE", QByteArray::number(qulonglong(opened.device)));
    qputenv("KELTO_TEST_INODE", QByteArray::number(qulonglong(opened.inode)));
    int exitCode = -1;
    if (!twoUsers ||
        !RunAsNobody("WriteAtomicHostile.DISABLED_SwappedAsNobody", dir.path(), exitCode)) {
        SaveWhileTheFileIsSwapped(dir.path());
        exitCode = 0;
    }
    owner.kill();
    owner.waitForFinished();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Bytes(home + "/secret.c"), QByteArray("private\n"));
}

TEST_F(WriteAtomicHostile, DISABLED_SwappedAsNobody) {
    SaveWhileTheFileIsSwapped(NobodysTestDir());
}

// A write in place that fails part-way keeps the backup and says where it is.
TEST_F(WriteAtomicHostile, FailedWriteInPlaceKeepsTheBackupAndNamesIt) {
    const QString file = Path("linked.c");
    Put(file, "precious\n");
    ASSERT_EQ(::link(QFile::encodeName(file).constData(),
                     QFile::encodeName(Path("other name.c")).constData()),
              0);
    QString error;
    {
        FileSizeLimit disk(64 * 1024);
        ASSERT_TRUE(disk.active);
        error = SaveError(file, QByteArray(1024 * 1024, 'x'));
    }
    EXPECT_TRUE(error.contains("File too large")) << error.toStdString();
    const QStringList backups =
        QDir(dir.path()).entryList({".linked.c.kelto-backup-*"}, QDir::Files | QDir::Hidden);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_TRUE(error.contains(Path(backups[0]))) << error.toStdString();
    EXPECT_EQ(Bytes(Path(backups[0])), QByteArray("precious\n"));
}

#endif

TEST_F(WriteAtomicHostile, ReadOnlyFileIsRefusedEvenForRoot) {
    const QString target = Path("locked.h");
    Put(target, "kept\n");
    QFile::setPermissions(target,
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    EXPECT_TRUE(SaveError(target, "replaced\n").contains("Permission denied"));
    EXPECT_EQ(Bytes(target), QByteArray("kept\n"));
    EXPECT_EQ(QFileInfo(target).permissions() & QFileDevice::WriteOwner, 0);
}

#ifdef Q_OS_WIN
// A file another program holds open without sharing it: the save is refused with Windows' own
// reason, and neither the file nor the folder changes.
TEST_F(WriteAtomicHostile, AFileHeldByAnotherProgramIsRefusedWithTheSystemsReason) {
    const QString target = Path("held.c");
    Put(target, "kept\r\n");
    HANDLE held = CreateFileW(QDir::toNativeSeparators(target).toStdWString().c_str(), GENERIC_READ,
                              0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const QString error = SaveError(target, "replaced\r\n");
    CloseHandle(held);
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(target))) << error.toStdString();
    EXPECT_TRUE(error.contains(qt_error_string(ERROR_SHARING_VIOLATION))) << error.toStdString();
    EXPECT_EQ(Bytes(target), QByteArray("kept\r\n"));
    EXPECT_EQ(Entries(), QStringList{"held.c"});
}

// A file with a second name (a hard link) is written in place, so both names see the new
// text; a file with one name is replaced, and its stamp is the new file's.
TEST_F(WriteAtomicHostile, HardLinksAreKeptAndTheStampIsTheNewFiles) {
    const QString file = Path("linked.c"), link = Path("other-name.c");
    Put(file, "old\r\n");
    ASSERT_TRUE(CreateHardLinkW(QDir::toNativeSeparators(link).toStdWString().c_str(),
                                QDir::toNativeSeparators(file).toStdWString().c_str(), nullptr));
    TextFile::WriteAtomic(file, "new\r\n");
    EXPECT_EQ(Bytes(link), QByteArray("new\r\n"));
    EXPECT_EQ(Entries().size(), 2); // no backup or temporary file left

    const QString single = Path("single.c");
    Put(single, "old\r\n");
    const FileStamp before = TextFile::Stamp(single);
    const FileStamp written = TextFile::WriteAtomic(single, "newer\r\n");
    EXPECT_NE(before.inode, 0u);
    EXPECT_EQ(written, TextFile::Stamp(single));
    EXPECT_EQ(written.size, 7);
    EXPECT_EQ(Bytes(single), QByteArray("newer\r\n"));
}
#else
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

#endif

} // namespace
