// Edit > Cut, Copy, Paste and Undo: plain text between the clipboard and the active source
// window's selection, the file-browser guard, and the steps skipped without a source window.
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMimeData>
#include <QTest>

#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "workspace/frmBrows.h"

namespace {

class EditCommands : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        clipboard()->clear();
    }
    static QClipboard* clipboard() { return QGuiApplication::clipboard(); }

    // A new source window holding text, with [start, start + length) selected.
    RichTextBox& NewWindow(const QString& text, int start, int length) {
        main->NewDocument();
        RichTextBox& code = *main->ActiveDocument()->code;
        code.SetText(text);
        code.SetSelStart(start);
        code.SetSelLength(length);
        return code;
    }
    void CloseEveryChild() {
        main->mdiArea->closeAllSubWindows();
        QApplication::processEvents();
        ASSERT_EQ(main->ActiveForm(), nullptr);
    }
};

TEST_F(EditCommands, CutCopyAndPasteMovePlainTextThroughTheClipboard) {
    RichTextBox& code = NewWindow("int main;", 4, 4);
    main->mnuEditCopy_Click();
    EXPECT_EQ(clipboard()->text(), "main");
    EXPECT_EQ(code.Text(), "int main;");

    main->mnuEditCut_Click();
    EXPECT_EQ(clipboard()->text(), "main");
    EXPECT_EQ(code.Text(), "int ;");

    // No selection: inserted at the caret.
    code.SetSelStart(0);
    main->mnuEditPaste_Click();
    EXPECT_EQ(code.Text(), "mainint ;");
    // A selection is replaced.
    code.SetSelStart(4);
    code.SetSelLength(3);
    main->mnuEditPaste_Click();
    EXPECT_EQ(code.Text(), "mainmain ;");
}

// Other programs get the platform's line breaks, from the menu and from the control's own keys;
// text pasted in any style is CR LF inside.
TEST_F(EditCommands, ClipboardTextHasThePlatformsBreaksAndPastedTextCrLf) {
#ifdef Q_OS_WIN
    const QString outside = "a\r\nb\r\n";
#else
    const QString outside = "a\nb\n";
#endif
    RichTextBox& code = NewWindow("a\r\nb\r\nc", 0, 6);
    main->mnuEditCopy_Click();
    EXPECT_EQ(clipboard()->text(), outside);
    clipboard()->clear();
    main->mnuEditCut_Click();
    EXPECT_EQ(clipboard()->text(), outside);
    clipboard()->clear();
    code.SetText("a\r\nb\r\nc");
    code.SetSelStart(0);
    code.SetSelLength(6);
    QTest::keyClick(&code, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard()->text(), outside);

    clipboard()->setText("x\ny\r\nz\rw");
    code.SetSelStart(code.TextLength());
    main->mnuEditPaste_Click();
    QTest::keyClick(&code, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(code.Text(), "a\r\nb\r\ncx\r\ny\r\nz\r\nwx\r\ny\r\nz\r\nw");
}

TEST_F(EditCommands, EmptySelectionEmptiesTheClipboard) {
    RichTextBox& code = NewWindow("abc", 1, 0);
    clipboard()->setText("old");
    main->mnuEditCopy_Click();
    EXPECT_EQ(clipboard()->text(), "");

    clipboard()->setText("old");
    main->mnuEditCut_Click();
    EXPECT_EQ(clipboard()->text(), "");
    EXPECT_EQ(code.Text(), "abc");
}

TEST_F(EditCommands, PasteOfAnEmptyClipboardDeletesTheSelection) {
    RichTextBox& code = NewWindow("keep this", 4, 5);
    main->mnuEditPaste_Click();
    EXPECT_EQ(code.Text(), "keep");
}

TEST_F(EditCommands, NothingHappensWhileTheFileBrowserIsActive) {
    RichTextBox& code = NewWindow("hello", 0, 5);
    main->mdiArea->setActiveSubWindow(main->Brows);
    ASSERT_TRUE(main->ActiveIsBrowser());
    clipboard()->setText("clip");

    main->mnuEditCut_Click();
    main->mnuEditCopy_Click();
    main->mnuEditPaste_Click();
    EXPECT_EQ(clipboard()->text(), "clip");
    EXPECT_EQ(code.Text(), "hello");
    EXPECT_EQ(code.SelLength(), 5);
}

TEST_F(EditCommands, WithoutASourceWindowCutAndCopyStillClearTheClipboard) {
    CloseEveryChild();
    clipboard()->setText("old");
    main->mnuEditCut_Click();
    EXPECT_EQ(clipboard()->text(), "");

    clipboard()->setText("old");
    main->mnuEditCopy_Click();
    EXPECT_EQ(clipboard()->text(), "");

    clipboard()->setText("old");
    main->mnuEditPaste_Click(); // nothing to paste into; the program runs on
    EXPECT_EQ(clipboard()->text(), "old");
    EXPECT_EQ(services.count("MsgBox"), 0);
}

// Colours stay behind: the clipboard gets plain text only, and the pasted text is not coloured
// as a directive although it starts with "#".
TEST_F(EditCommands, CutInOneWindowAndPasteInAnotherCarriesPlainTextOnly) {
    RichTextBox& first = NewWindow("#define X\r\nint y;", 0, 9);
    first.SetSelColor(16711680);
    main->mnuEditCut_Click();
    const QMimeData* data = clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList{"text/plain"});

    RichTextBox& second = NewWindow("", 0, 0);
    main->mnuEditPaste_Click();
    EXPECT_EQ(second.Text(), "#define X");
    EXPECT_NE(second.ColourAt(0), 16711680);
    EXPECT_EQ(first.Text(), "\r\nint y;");
}

TEST_F(EditCommands, MenuCutAndPasteDoNotMarkTheWindowChanged) {
    NewWindow("abc def", 0, 3);
    frmDocument* document = main->ActiveDocument();
    main->mnuEditCut_Click();
    main->mnuEditPaste_Click();
    EXPECT_FALSE(document->Changed());
    document->close();
    QApplication::processEvents();
    EXPECT_EQ(services.count("MsgBox"), 0); // no save question
}

TEST_F(EditCommands, UndoOnlyShowsItsPlaceholderMessage) {
    NewWindow("abc", 0, 1);
    main->mnuEditUndo_Click();
    CloseEveryChild();
    main->mnuEditUndo_Click();
    ASSERT_EQ(services.count("MsgBox"), 2);
    for (const auto& call : services.callsOf("MsgBox")) {
        EXPECT_EQ(call.text, "Add 'mnuEditUndo_Click' code.");
        EXPECT_EQ(call.buttons, MsgButtons::OK);
        EXPECT_EQ(call.icon, MsgIcon::None);
        EXPECT_EQ(call.title, "Kelto");
    }
}

} // namespace
