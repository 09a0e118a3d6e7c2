// Recovery copies of unsaved windows: written off the keystroke path, gone once the text is saved
// or thrown away, and offered back, with one question, after a run was killed. Two programs at
// once never take each other's copies.
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cstdio>
#include <unistd.h>

#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"

namespace {

using namespace std::chrono_literals;

class Recovery : public ProgramFixture {
protected:
    // Gives the running program a store in root (this test's own folder unless given).
    RecoveryStore& KeepCopies(const QString& root = {}, bool quick = true) {
        program->recovery =
            std::make_unique<RecoveryStore>(root.isEmpty() ? dir.filePath("recovery") : root);
        if (quick) {
            program->recovery->idleDelay = 30ms;
            program->recovery->longestDelay = 200ms;
        }
        return *program->recovery;
    }
    QStringList Copies() const {
        return QDir(program->recovery->RunFolder()).entryList(QDir::Files);
    }
    void Type(const QString& keys) { QTest::keyClicks(main->ActiveDocument()->code, keys); }

    QTemporaryDir dir;
};

TEST_F(Recovery, CopiesFollowTheUnsavedTextOfEachWindow) {
    KeepCopies();
    const QString path = WriteTestFile(dir, "g_main.c", "int a;\r\n");
    main->OpenDocument(path);
    Type("x");
    EXPECT_TRUE(Copies().isEmpty()); // nothing written while typing
    QTest::qWait(100);
    ASSERT_EQ(Copies().size(), 1);
    const QByteArray copy = ReadTestFile(program->recovery->RunFolder() + "/" + Copies()[0]);
    EXPECT_TRUE(copy.contains(QUrl::toPercentEncoding(path))) << copy.toStdString();
    EXPECT_TRUE(copy.endsWith("\n\nxint a;\r\n")) << copy.toStdString();

    main->mnuFileSave_Click(); // saved: the copy goes
    EXPECT_TRUE(Copies().isEmpty());
    Type("y");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Copies().size() == 1; }, 1000));
    QTest::keyClick(main->ActiveDocument()->code, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Copies().isEmpty(); }, 1000)); // back to the saved

    // Typing on and on without a pause still writes a copy now and then.
    program->recovery->idleDelay = 10s;
    main->NewDocument();
    for (int key = 0; key < 50 && Copies().isEmpty(); ++key) {
        Type("z");
        QTest::qWait(20);
    }
    EXPECT_EQ(Copies().size(), 1);

    services.messageAnswers = {MsgAnswer::No, MsgAnswer::No}; // close without saving
    main->mdiArea->closeAllSubWindows();
    EXPECT_TRUE(Copies().isEmpty());
    const QString run = program->recovery->RunFolder();
    program->recovery.reset(); // a normal end
    EXPECT_FALSE(QFileInfo::exists(run));
    EXPECT_EQ(services.count("MsgBox"), 2);
}

// The child run of the test below: two unsaved windows, their copies written, then it waits to be
// killed.
TEST_F(Recovery, DISABLED_ChildTypesAndWaitsToBeKilled) {
    KeepCopies(qEnvironmentVariable("KELTO_TEST_RECOVERY"), false);
    main->NewDocument();
    Type("unsaved");
    main->OpenDocument(qEnvironmentVariable("KELTO_TEST_FILE"));
    Type("// added");
    QTest::keyClick(main->ActiveDocument()->code, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Copies().size() == 2; }, 15000));
    std::printf("ready\n");
    std::fflush(stdout);
    QTest::qWait(60000);
}

// A killed run's windows come back once asked: captions, text, format and marked changed, with
// nothing written to their files. Neither the killed real program nor a program asking about
// them takes another running program's copies.
TEST_F(Recovery, CopiesOfAKilledRunComeBackOnceAsked) {
    const QString root = dir.filePath("state/Kelto/recovery");
    const QByteArray utf16 = QByteArray::fromHex("fffe 6900 6e00 7400 0d00 0a00");
    const QString path = WriteTestFile(dir, "g_main.c", utf16);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELTO_TEST_RECOVERY", root);
    env.insert("KELTO_TEST_FILE", path);
    env.insert("TMPDIR", dir.path());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests",
                 "--gtest_filter=Recovery.DISABLED_ChildTypesAndWaitsToBeKilled"});
    QByteArray said;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            // The event loop inside qWaitFor may already have read the line into the buffer,
            // after which no new data arrives to wake waitForReadyRead: read the buffer anyway.
            child.waitForReadyRead(100);
            said += child.readAll();
            return said.contains("ready");
        },
        30000))
        << said.toStdString();
    child.kill(); // SIGKILL; TerminateProcess on Windows
    child.waitForFinished();

    // The real program finds the copies and asks; killed while asking, it leaves them whole. While
    // it runs, a second program here may take none of them.
