// The drive, directory and file list controls: the order of their change signals, what the
// directory and file lists show, and opening by double-click.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/FileListBox.h"
#include "platform/PathStyle.h"
#include "platform/RuntimeError.h"

namespace {
void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}
} // namespace

TEST(Lists, SettingTheChosenDriveAgainRaisesNothing) {
    DriveListBox drive;
    QSignalSpy changes(&drive, &DriveListBox::Change);
    drive.setDrive(PathStyle::DriveOf(QDir::currentPath()));
    drive.setDrive(drive.Drive());
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(drive.currentData().toString(), drive.Drive());
}

TEST(Lists, DirectoryListShowsAncestorsAndSubdirectoriesAndOpensOnDoubleClick) {
    QTemporaryDir root;
    const QString top = PathStyle::Normalized(root.path());
    QDir(top).mkpath(QStringLiteral("game"));
    QDir(top).mkpath(QStringLiteral("cgame"));
    touch(top + QStringLiteral("/readme.txt"));

    DirListBox dir;
    dir.show();
    QSignalSpy changes(&dir, &DirListBox::Change);
    dir.setPath(top);
    ASSERT_EQ(changes.count(), 1);
    const QStringList entries = dir.Entries();
#ifdef Q_OS_WIN
    EXPECT_EQ(entries.first(), top.left(3)); // the drive's root, C:\\ and the like
#else
    EXPECT_EQ(entries.first(), PathStyle::Normalized(QStringLiteral("/")));
#endif
    EXPECT_EQ(entries[dir.OpenIndex()], top);
    // Subdirectories only, after the open directory, in name order.
    EXPECT_EQ(entries.mid(dir.OpenIndex() + 1),
              (QStringList{PathStyle::Join(top, "cgame"), PathStyle::Join(top, "game")}));

    // A single click only highlights; a double-click opens.
    dir.doItemsLayout();
    QListWidgetItem* game = dir.item(dir.OpenIndex() + 2);
    const QRect rect = dir.visualItemRect(game);
    QTest::mouseClick(dir.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(dir.Path(), top);
    QTest::mouseDClick(dir.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(dir.Path(), PathStyle::Join(top, "game"));
    EXPECT_EQ(changes.count(), 2);

    // Opening an ancestor goes back up.
    dir.setPath(dir.Entries()[dir.OpenIndex() - 1]);
    EXPECT_EQ(dir.Path(), top);
}

TEST(Lists, FileListShowsFilesOnlyAndReportsTheSelection) {
    QTemporaryDir root;
    const QString top = root.path();
    QDir(top).mkpath(QStringLiteral("sub"));
    touch(top + QStringLiteral("/b.h"));
    touch(top + QStringLiteral("/A.c"));
    FileListBox file;
    file.show();
    file.setPath(top);
    ASSERT_EQ(file.ListCount(), 2);
    EXPECT_EQ(file.List(0), QStringLiteral("A.c"));
    EXPECT_EQ(file.List(1), QStringLiteral("b.h"));
    EXPECT_EQ(file.List(2), QString());

    QSignalSpy clicks(&file, &FileListBox::DblClick);
    file.doItemsLayout();
    // A real double-click's first press selects the entry.
    const QPoint second = file.visualItemRect(file.item(1)).center();
    QTest::mouseClick(file.viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(file.viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(file.ListIndex(), 1);
}

TEST(Lists, UnreadableDirectoryThrowsAndLeavesTheListsWhereTheyWere) {
    QTemporaryDir root;
    DirListBox dir;
    FileListBox file;
    dir.setPath(root.path());
    file.setPath(root.path());
    const QString missing = root.filePath(QStringLiteral("gone"));
    try {
        dir.setPath(missing);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.Description.contains(QDir::toNativeSeparators(missing)));
    }
    EXPECT_THROW(file.setPath(missing), RuntimeError);
    EXPECT_EQ(dir.Path(), PathStyle::Normalized(root.path()));
    EXPECT_EQ(file.Path(), PathStyle::Normalized(root.path()));
}
