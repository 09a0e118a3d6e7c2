// File > Open, Save, Save As, Close and OpenDocument, with scripted dialogs and real files.
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QProxyStyle>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>

#include "app/frmMain.h"
#include "documents/file_commands.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "workspace/frmAddDir.h"
#include "workspace/frmBrows.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr long Blue = 16711680;

class FileCommands : public ProgramFixture {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        return WriteTestFile(dir, name, bytes);
    }
    static QByteArray Read(const QString& path) { return ReadTestFile(path); }
    QString Caption() const { return main->ActiveDocument()->Caption(); }
    RichTextBox& Code() const { return main->ActiveCode(); }

    QTemporaryDir dir;
};

TEST_F(FileCommands, CaptionTests) {
    EXPECT_TRUE(IsUntitled("Source 12"));
    EXPECT_TRUE(IsUntitled("Sourcefile.c"));
    EXPECT_FALSE(IsUntitled("source 1"));
    EXPECT_FALSE(IsUntitled("/home/Source 1"));
    EXPECT_TRUE(PassesColourTest("/src/game.h"));
    EXPECT_TRUE(PassesColourTest(".c"));
    EXPECT_FALSE(PassesColourTest("A.C"));
    EXPECT_FALSE(PassesColourTest("a.cpp"));
    EXPECT_FALSE(PassesColourTest("notes.txt"));
}

TEST_F(FileCommands, OpenNumbersItsWindowLikeNew) {
    const QString path = Write("game.c", "int x;\r\n");
    main->mnuFileNew_Click();
    main->mnuFileNew_Click();
    services.fileAnswers = {path};
    main->mnuFileOpen_Click();
    EXPECT_EQ(Caption(), path);
    main->mnuFileNew_Click();
    EXPECT_EQ(Caption(), "Source 4");
    EXPECT_EQ(main->DocumentCount, 4);

    const auto dialogs = services.callsOf("ShowOpen");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Open");
    EXPECT_EQ(dialogs[0].filter, "All Files (*.*)|*.*");
}

TEST_F(FileCommands, CancelledOpenLeavesAnEmptyWindowThatClosesSilently) {
    services.fileAnswers = {""};
    main->mnuFileOpen_Click();
    ASSERT_NE(main->ActiveDocument(), nullptr);
    EXPECT_EQ(Caption(), "Source 1");
    EXPECT_EQ(Code().Text(), "");
    main->mnuFileClose_Click();
    QApplication::processEvents();
    EXPECT_EQ(main->ActiveDocument(), nullptr);
    EXPECT_EQ(services.count("MsgBox"), 0);
}

TEST_F(FileCommands, CSourceIsColouredAndColourCodedOtherFilesAreNot) {
    const QString header = Write("game.h", "#include <a.h>\r\nint x;\r\n");
    services.fileAnswers = {header};
    main->mnuFileOpen_Click();
    EXPECT_EQ(Code().ColourAt(0), Blue);
    EXPECT_EQ(Code().ColourAt(9), 0);
    EXPECT_EQ(Code().SelStart(), 0);
    EXPECT_TRUE(main->ActiveDocument()->ccode);

    main->OpenDocument(Write("notes.txt", "#include <a.h>\r\n"));
    EXPECT_EQ(Caption(), dir.filePath("notes.txt"));
    EXPECT_EQ(Code().ColourAt(0), 0);
    EXPECT_FALSE(main->ActiveDocument()->ccode);
    EXPECT_EQ(services.count("ShowOpen"), 1); // OpenDocument asks nothing
}

TEST_F(FileCommands, SaveAsKeepsColoursAndColourCodingUnderAnyName) {
    main->OpenDocument(Write("game.c", "#if A\r\n"));
    const QString notes = dir.filePath("notes.txt");
    services.fileAnswers = {notes};
    main->mnuFileSaveAs_Click();
    EXPECT_EQ(services.callsOf("ShowSave").at(0).title, "Save As");
    EXPECT_EQ(Caption(), notes);
    EXPECT_EQ(Read(notes), "#if A\r\n");
    EXPECT_EQ(Code().ColourAt(0), Blue);
    EXPECT_TRUE(main->ActiveDocument()->ccode);
}

