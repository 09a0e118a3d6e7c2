// Workspace files and build trees that fight back: odd .kws contents, files that are not
// files, missing module directories and templates. Each is reported or taken as written;
// none ends the program, and no file the user did not ask to change is touched.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

#include "platform/DirListBox.h"
#include "platform/PathStyle.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "workspace/BuildScript.h"
#include "workspace/frmBrows.h"
#include "workspace/frmBuild.h"

namespace {

class HostileWorkspace : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        src = PathStyle::Normalized(tree.path());
    }
    QString Put(const QString& name, const QByteArray& bytes) {
        const QString path = tree.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static QByteArray Bytes(const QString& path) { return ReadTestFile(path); }
    // Opens a workspace file through the dialog; the message shown, or "" when none was.
    QString OpenWorkspace(const QString& path) {
        const int before = services.count("MsgBox");
        services.fileAnswers = {path};
        main->mnuFileOW_Click();
        QApplication::processEvents();
        const auto boxes = services.callsOf("MsgBox");
        return int(boxes.size()) > before ? boxes.back().text : QString();
    }
    QString BuildGame() {
        const int before = services.count("MsgBox");
        main->mnuBuildgameQVM_Click();
        const auto boxes = services.callsOf("MsgBox");
        return int(boxes.size()) > before ? boxes.back().text : QString();
    }

    QTemporaryDir tree;
    QString src;
};

TEST_F(HostileWorkspace, WorkspaceFilesThatNameNothingAreRefused) {
    main->SourceDir = src; // a loaded workspace that must survive each of these
    QStringList nothing = {Put("empty.kws", ""), Put("break.kws", "\r\n"), Put("lf.kws", "\n"),
                           tree.path(), tree.filePath("missing.kws")};
#ifndef Q_OS_WIN
    const QString pipe = tree.filePath("pipe.kws");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    nothing << pipe;
#endif
    for (const QString& path : nothing) {
        EXPECT_TRUE(OpenWorkspace(path).contains(QDir::toNativeSeparators(path)))
            << path.toStdString();
        EXPECT_EQ(main->SourceDir, src);
    }
}

// Contents that do name something are taken as written, as the file format says (a relative
// name as the workspace file's neighbour); a directory that is not there is reported by the
// browser, and the build commands report the template they cannot find.
TEST_F(HostileWorkspace, OddWorkspaceContentsAreTakenAsWrittenAndReported) {
    const QByteArray binary("\x00\xFF\xFE\x01\x80\r\n\x7F\x00", 9);
    const struct {
        const char* name;
        QByteArray bytes;
        QString sourceDir;
    } cases[] = {
        {"one.kws", "/", "/"},
        {"gone.kws", (src + "/no/such/dir\r\n").toLocal8Bit(), src + "/no/such/dir"},
        {"lines.kws", (src + "\r\n" + src + "\r\n").toLocal8Bit(), src + "\r\n" + src},
        // No final break to drop; relative, so beside the workspace file.
        {"binary.kws", binary, PathStyle::Join(src, QString::fromLocal8Bit(binary))},
    };
    for (const auto& c : cases) {
        const QString path = Put(c.name, c.bytes);
        const QString message = OpenWorkspace(path);
        EXPECT_EQ(main->SourceDir, c.sourceDir) << c.name;
        ASSERT_TRUE(main->Brows) << c.name;
        const QString shown = main->Brows->Dir1->Path();
        if (QFileInfo(c.sourceDir).isDir()) {
            EXPECT_EQ(message, "") << c.name;
        } else {
            EXPECT_NE(message, "") << c.name; // the browser could not go there, and said so
            EXPECT_TRUE(QFileInfo(shown).isDir()) << c.name; // it stays where it was
        }
        EXPECT_NE(BuildGame(), "") << c.name;      // no template there: reported, nothing started
        EXPECT_FALSE(main->BuildWindows[1]);       // nothing started
        EXPECT_EQ(Bytes(path), c.bytes) << c.name; // the workspace file is never written
    }
}

TEST_F(HostileWorkspace, BuildTreesThatFightBackAreReportedAndLeaveTheOldScript) {
    main->SourceDir = src;
    const BuildScript::Paths game = BuildScript::PathsFor(src, BuildModules[1]);

    // No module directory at all.
    EXPECT_TRUE(BuildGame().contains(QDir::toNativeSeparators(game.templatePath)));
    EXPECT_FALSE(QFileInfo::exists(game.moduleDirectory));

    // A module directory with an old script, and a template that is missing, is a directory,
    // is a pipe.
    Put("game/gamerev.bat", "old script\n");
    EXPECT_TRUE(BuildGame().contains(QDir::toNativeSeparators(game.templatePath)));
    QDir().mkpath(game.templatePath);
    EXPECT_TRUE(BuildGame().contains(QDir::toNativeSeparators(game.templatePath)));
    QDir().rmdir(game.templatePath);
#ifndef Q_OS_WIN
    ASSERT_EQ(mkfifo(QFile::encodeName(game.templatePath).constData(), 0644), 0);
    EXPECT_TRUE(BuildGame().contains(QDir::toNativeSeparators(game.templatePath)));
    QFile::remove(game.templatePath);
#endif
    EXPECT_EQ(Bytes(game.scriptPath), QByteArray("old script\n"));

    // A good template, but the script's name is taken by a directory.
    Put("game/gamebak.bat", "echo build\r\n");
    QFile::remove(game.scriptPath);
    QDir().mkpath(game.scriptPath);
    EXPECT_TRUE(BuildGame().contains(QDir::toNativeSeparators(game.scriptPath)));
    EXPECT_TRUE(QFileInfo(game.scriptPath).isDir());
    EXPECT_FALSE(main->BuildWindows[1]);                               // nothing started
    EXPECT_EQ(Bytes(game.templatePath), QByteArray("echo build\r\n")); // only ever read
}

} // namespace