#ifdef Q_OS_WIN
    const QString kelto = QCoreApplication::applicationDirPath() + "/../kelto.exe";
#else
    const QString kelto = QCoreApplication::applicationDirPath() + "/../kelto";
#endif
    if (QFileInfo(kelto).isExecutable()) {
        QProcess real;
        env.insert("XDG_STATE_HOME", dir.filePath("state"));
        env.insert("LOCALAPPDATA", QDir::toNativeSeparators(dir.filePath("state"))); // Windows
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        real.setProcessEnvironment(env);
        real.start(kelto, {});
        const auto claimedByKelto = [&] {
            for (const QString& lock : QDir(root).entryList({"*.lock"})) {
                QFile file(root + "/" + lock);
                if (!lock.startsWith(QString::number(real.processId()) + "-") &&
                    file.open(QIODevice::ReadOnly) &&
                    file.readLine().trimmed() == QByteArray::number(real.processId()))
                    return true;
            }
            return false;
        };
        EXPECT_TRUE(QTest::qWaitFor(claimedByKelto, 20000));
        EXPECT_TRUE(KeepCopies(root).ClaimLeftOvers().copies.empty());
        program->recovery.reset();
        real.kill();
        real.waitForFinished();
    } else {
        std::printf("%s is not built: the real program's part is left out\n", qPrintable(kelto));
    }

    KeepCopies(root);
    services.messageAnswers = {MsgAnswer::Yes};
    main->OfferRecovery();
    ASSERT_EQ(services.callsOf("MsgBox").size(), 1u);
    EXPECT_EQ(services.callsOf("MsgBox")[0].text,
              "Kelto did not close normally. Recover 2 unsaved windows?");
    const auto windows = main->mdiArea->subWindowList(QMdiArea::CreationOrder);
    QStringList captions;
    for (QMdiSubWindow* window : windows) {
        if (auto* document = qobject_cast<frmDocument*>(window)) {
            captions.append(document->Caption());
            EXPECT_TRUE(document->Changed());
            EXPECT_TRUE(document->code->IsModified());
            if (document->Caption() == path) {
                EXPECT_EQ(document->code->Text(), "// added\r\nint\r\n");
                EXPECT_EQ(document->code->FileFormat().encoding, TextFormat::Encoding::Utf16LE);
                EXPECT_TRUE(document->ccode); // coloured as C source
            } else {
                EXPECT_EQ(document->code->Text(), "unsaved");
            }
        }
    }
    captions.sort();
    EXPECT_EQ(captions, QStringList({path, "Source 1"}));
    EXPECT_EQ(ReadTestFile(path), utf16); // nothing written until the user saves
    // Only this run's folder is left, holding copies of the windows it took back.
    EXPECT_EQ(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    EXPECT_EQ(Copies().size(), 2);

    for (QMdiSubWindow* window : windows) {
        if (auto* document = qobject_cast<frmDocument*>(window);
            document && document->Caption() == path)
            main->ShowChild(window);
    }
    main->mnuFileSave_Click(); // the file is as the killed run saw it: no question
    EXPECT_EQ(services.count("MsgBox"), 1);
    EXPECT_EQ(ReadTestFile(path), QByteArray::fromHex("fffe 2f00 2f00 2000 6100 6400 6400 6500 "
                                                      "6400 0d00 0a00 6900 6e00 7400 0d00 0a00"));
}

} // namespace

