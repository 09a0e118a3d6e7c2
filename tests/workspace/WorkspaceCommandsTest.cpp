// The file browser, New/Open/Close Workspace and the Build commands in a running program, with
// real directory trees on disk and the scripted services answering the dialogs.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "documents/frmDocument.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/FileListBox.h"
#include "platform/PathStyle.h"
#include "support/ProgramFixture.h"
#include "workspace/BuildScript.h"
#include "workspace/frmAddDir.h"
#include "workspace/frmBrows.h"
#include "workspace/frmBuild.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class Workspace : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        src = PathStyle::Normalized(tree.path());
        for (const BuildModule& module : BuildModules) {
            QDir(src).mkpath(module.name);
            writeFile(src + '/' + module.name + '/' + module.name + "_main.c", "int x;\r\n");
        }
    }

    // Double-clicks the named file in the browser's file list.
    void doubleClick(const QString& name) {
        FileListBox* files = main->Brows->File1;
        for (int i = 0; i < files->ListCount(); ++i)
            if (files->List(i) == name)
                files->setListIndex(i);
        main->Brows->File1_DblClick();
    }

    QStringList captions() const {
        QStringList result;
        for (QMdiSubWindow* child : main->mdiArea->subWindowList(QMdiArea::CreationOrder))
            if (auto* document = qobject_cast<frmDocument*>(child))
                result << document->Caption();
        return result;
    }

    // Closes a child window and lets its deferred deletion happen.
    void closeChild(QMdiSubWindow* child) {
        child->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir tree;
    QString src;
};

} // namespace

TEST_F(Workspace, BrowserOpensDoubleClickedFilesAtTheNextTick) {
    ASSERT_TRUE(main->Brows);
    EXPECT_TRUE(main->mnuWindowFile->isChecked());
    EXPECT_EQ(main->Brows->Dir1->Path(), PathStyle::StartDirectory());
    EXPECT_EQ(main->Brows->File1->Path(), PathStyle::StartDirectory());

    // A drive change goes down the chain: the directory list to the drive, the file list after it.
    const QString game = PathStyle::Normalized(src + "/game");
    main->ShowInBrowser(src + "/game");
    EXPECT_EQ(main->Brows->File1->Path(), game);
    main->Brows->Drive1_Change();
    EXPECT_EQ(main->Brows->Dir1->Path(), main->Brows->Drive1->Drive());
    EXPECT_EQ(main->Brows->File1->Path(), main->Brows->Drive1->Drive());

    main->ShowInBrowser(src + "/game");
    const QString file = PathStyle::Join(game, "game_main.c");
    doubleClick("game_main.c");
    EXPECT_EQ(program->module1.PendingOpenFile, file);
    EXPECT_TRUE(captions().isEmpty());

    // Two double-clicks before one tick: only the later file opens.
    writeFile(src + "/game/g_local.h", "#define X\r\n");
    main->Brows->File1->setPath(src + "/game");
    doubleClick("game_main.c");
    doubleClick("g_local.h");
    main->Timer1_Timer();
    EXPECT_EQ(captions(), QStringList{PathStyle::Join(game, "g_local.h")});
    EXPECT_TRUE(program->module1.PendingOpenFile.isEmpty());

    // The same file twice: two windows.
    doubleClick("g_local.h");
    main->Timer1_Timer();
    EXPECT_EQ(captions().size(), 2);
    EXPECT_EQ(captions()[0], captions()[1]);
}

TEST_F(Workspace, FileBrowserItemClosesAndReopensAtTheStartDirectory) {
    main->ShowInBrowser(src);
    main->mnuWindowFile_Click();
    EXPECT_FALSE(main->Brows);
    EXPECT_FALSE(main->mnuWindowFile->isChecked());
    main->mnuWindowFile_Click();
    ASSERT_TRUE(main->Brows);
    EXPECT_TRUE(main->mnuWindowFile->isChecked());
    EXPECT_EQ(main->Brows->Dir1->Path(), PathStyle::StartDirectory());

    // Closed by its own close box: the mark goes, and the next choice shows it again.
    closeChild(main->Brows);
    EXPECT_FALSE(main->Brows);
    EXPECT_FALSE(main->mnuWindowFile->isChecked());
    main->mnuWindowFile_Click();
    EXPECT_TRUE(main->Brows);
    EXPECT_EQ(main->mdiArea->subWindowList().count(main->Brows.data()), 1);
}