TEST_F(FileCommands, SaveAsOfAnUntitledWindowToCSourceColoursIt) {
    main->NewDocument();
    Code().SetText("#define A 1\r\n");
    Code().SetSelStart(5);
    const QString path = dir.filePath("a.c");
    services.fileAnswers = {path};
    main->mnuFileSaveAs_Click();
    EXPECT_EQ(Caption(), path);
    EXPECT_EQ(Read(path).replace("\r\n", "\n"), "#define A 1\n");
    EXPECT_EQ(Code().ColourAt(7), Blue);
    EXPECT_EQ(Code().SelStart(), 0);
    EXPECT_TRUE(main->ActiveDocument()->ccode);
}

TEST_F(FileCommands, SaveWritesTitledWindowsStraightBackAndAsksForUntitledOnes) {
    const QString path = Write("game.c", "int x;\r\n");
    main->OpenDocument(path);
    Code().SetText("int y;\r\n");
    main->mnuFileSave_Click();
    EXPECT_EQ(Read(path), "int y;\r\n");
    EXPECT_EQ(services.count("ShowSave"), 0);

    // Untitled: "Save" dialog; cancelled, nothing happens; given a name, it is saved there.
    main->NewDocument();
    Code().SetText("// c\r\n");
    services.fileAnswers = {"", dir.filePath("b.h")};
    main->mnuFileSave_Click();
    EXPECT_EQ(Caption(), "Source 2");
    main->mnuFileSave_Click();
    EXPECT_EQ(services.callsOf("ShowSave").at(1).title, "Save");
    EXPECT_EQ(Caption(), dir.filePath("b.h"));
    EXPECT_TRUE(QFile::exists(dir.filePath("b.h")));
    EXPECT_EQ(Code().ColourAt(0), 32768);
}

TEST_F(FileCommands, SavingLeavesTheChangedFlagSet) {
    main->OpenDocument(Write("notes.txt", "x"));
    QTest::keyClick(&Code(), Qt::Key_Right);
    ASSERT_TRUE(main->ActiveDocument()->Changed());
    main->mnuFileSave_Click();
    EXPECT_TRUE(main->ActiveDocument()->Changed());
}

TEST_F(FileCommands, NothingHappensWhileTheFileBrowserIsActive) {
    main->OpenDocument(Write("game.c", "int x;\r\n"));
    frmDocument* document = main->ActiveDocument();
    main->mdiArea->setActiveSubWindow(main->Brows);
    ASSERT_TRUE(main->ActiveIsBrowser());
    services.fileAnswers = {dir.filePath("other.c"), dir.filePath("other.c")};
    main->mnuFileSave_Click();
    main->mnuFileSaveAs_Click();
    main->mnuFileClose_Click();
    QApplication::processEvents();
    EXPECT_EQ(services.count("ShowSave"), 0);
    EXPECT_TRUE(main->Brows);
    EXPECT_EQ(main->mdiArea->subWindowList().size(), 2);
    EXPECT_EQ(document->Caption(), dir.filePath("game.c"));
}

TEST_F(FileCommands, UnreadableFileIsReportedAndTheEmptyWindowStays) {
    const QString missing = dir.filePath("missing.c");
    main->OpenDocument(missing);
    const auto boxes = services.callsOf("MsgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.count(QDir::toNativeSeparators(missing)), 1);
    EXPECT_EQ(boxes[0].title, "Kelto");
    EXPECT_EQ(boxes[0].buttons, MsgButtons::OK);
    EXPECT_EQ(Caption(), "Source 1");
    EXPECT_FALSE(main->ActiveDocument()->ccode);
}

// A save that fails keeps the caption: it must never name a file that does not hold the text.
TEST_F(FileCommands, FailedSaveKeepsTextAndCaption) {
    main->NewDocument();
    Code().SetText("#if A\r\n");
    const QString unwritable = dir.filePath("no/such/folder/a.c");
    services.fileAnswers = {unwritable, unwritable};
    main->mnuFileSaveAs_Click();
    main->mnuFileSave_Click();
    EXPECT_EQ(services.count("MsgBox"), 2);
    EXPECT_TRUE(
        services.callsOf("MsgBox").at(0).text.contains(QDir::toNativeSeparators(unwritable)));
    EXPECT_EQ(Caption(), "Source 1");
    EXPECT_EQ(Code().Text(), "#if A\r\n");
    EXPECT_EQ(Code().ColourAt(0), 0); // no colour step after a failed save
    EXPECT_FALSE(main->ActiveDocument()->ccode);
}

// What a window's title bar draws.
class TitleBarText : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        if (const auto* bar = qstyleoption_cast<const QStyleOptionTitleBar*>(option);
            bar && control == CC_TitleBar)
            drawn = bar->text;
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
    mutable QString drawn;
};

