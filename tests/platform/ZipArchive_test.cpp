// Zip archives through libzip: what is written reads back sorted, the same entries give the
// same bytes whenever they are written, and what is no archive is told as such.
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/RuntimeError.h"
#include "platform/ZipArchive.h"
#include "support/TestFiles.h"

TEST(ZipArchive, WritesSortedEntriesWhoseBytesDependOnTheEntriesAlone) {
    QTemporaryDir dir;
    const QString first = dir.filePath("a.pk3"), second = dir.filePath("b.pk3");
    const std::vector<ZipArchive::Entry> entries{{"vm/qagame.qvm", QByteArray(5000, 'q')},
                                                 {"scripts/mymod.shader", "textures/x\n"},
                                                 {"vm/cgame.qvm", "cg"}};
    ZipArchive::Write(first, entries);
    QTest::qWait(1100); // a later second, which a time stamp taken from the clock would show
    ZipArchive::Write(second, {entries.rbegin(), entries.rend()});
    EXPECT_EQ(ReadTestFile(first), ReadTestFile(second));
    EXPECT_EQ(ZipArchive::Names(first),
              QStringList({"scripts/mymod.shader", "vm/cgame.qvm", "vm/qagame.qvm"}));
    EXPECT_LT(ReadTestFile(first).size(), 1000); // deflated
    EXPECT_THROW(ZipArchive::Write(dir.filePath("empty.pk3"), {}), RuntimeError);
}

TEST(ZipArchive, WhatIsNoArchiveIsToldByPath) {
    QTemporaryDir dir;
    const QString text = WriteTestFile(dir, "pak0.pk3", "not a zip");
    for (const auto& [path, number] :
         {std::pair{text, 75}, {dir.filePath("none.pk3"), 53}, {dir.path(), 75}}) {
        try {
            ZipArchive::Names(path);
            ADD_FAILURE() << path.toStdString();
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number, number);
            EXPECT_TRUE(error.Description.contains(path)) << error.Description.toStdString();
        }
    }
}