TEST_F(Workspace, NewWorkspaceRoundTripsThePathAndIsTakenAtTheTick) {
    main->SourceDir = QStringLiteral("/old");
    main->mnuFileNW_Click();
    ASSERT_TRUE(main->AddDir);
    QPointer<frmAddDir> dialog = main->AddDir;
    EXPECT_EQ(dialog->DirList->Path(), PathStyle::Normalized(QDir::currentPath()));
    main->mnuFileNW_Click(); // only brings it to the front
    EXPECT_EQ(main->AddDir, dialog);

    dialog->DirList->setPath(src);
    const QString kws = tree.filePath("mine.kws");
    services.fileAnswers.push_back(kws);
    dialog->cmdAdd_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog);
    EXPECT_FALSE(main->AddDir);
    const auto saves = services.callsOf("ShowSave");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].title, QStringLiteral("New Workspace"));
    EXPECT_EQ(saves[0].filter, QStringLiteral("Kelto Dir Info (*.kws)|*.kws"));
    EXPECT_EQ(readFile(kws), src.toLocal8Bit() + "\r\n");

    // Taken over only at the next tick, and the checked browser follows.
    EXPECT_EQ(main->SourceDir, QStringLiteral("/old"));
    main->Timer1_Timer();
    EXPECT_EQ(main->SourceDir, src);
    EXPECT_EQ(main->Brows->Dir1->Path(), src);
    EXPECT_EQ(main->Brows->File1->Path(), src);

    // Close, then open the saved file: exactly the saved path again.
    main->mnuFileCW_Click();
    EXPECT_TRUE(main->SourceDir.isEmpty());
    services.fileAnswers.push_back(kws);
    main->mnuFileOW_Click();
    EXPECT_EQ(services.callsOf("ShowOpen").back().title, QStringLiteral("Open Workspace"));
    EXPECT_EQ(main->SourceDir, src);
}

TEST_F(Workspace, ClosingTheNewWorkspaceDialogAlwaysAsksAndCancelChangesNothing) {
    main->mnuFileNW_Click();
    closeChild(main->AddDir); // its own close box
    EXPECT_EQ(services.count("ShowSave"), 1);
    EXPECT_FALSE(main->AddDir);
    main->Timer1_Timer();
    EXPECT_TRUE(main->SourceDir.isEmpty());

    // File > Close on it asks too; a file that cannot be written is reported, nothing pending.
    main->mnuFileNW_Click();
    const QString bad = tree.filePath("no/such/dir/x.kws");
    services.fileAnswers.push_back(bad);
    main->mnuFileClose_Click();
    QApplication::processEvents();
    EXPECT_EQ(services.count("ShowSave"), 2);
    ASSERT_EQ(services.count("MsgBox"), 1);
    EXPECT_EQ(services.callsOf("MsgBox")[0].text.count(QDir::toNativeSeparators(bad)), 1);
    EXPECT_TRUE(program->module1.PendingSourceDir.isEmpty());
}

TEST_F(Workspace, OpenWorkspaceMovesOnlyAnOpenBrowserAndKeepsEveryCharacter) {
    // No final line break: the whole content is the directory.
    const QString kws = tree.filePath("hand.kws");
    writeFile(kws, (src + "/game").toLocal8Bit());
    services.fileAnswers.push_back(kws);
    main->mnuFileOW_Click();
    EXPECT_EQ(main->SourceDir, src + "/game");
    EXPECT_EQ(main->Brows->Dir1->Path(), PathStyle::Normalized(src + "/game"));

    main->mnuWindowFile_Click(); // browser closed
    writeFile(kws, src.toLocal8Bit() + "\n");
    services.fileAnswers.push_back(kws);
    main->mnuFileOW_Click();
    EXPECT_EQ(main->SourceDir, src);
    EXPECT_FALSE(main->Brows);

    // A missing file is reported and leaves the workspace loaded.
    services.fileAnswers.push_back(tree.filePath("missing.kws"));
    main->mnuFileOW_Click();
    EXPECT_EQ(main->SourceDir, src);
    ASSERT_EQ(services.count("MsgBox"), 1);
    EXPECT_TRUE(services.callsOf("MsgBox")[0].text.contains("missing.kws"));
}

