// Source windows: numbering, the changed mark, the colouring slot, and the save prompt on close.
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class DocumentWindowTest : public ProgramFixture {
protected:
    frmDocument* NewWindow() {
        main->NewDocument();
        return main->ActiveDocument();
    }
    // Closes the window as its close box does; true when it went.
    bool Close(frmDocument* document) {
        QPointer<frmDocument> guard = document;
        const bool closed = document->close();
        QApplication::processEvents();
        return closed;
    }
    QTemporaryDir dir;
};

TEST_F(DocumentWindowTest, WindowsAreNumberedOnAndNumbersAreNotReused) {
    frmDocument* first = NewWindow();
    frmDocument* second = NewWindow();
    EXPECT_EQ(first->Caption(), "Source 1");
    EXPECT_EQ(second->Caption(), "Source 2");
    EXPECT_EQ(main->ActiveDocument(), second);
    EXPECT_FALSE(second->ccode);
    EXPECT_TRUE(Close(second));
    EXPECT_EQ(NewWindow()->Caption(), "Source 3");
    EXPECT_EQ(main->DocumentCount, 3);
}

TEST_F(DocumentWindowTest, NewWindowResetsSearchPositionAndAsksForTheCaretLine) {
    main->LastFindPos = 42;
    program->module1.SelectionChanged = false;
    frmDocument* document = NewWindow();
    EXPECT_EQ(main->LastFindPos, 0);
    EXPECT_TRUE(program->module1.SelectionChanged);
    EXPECT_EQ(document->code->font().family(), "Courier");
    EXPECT_DOUBLE_EQ(document->code->font().pointSizeF(), 9.75);
}

TEST_F(DocumentWindowTest, WindowWithoutKeysClosesSilentlyAfterLoadOrPaste) {
    frmDocument* document = NewWindow();
    const QString path = dir.filePath("loaded.c");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("int x;\n");
    }
    document->code->LoadFile(path, 1);
    document->code->SetSelStart(0);
    document->code->SetSelText("/* pasted */");
    EXPECT_FALSE(document->Changed());
    EXPECT_TRUE(Close(document));
    EXPECT_EQ(services.count("MsgBox"), 0);
}

TEST_F(DocumentWindowTest, AnArrowKeyAloneMarksChangedAndCloseAsks) {
    frmDocument* document = NewWindow();
    QTest::keyClick(document->code, Qt::Key_Right);
    EXPECT_TRUE(document->Changed());
    services.messageAnswers.push_back(MsgAnswer::No);
    EXPECT_TRUE(Close(document));
    ASSERT_EQ(services.count("MsgBox"), 1);
    const auto prompt = services.callsOf("MsgBox")[0];
    EXPECT_EQ(prompt.text, "Would you like to save changes made to Source 1?");
    EXPECT_EQ(prompt.title, "Save Changes?");
    EXPECT_EQ(prompt.buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompt.icon, MsgIcon::None);
    EXPECT_EQ(services.count("ShowSave"), 0);
}

TEST_F(DocumentWindowTest, TypedKeysReachTheSlotOnlyWhenColourCoded) {
    frmDocument* document = NewWindow();
    Module1& m = program->module1;
    QTest::keyClick(document->code, 'a');
    EXPECT_FALSE(m.KeyPending);
    EXPECT_EQ(m.PendingKey, 0);
    EXPECT_EQ(document->code->Text(), "a"); // passed on to the control

    document->ccode = true;
    QTest::keyClick(document->code, 'b');
    QTest::keyClick(document->code, 'c');
    EXPECT_TRUE(m.KeyPending);
    EXPECT_EQ(m.PendingKey, 'c');
    services.messageAnswers.push_back(MsgAnswer::No);
}

// Cancelling the Save dialog the prompt's Yes brought keeps the window open with its text: the
// user asked to save it.
TEST_F(DocumentWindowTest, YesOnAnUntitledWindowAsksForANameAndKeepsTheWindowWhenCancelled) {
    frmDocument* document = NewWindow();
    NewWindow(); // Source 2 is the one asked about
    frmDocument* second = main->ActiveDocument();
    second->code->SetText("keep me");
    second->code_KeyDown(Qt::Key_Shift, 1);
    services.messageAnswers.push_back(MsgAnswer::Yes);
    services.fileAnswers.push_back("");
    EXPECT_FALSE(Close(second));
    EXPECT_EQ(second->code->Text(), "keep me");
    ASSERT_EQ(services.count("ShowSave"), 1);
    const auto dialog = services.callsOf("ShowSave")[0];
    EXPECT_EQ(dialog.title, "Save");
    EXPECT_EQ(dialog.filter, "All Files (*.*)|*.*");
    EXPECT_EQ(services.callsOf("MsgBox")[0].text,
              "Would you like to save changes made to Source 2?");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A name given: the text is written there.
    const QString path = dir.filePath("named.c");
    document->code->SetText("int y;");
    document->code_KeyDown(Qt::Key_Y, 0);
    services.messageAnswers.push_back(MsgAnswer::Yes);
    services.fileAnswers.push_back(path);
    EXPECT_TRUE(Close(document));
    EXPECT_EQ(ReadAll(path), QByteArray("int y;"));
    services.messageAnswers.push_back(MsgAnswer::No); // lets the fixture close Source 2
}

TEST_F(DocumentWindowTest, YesOnATitledWindowSavesToItsCaption) {
    const QString path = dir.filePath("game.c");
    frmDocument* document = NewWindow();
    document->SetCaption(path);
    document->code->SetText("void G_Init(void);");
    document->code_KeyDown(Qt::Key_Down, 0);
    services.messageAnswers.push_back(MsgAnswer::Yes);
    EXPECT_TRUE(Close(document));
    EXPECT_EQ(services.count("ShowSave"), 0);
    EXPECT_EQ(ReadAll(path), QByteArray("void G_Init(void);"));
}

TEST_F(DocumentWindowTest, AFailedSaveKeepsTheWindowAndItsText) {
    const QString path = dir.filePath("no-such-folder/cg_main.c");
    frmDocument* document = NewWindow();
    document->SetCaption(path);
    document->code->SetText("precious");
    document->code_KeyDown(Qt::Key_Down, 0);
    services.messageAnswers.push_back(MsgAnswer::Yes);
    EXPECT_FALSE(Close(document));
    ASSERT_EQ(services.count("MsgBox"), 2);
    const auto report = services.callsOf("MsgBox")[1];
    EXPECT_EQ(report.text.count(QDir::toNativeSeparators(path)), 1) << report.text.toStdString();
    EXPECT_EQ(report.icon, MsgIcon::Exclamation);
    EXPECT_EQ(main->ActiveDocument(), document);
    EXPECT_EQ(document->code->Text(), "precious");
    services.messageAnswers.push_back(MsgAnswer::No);
}