// A path holding what Qt takes for markup ("[*]", the changed mark of a title; "&", the mark of
// an access key) shows as written in the title bar and the Window menu, and the commands find
// the file by it.
TEST_F(FileCommands, OddPathsShowAsWrittenAndAreTheFilesSaved) {
#ifdef Q_OS_WIN
    const QString star = "+"; // no file name holds a * there
#else
    const QString star = "*";
#endif
    const QString path = Write("a&b[" + star + "].c", "int a;\r\n");
    main->OpenDocument(path);
    frmDocument* document = main->ActiveDocument();
    EXPECT_EQ(Caption(), path);
    EXPECT_TRUE(document->ccode); // it ends in ".c"
    auto shown = [&] {
        TitleBarText style;
        document->setStyle(&style);
        document->resize(1200, 300); // nothing elided
        document->grab();
        document->setStyle(nullptr);
        QStringList entries;
        emit main->mnuWindow->aboutToShow();
        for (const QAction* entry : main->mnuWindow->actions())
            entries << entry->iconText(); // as the menu shows it
        EXPECT_TRUE(entries.contains("2 " + Caption())) << entries.join('|').toStdString();
        return style.drawn;
    };
    EXPECT_EQ(shown(), path);
    Code().SetText("int b;\r\n");
    main->mnuFileSave_Click();
    EXPECT_EQ(Read(path), "int b;\r\n");

    // Runs of placeholders, an open one and doubled marks.
    const QString odder = dir.filePath(QString("[*][*] x&&y [* [*]].h").replace("*", star));
    services.fileAnswers = {odder};
    main->mnuFileSaveAs_Click();
    EXPECT_EQ(Caption(), odder);
    EXPECT_EQ(shown(), odder);
    EXPECT_EQ(Read(odder), "int b;\r\n");
}