TEST_F(Workspace, BuildWritesTheScriptAndRunsItInItsWindow) {
    const BuildScript::Paths game = BuildScript::PathsFor(src, BuildModules[1]);
    writeFile(game.templatePath, "echo compiled\r\n");
    main->SourceDir = src;
    main->mnuBuildgameQVM_Click();
    // The bytes written out, as in BuildScript.PosixScriptBytesArePinned: what the command
    // writes, whatever the function that composes it says.
    const QByteArray first = readFile(game.scriptPath);
#ifdef Q_OS_WIN
    EXPECT_EQ(first, src.left(2).toLocal8Bit() + "\r\ncd " + game.moduleDirectory.toLocal8Bit() +
                         "\r\necho compiled\r\n");
#else
    EXPECT_EQ(first, "#!/bin/sh\ncd '" + QFile::encodeName(src) +
                         "/game' || exit 1\n"
                         "echo compiled\n");
#endif
#ifndef Q_OS_WIN
    EXPECT_TRUE(QFileInfo(game.scriptPath).isExecutable());
#endif
    frmBuild* window = main->BuildWindows[1];
    ASSERT_TRUE(window);
    EXPECT_FALSE(main->BuildWindows[0]);
    EXPECT_TRUE(window->output->At(0)->text.endsWith(game.scriptPath));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->IsRunning(); }, 10000));
    EXPECT_EQ(services.count("MsgBox"), 0);

    // A second build replaces the script; it never grows.
    main->mnuBuildgameQVM_Click();
    EXPECT_EQ(readFile(game.scriptPath), first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->IsRunning(); }, 10000));
}

TEST_F(Workspace, BuildWithoutTemplateLeavesTheOldScriptAndReportsIt) {
    const BuildScript::Paths cgame = BuildScript::PathsFor(src, BuildModules[0]);
    writeFile(cgame.scriptPath, "old script\n");
    main->SourceDir = src;
    main->mnuBuildcgameQVM_Click();
    EXPECT_EQ(readFile(cgame.scriptPath), QByteArray("old script\n"));
    EXPECT_FALSE(main->BuildWindows[0]);
    ASSERT_EQ(services.count("MsgBox"), 1);
    // The message names the path looked for and where templates to start from are.
    const QString text = services.callsOf("MsgBox")[0].text;
    EXPECT_TRUE(text.startsWith("The build template was not found:\n" +
                                QDir::toNativeSeparators(cgame.templatePath) + "\n"));
    EXPECT_TRUE(text.contains("user guide")) << text.toStdString();
    EXPECT_TRUE(text.contains("examples")) << text.toStdString();
}

TEST_F(Workspace, EveryBuildCommandNeedsAWorkspace) {
    main->SourceDir = src;
    main->mnuFileCW_Click();
    main->mnuBuildcgameQVM_Click();
    main->mnuBuildgameQVM_Click();
    main->mnuBuilduiQVM_Click();
    const auto messages = services.callsOf("MsgBox");
    ASSERT_EQ(messages.size(), 3u);
    for (const auto& message : messages) {
        EXPECT_EQ(message.text, QStringLiteral("You need to have a Workspace Loaded"));
        EXPECT_EQ(message.buttons, MsgButtons::OK);
        EXPECT_EQ(message.title, QStringLiteral("Kelto"));
    }
    for (const auto& window : main->BuildWindows)
        EXPECT_FALSE(window);
}
