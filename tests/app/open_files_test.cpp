// Files from the command line open through the same routines as File > Open and
// File > Open Workspace, with the same windows and colours; their messages come as one.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#ifndef Q_OS_WIN
#include <fcntl.h>
#endif

#include "app/CommandLine.h"

#include "documents/frmDocument.h"
#include "platform/DirListBox.h"
#include "platform/PathStyle.h"
#include "platform/RichTextBox.h"
#include "platform/TextFile.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "workspace/frmBrows.h"

namespace {

class OpenFiles : public ProgramFixture {
protected:
    struct Window {
        QString caption;
        QString text;
        bool ccode = false;
        long firstColour = -1;
        bool operator==(const Window&) const = default;
    };

    // The source windows, in the order they were made.
    std::vector<Window> Windows() const {
        std::vector<Window> result;
        for (QMdiSubWindow* child : main->mdiArea->subWindowList(QMdiArea::CreationOrder)) {
            if (auto* document = qobject_cast<frmDocument*>(child)) {
                result.push_back({document->Caption(), document->code->Text(), document->ccode,
                                  document->code->ColourAt(0)});
            }
        }
        return result;
    }

    // What File > Open leaves for path, in a program of its own.
    std::pair<Window, QStringList> ThroughFileOpen(const QString& path) {
        CloseProgram();
        services.calls.clear();
        StartProgram();
        services.fileAnswers = {path};
        main->mnuFileOpen_Click();
        const Window window = Windows().back();
        QStringList messages;
        for (const auto& call : services.callsOf("MsgBox"))
            messages << call.text;
        CloseProgram();
        services.calls.clear();
        StartProgram();
        return {window, messages};
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(OpenFiles, EachFileOpensAsFileOpenOpensIt) {
    const QString source = WriteTestFile(dir, "g_main.c", "#include \"g_local.h\"\r\nint x;\r\n");
    const QString notes = WriteTestFile(dir, "notes.txt", "#not coloured\r\n");
    const QString missing = dir.filePath("missing.c");
    const auto [openedSource, sourceMessages] = ThroughFileOpen(source);
    const auto [openedNotes, notesMessages] = ThroughFileOpen(notes);
    const auto [openedMissing, missingMessages] = ThroughFileOpen(missing);
    ASSERT_TRUE(sourceMessages.isEmpty());
    ASSERT_EQ(missingMessages.size(), 1);

    main->OpenFiles({source, missing, notes});
    const std::vector<Window> windows = Windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0], openedSource);
    EXPECT_TRUE(windows[0].ccode);
    // The same empty window File > Open leaves, numbered in this program.
    EXPECT_EQ(windows[1], (Window{"Source 2", openedMissing.text, openedMissing.ccode,
                                  openedMissing.firstColour}));
    EXPECT_EQ(openedMissing.caption, "Source 1");
    EXPECT_EQ(windows[2], openedNotes);
    EXPECT_FALSE(windows[2].ccode);
    // The missing file is reported as File > Open reports it, and the next file still opens.
    const auto messages = services.callsOf("MsgBox");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, missingMessages[0]);
    EXPECT_EQ(main->ActiveDocument()->Caption(), notes);
    EXPECT_EQ(services.count("ShowOpen"), 0); // no dialog
}

TEST_F(OpenFiles, AWorkspaceFileOpensAsOpenWorkspaceOpensIt) {
    QTemporaryDir source;
    const QString workspace = WriteTestFile(dir, "mymod.KWS", source.path().toLocal8Bit() + "\r\n");
    const QString header = WriteTestFile(dir, "bg_public.h", "// shared\r\n");
    main->OpenFiles({workspace, header});
    EXPECT_EQ(main->SourceDir, source.path());
    EXPECT_EQ(main->Brows->Dir1->Path(), PathStyle::Normalized(source.path()));
    ASSERT_EQ(Windows().size(), 1u); // the workspace opens no source window
    EXPECT_EQ(Windows()[0].caption, header);

    // A workspace that cannot be read gets Open Workspace's message and changes nothing.
    const QString unreadable = dir.filePath("gone.kws");
    services.fileAnswers = {unreadable};
    main->mnuFileOW_Click();
    main->OpenFiles({unreadable});
    const auto messages = services.callsOf("MsgBox");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, messages[0].text);
    EXPECT_EQ(main->SourceDir, source.path());
}

// The files one start names are told in one message, whatever fails; a burst of hand-overs of
// files that cannot be opened, arriving while that message is open (as `find -exec kelto`
// sends them), opens no box inside it: they are told together once it has closed.
TEST_F(OpenFiles, FailuresComeAsOneMessageAndNeverStackBoxes) {
    main->OpenFiles({dir.filePath("a.c"), dir.filePath("b.c")});
    ASSERT_EQ(services.count("MsgBox"), 1);
    EXPECT_TRUE(services.calls.back().text.contains(QDir::toNativeSeparators(dir.filePath("a.c"))));
    EXPECT_TRUE(services.calls.back().text.contains(QDir::toNativeSeparators(dir.filePath("b.c"))));

    int boxesWhileOpen = -1;
    services.whileAsking = {[&] {
        for (int i = 0; i < 200; ++i)
            main->OpenFiles({dir.filePath(QString("gone%1.c").arg(i))});
        boxesWhileOpen = services.count("MsgBox");
    }};
    main->OpenFiles({dir.filePath("first.c")});
    EXPECT_EQ(boxesWhileOpen, 2); // the one open, nothing inside it
    const auto boxes = services.callsOf("MsgBox");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(boxes[2].text.contains(QDir::toNativeSeparators(dir.filePath("gone0.c"))));
    EXPECT_TRUE(boxes[2].text.contains(QDir::toNativeSeparators(dir.filePath("gone9.c"))));
    EXPECT_TRUE(boxes[2].text.endsWith("(190 more messages are not shown.)"));
}

#ifndef Q_OS_WIN // names are UTF-16 there
// A file whose name is not UTF-8 (bytes a command line keeps) opens, and Save writes it back,
// not a file of another name.
TEST_F(OpenFiles, ANameThatIsNotUtf8OpensAndIsSavedAsItself) {
    const QByteArray folder = QFile::encodeName(dir.path());
    for (const char* name : {"/a\xFF.c", "/a\xFE.c"}) {
        QFile file;
        const int fd = ::open(folder + name, O_WRONLY | O_CREAT, 0644);
        ASSERT_TRUE(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        file.write(name + 1);
    }
    char* argv[] = {const_cast<char*>("kelto"), const_cast<char*>("a\xFF.c")};
    const CommandLine line = ParseCommandLine(ArgumentsOf(2, argv), TextFile::DecodeName(folder));
    ASSERT_EQ(line.files.size(), 1);
    main->OpenFiles(line.files);
    EXPECT_EQ(services.count("MsgBox"), 0);
    EXPECT_EQ(main->ActiveDocument()->code->Text(), QString::fromLatin1("a\xFF.c"));
    main->ActiveCode().SetText("saved");
    main->mnuFileSave_Click();
    const auto bytesOf = [&](const char* name) {
        QFile file;
        file.open(::open(folder + name, O_RDONLY), QIODevice::ReadOnly,
                  QFileDevice::AutoCloseHandle);
        return file.readAll();
    };
    EXPECT_EQ(bytesOf("/a\xFF.c"), "saved");
    EXPECT_EQ(bytesOf("/a\xFE.c"), "a\xFE.c");
    EXPECT_EQ(QDir(dir.path()).count(), 2u);
}
#endif