namespace {

#ifndef Q_OS_WIN // links, owners and permissions as Linux has them
// The store deletes only what it wrote. In its recovery folder, a planted symbolic link to a
// folder of the user's (named as a run folder would be), a folder others may write, a file of
// another name, and in a run folder a file it did not make, all stay as they are and are named;
// copies it cannot read (damaged, or from a newer Kelto) are kept, and the question says how many
// and where. A recovered untitled window takes a fresh number, so no two windows share a caption.
TEST_F(Recovery, WhatTheStoreDidNotWriteIsLeftAloneAndNamed) {
    const QString root = dir.filePath("state/Kelto/recovery");
    QString run;
    {
        RecoveryStore crashed(root); // ends with copies in it: they stay, as after a crash
        run = crashed.RunFolder();
        crashed.Write(crashed.NewName(), {.caption = "Source 2"}, "untitled text");
        crashed.Write(crashed.NewName(), {.caption = dir.filePath("a.c")}, "int a;");
    }
    WriteTestFile(dir, "state/Kelto/recovery/" + QDir(run).dirName() + "/window-3.kelto-recovery",
                  "Kelto recovery 2\ncaption x\n\ntext of a newer Kelto");
    WriteTestFile(dir, "state/Kelto/recovery/" + QDir(run).dirName() + "/window-4.kelto-recovery",
                  "damaged");
    WriteTestFile(dir, "state/Kelto/recovery/" + QDir(run).dirName() + "/notes", "mine");
    QDir().mkpath(dir.filePath("projects/game"));
    WriteTestFile(dir, "projects/game/g_main.c", "precious");
    ASSERT_TRUE(QFile::link(dir.filePath("projects"), root + "/1-x"));
    ASSERT_TRUE(QDir().mkdir(root + "/2-open"));
    QFile::setPermissions(root + "/2-open", QFileDevice::Permissions(0x7777));
    WriteTestFile(dir, "state/Kelto/recovery/3-y.lock.txt", "");

    main->NewDocument();
    main->NewDocument(); // Source 1 and Source 2 are taken
    KeepCopies(root);
    services.messageAnswers = {MsgAnswer::Yes};
    main->OfferRecovery();
    ASSERT_EQ(services.count("MsgBox"), 1);
    const QString question = services.calls.back().text;
    EXPECT_TRUE(question.startsWith("Kelto did not close normally. Recover 2 unsaved windows?\n\n"
                                    "2 more copies of unsaved windows could not be offered"))
        << question.toStdString();
    EXPECT_TRUE(question.contains(run));
    for (const QString& stranger :
         {root + "/1-x", root + "/2-open", root + "/3-y.lock.txt", run + "/notes"})
        EXPECT_TRUE(question.contains(stranger)) << stranger.toStdString();

    QStringList captions;
    for (QMdiSubWindow* window : main->mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* document = qobject_cast<frmDocument*>(window))
            captions.append(document->Caption());
    }
    EXPECT_EQ(captions, QStringList({"Source 1", "Source 2", "Source 3", dir.filePath("a.c")}));
    EXPECT_EQ(ReadTestFile(dir.filePath("projects/game/g_main.c")), "precious");
    EXPECT_TRUE(QFileInfo(root + "/1-x").isSymLink());
    EXPECT_TRUE(QFileInfo(root + "/2-open").isDir());
    EXPECT_EQ(QDir(run).entryList(QDir::Files),
              QStringList({"notes", "window-3.kelto-recovery", "window-4.kelto-recovery"}));

    // The windows closed unsaved, the next start offers nothing, but still says what it keeps.
    services.messageAnswers = {MsgAnswer::No, MsgAnswer::No};
    main->mdiArea->closeAllSubWindows();
    program->recovery.reset();
    KeepCopies(root);
    main->OfferRecovery();
    ASSERT_EQ(services.count("MsgBox"), 4);
    EXPECT_EQ(services.calls.back().buttons, MsgButtons::OK);
    EXPECT_TRUE(services.calls.back().text.startsWith("2 copies of unsaved windows could not"));
}

// A recovery folder that others may change is not used: no copy goes there, nothing in it is
// taken or removed, and the user is told once, at the first copy due.
TEST_F(Recovery, AFolderOthersMayChangeIsNotUsed) {
    const QString shared = dir.filePath("shared");
    const QString root = shared + "/recovery";
    QString run;
    {
        RecoveryStore crashed(root);
        run = crashed.RunFolder();
        crashed.Write(crashed.NewName(), {.caption = "Source 1"}, "left over");
    }
    QFile::setPermissions(shared, QFileDevice::Permissions(0x7777)); // rwx for all
    if (geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(root).constData(), 65534, 65534), 0);
    }
    KeepCopies(root);
    main->OfferRecovery();
    EXPECT_EQ(services.count("MsgBox"), 0);
    EXPECT_EQ(QDir(run).entryList(QDir::Files).size(), 1);

    main->NewDocument();
    Type("x");
    QTest::qWait(300);
    Type("y");
    QTest::qWait(300);
    ASSERT_EQ(services.count("MsgBox"), 1);
    EXPECT_TRUE(services.calls.back().text.contains(geteuid() == 0 ? "belongs to another user"
                                                                   : "can be changed by other"))
        << services.calls.back().text.toStdString();
    EXPECT_EQ(QDir(run).entryList(QDir::Files).size(), 1);
    services.messageAnswers = {MsgAnswer::No};
}

#endif

} // namespace