// Another program changed the file in place, replaced it, or made its path a link since Kelto
// read it: Save and the close prompt's save ask before overwriting, naming the file (and a link's
// target, with No as the default), and No leaves the file and the window as they are. A file that
// is simply gone is written afresh.
TEST_F(FileCommands, SaveAsksBeforeOverwritingAnotherProgramsChanges) {
    const QString path = Write("g_main.c", "mine\r\n");
    const QString other = Write("other.c", "theirs\r\n");
    main->OpenDocument(path);
    main->mnuFileSave_Click();
    EXPECT_EQ(services.count("MsgBox"), 0); // nobody else wrote it
    const std::pair<std::function<void()>, MsgButtons> changes[] = {
        {[&] {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("// theirs\r\n");
         },
         MsgButtons::YesNo},
        {[&] {
#ifdef Q_OS_WIN
             MoveFileExW(
                 QDir::toNativeSeparators(Write("new.c", "renamed\r\n")).toStdWString().c_str(),
                 QDir::toNativeSeparators(path).toStdWString().c_str(), MOVEFILE_REPLACE_EXISTING);
#else
             std::rename(QFile::encodeName(Write("new.c", "renamed\r\n")), QFile::encodeName(path));
#endif
         },
         MsgButtons::YesNo},
#ifndef Q_OS_WIN // QFile::link makes a shortcut (.lnk) there
        {[&] { QFile::remove(path), QFile::link(other, path); }, MsgButtons::YesNoDefaultNo},
#endif
    };
    int asked = 0;
    for (const auto& [change, buttons] : changes) {
        change();
        const QByteArray theirs = Read(path);
        services.messageAnswers = {MsgAnswer::No};
        main->mnuFileSave_Click();
        const auto boxes = services.callsOf("MsgBox");
        ASSERT_EQ(boxes.size(), ++asked);
        EXPECT_EQ(boxes.back().buttons, buttons);
        EXPECT_TRUE(boxes.back().text.contains(path)) << boxes.back().text.toStdString();
        if (buttons == MsgButtons::YesNoDefaultNo) {
            EXPECT_TRUE(boxes.back().text.contains("symbolic link to " + other));
        }
        EXPECT_EQ(Read(path), theirs);
        EXPECT_EQ(Caption(), path);
        services.messageAnswers = {MsgAnswer::Yes};
        main->mnuFileSave_Click();
        ++asked;
        EXPECT_EQ(Read(path), "mine\r\n");
    }
#ifdef Q_OS_WIN
    const QString watched = path;
#else
    EXPECT_TRUE(QFileInfo(path).isSymLink()); // written through the link
    EXPECT_EQ(Read(other), "mine\r\n");
    const QString watched = other;
#endif

    Write(QFileInfo(watched).fileName(), "changed again\r\n");
    QTest::keyClick(&Code(), Qt::Key_Right);
    services.messageAnswers = {MsgAnswer::Yes, MsgAnswer::No}; // save changes: yes; overwrite: no
    main->mnuFileClose_Click();
    QApplication::processEvents();
    ASSERT_NE(main->ActiveDocument(), nullptr); // still open with its text
    EXPECT_EQ(Code().Text(), "mine\r\n");
    EXPECT_EQ(Read(watched), "changed again\r\n");

    QFile::remove(path);
    main->mnuFileSave_Click();
    EXPECT_EQ(services.count("MsgBox"), asked + 2);
    EXPECT_EQ(Read(path), "mine\r\n");

#ifndef Q_OS_WIN
    // Yes is for the file asked about: one swapped in while the question is open (a link to
    // another file, here) is refused, and the file it leads to is not written.
    Write("g_main.c.new", "changed\r\n");
    std::rename(QFile::encodeName(dir.filePath("g_main.c.new")), QFile::encodeName(path));
    services.whileAsking = {[&] { QFile::remove(path), QFile::link(other, path); }};
    services.messageAnswers = {MsgAnswer::Yes};
    main->mnuFileSave_Click();
    EXPECT_TRUE(services.calls.back().text.contains("replaced"))
        << services.calls.back().text.toStdString();
    EXPECT_EQ(Read(other), "changed again\r\n");
#endif
}

// File dialogs start in the folder of the active source window's file, else in the folder of
// the last file chosen in this run, else in the workspace's source directory.
TEST_F(FileCommands, FileDialogsStartWhereTheUserIsWorking) {
    const auto lastFolder = [&] { return services.calls.back().folder; };
    QTemporaryDir workspace, other;
    main->mnuFileOpen_Click();
    EXPECT_EQ(lastFolder(), ""); // nothing known yet: the platform's choice
    main->SourceDir = workspace.path();
    main->mnuFileOpen_Click();
    EXPECT_EQ(lastFolder(), workspace.path());

    // A file opened from another folder: its window is active, its dialogs start beside it,
    // Open's too (the new window Open makes stands for the one the user was in).
    const QString chosen = WriteTestFile(other, "bg_misc.c", "int item;\r\n");
    services.fileAnswers = {chosen};
    main->mnuFileOpen_Click();
    ASSERT_EQ(Caption(), chosen);
    const QString opened = Write("g_main.c", "int level;\r\n");
    main->OpenDocument(opened); // not through a dialog: the last chosen folder stays
    main->mnuFileSaveAs_Click();
    EXPECT_EQ(lastFolder(), dir.path());
    main->mnuFileOpen_Click();
    EXPECT_EQ(lastFolder(), dir.path());

    // An untitled window in use, or the file browser, active: the folder chosen last.
    main->ActiveCode().SetText("// notes");
    main->mnuFileOpen_Click();
    EXPECT_EQ(lastFolder(), other.path());
    main->ShowFileBrowser();
    main->mnuFileNW_Click(); // its save dialog comes as it closes
    main->AddDir->close();
    EXPECT_EQ(services.calls.back().kind, "ShowSave");
    EXPECT_EQ(lastFolder(), other.path());

    // A folder that has gone is passed over.
    ASSERT_TRUE(QDir(other.path()).removeRecursively());
    main->mnuFileNew_Click();
    main->mnuFileOpen_Click();
    EXPECT_EQ(lastFolder(), workspace.path());
}

} // namespace
