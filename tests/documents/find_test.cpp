// Edit > Find, the Find window, the timer's pending-search step and Find Again: the start
// positions the searches take, the options each one passes, and the cases that search nothing.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

#include "documents/frmDocument.h"
#include "documents/frmFind.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "workspace/frmBrows.h"

namespace {

class FindCommands : public ProgramFixture {
protected:
    // Lets closed windows go, as the event loop does once a handler has returned.
    static void Settle() {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    RichTextBox& NewWindow(const QString& text) {
        main->NewDocument();
        RichTextBox& code = *main->ActiveDocument()->code;
        code.SetText(text);
        code.SetSelStart(0);
        return code;
    }
    // Edit > Find, the text and options typed in, Find pressed, then the next tick.
    void FindThroughTheWindow(const QString& text, bool wholeWord = false, bool matchCase = false) {
        main->mnuEditFind_Click();
        ASSERT_TRUE(main->Find);
        main->Find->txtFind->setText(text);
        main->Find->chkMWW->setChecked(wholeWord);
        main->Find->chkMC->setChecked(matchCase);
        main->Find->cmdFind->click();
        Settle(); // the closed window goes away
        main->Timer1_Timer();
    }
};

TEST_F(FindCommands, FindWindowLayout) {
    main->NewDocument();
    main->mnuEditFind_Click();
    frmFind* find = main->Find;
    ASSERT_TRUE(find);
    EXPECT_EQ(main->ActiveForm(), find);
    EXPECT_EQ(find->windowTitle(), "Find");
    EXPECT_EQ(find->Label1->text(), "Find What: ");
    EXPECT_EQ(find->cmdFind->text(), "Find");
    EXPECT_EQ(find->chkMWW->text(), "Match Whole Word");
    EXPECT_EQ(find->chkMC->text(), "Match Case");
    EXPECT_EQ(find->cmdCancel->text(), "Cancel");
    EXPECT_TRUE(find->txtFind->text().isEmpty());
    EXPECT_FALSE(find->chkMWW->isChecked());
    EXPECT_FALSE(find->chkMC->isChecked());
    EXPECT_FALSE(find->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(find->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(find->minimumSize(), find->maximumSize()); // fixed border

    // Two rows: the text box and Find on the first, the check boxes and Cancel below.
    EXPECT_EQ(find->txtFind->y(), find->cmdFind->y());
    EXPECT_LT(find->cmdFind->y(), find->cmdCancel->y());
    EXPECT_EQ(find->chkMWW->geometry().center().y(), find->chkMC->geometry().center().y());

    // The Find button has the focus; Tab goes Find, Cancel, text box, the two check boxes.
    EXPECT_EQ(find->widget()->focusWidget(), find->cmdFind);
    QWidget* expected[] = {find->cmdCancel, find->txtFind, find->chkMWW, find->chkMC};
    QWidget* at = find->cmdFind;
    for (QWidget* next : expected) {
        at = at->nextInFocusChain();
        while (at->focusPolicy() == Qt::NoFocus)
            at = at->nextInFocusChain();
        EXPECT_EQ(at, next);
    }
}

TEST_F(FindCommands, EnterPressesTheFocusedButtonAndEscDoesNothing) {
    main->NewDocument();
    main->mnuEditFind_Click();
    QPointer<frmFind> find = main->Find;
    find->txtFind->setText("x");
    QTest::keyClick(find->cmdFind, Qt::Key_Escape);
    Settle();
    ASSERT_TRUE(find);
    EXPECT_TRUE(program->module1.PendingFindText.isEmpty());

    QTest::keyClick(find->cmdCancel, Qt::Key_Return);
    Settle();
    EXPECT_FALSE(find); // Cancel pressed: closed and destroyed, no request
    ASSERT_TRUE(main->ActiveForm()) << "none";
    ASSERT_TRUE(main->ActiveDocument()) << main->ActiveForm()->metaObject()->className();
    EXPECT_TRUE(program->module1.PendingFindText.isEmpty());

    main->mnuEditFind_Click();
    ASSERT_TRUE(main->Find);
    main->Find->txtFind->setText("y");
    QTest::keyClick(main->Find->cmdFind, Qt::Key_Return);
    Settle();
    EXPECT_FALSE(main->Find);
    EXPECT_EQ(program->module1.PendingFindText, "y");
}

TEST_F(FindCommands, OneSharedWindowKeepsItsContentsUntilItCloses) {
    main->NewDocument();
    main->mnuEditFind_Click();
    frmFind* find = main->Find;
    find->txtFind->setText("kept");
    find->chkMC->setChecked(true);
    main->NewDocument(); // another child comes to the front
    main->mnuEditFind_Click();
    EXPECT_EQ(main->Find, find);
    EXPECT_EQ(main->ActiveForm(), find);
    EXPECT_EQ(find->txtFind->text(), "kept");
    EXPECT_TRUE(find->chkMC->isChecked());

    find->close(); // its own close button: the same as Cancel
    Settle();
    EXPECT_FALSE(main->Find);
    EXPECT_TRUE(program->module1.PendingFindText.isEmpty());
    main->mnuEditFind_Click();
    EXPECT_TRUE(main->Find->txtFind->text().isEmpty());
    EXPECT_FALSE(main->Find->chkMC->isChecked());
}

TEST_F(FindCommands, FindButtonRecordsTextAndModeAndCloses) {
    struct Row {
        bool wholeWord, matchCase;
        int mode;
    };
    main->NewDocument();
    for (const Row row :
         {Row{true, true, 1}, Row{true, false, 2}, Row{false, true, 3}, Row{false, false, 4}}) {
        main->mnuEditFind_Click();
        ASSERT_TRUE(main->Find);
        main->Find->txtFind->setText(" Two words ");
        main->Find->chkMWW->setChecked(row.wholeWord);
        main->Find->chkMC->setChecked(row.matchCase);
        main->Find->cmdFind_Click();
        Settle();
        EXPECT_FALSE(main->Find);
        EXPECT_EQ(program->module1.PendingFindText, " Two words ");
        EXPECT_EQ(program->module1.FindMode, row.mode);
    }
}

TEST_F(FindCommands, FirstSearchStartsAtOneSoAMatchAtZeroIsSkipped) {
    RichTextBox& code = NewWindow("abxab");
    FindThroughTheWindow("ab");
    EXPECT_EQ(main->ActiveDocument()->code, &code); // the source window is active again
    EXPECT_EQ(main->LastFindPos, 3);
    EXPECT_EQ(main->LastFindText, "ab");
    EXPECT_EQ(code.SelStart(), 3);
    EXPECT_EQ(code.SelLength(), 2);
    EXPECT_TRUE(program->module1.PendingFindText.isEmpty());
}

TEST_F(FindCommands, FindAgainSkipsTheCharacterAfterAMatch) {
    RichTextBox& code = NewWindow("xabab");
    FindThroughTheWindow("ab");
    EXPECT_EQ(main->LastFindPos, 1);
    main->mnuEditFA_Click(); // starts at 4: the adjacent match at 3 is not examined
    EXPECT_EQ(main->LastFindPos, -1);
    EXPECT_EQ(code.SelStart(), 1); // nothing found: the selection stays
    EXPECT_EQ(code.SelLength(), 2);
    main->mnuEditFA_Click(); // starts at -1 + 2 + 1 = 2
    EXPECT_EQ(main->LastFindPos, 3);
    EXPECT_EQ(services.count("MsgBox"), 0);
}

TEST_F(FindCommands, ANewFindContinuesFromThePreviousMatch) {
    NewWindow("0123456789abcdef");
    main->LastFindText = "abc";
    main->LastFindPos = 4; // the next search starts at 4 + 3 + 1 = 8
    program->module1.PendingFindText = "7";
    program->module1.FindMode = 4;
    main->Timer1_Timer();
    EXPECT_EQ(main->LastFindPos, -1);
    program->module1.PendingFindText = "9";
    main->Timer1_Timer(); // starts at 1 + -1 + 1 = 1
    EXPECT_EQ(main->LastFindPos, 9);
}

TEST_F(FindCommands, MatchCaseEachWay) {
    NewWindow("xx foo Foo");
    FindThroughTheWindow("Foo", false, true);
    EXPECT_EQ(main->LastFindPos, 7);
    main->LastFindText.clear();
    main->LastFindPos = 0;
    FindThroughTheWindow("Foo", false, false);
    EXPECT_EQ(main->LastFindPos, 3);
}

TEST_F(FindCommands, MatchWholeWordEachWay) {
    NewWindow("x print(int);");
    FindThroughTheWindow("int", true, false);
    EXPECT_EQ(main->LastFindPos, 8);
    main->LastFindText.clear();
    main->LastFindPos = 0;
    FindThroughTheWindow("int", false, false);
    EXPECT_EQ(main->LastFindPos, 4);
    // Both options at once.
    main->LastFindText.clear();
    main->LastFindPos = 0;
    FindThroughTheWindow("INT", true, true);
    EXPECT_EQ(main->LastFindPos, -1);
}

TEST_F(FindCommands, FindAgainIgnoresTheOptionsOfTheLastFind) {
    // With the options of the Find (whole word, match case) the next match would be the "Foo"
    // at 12; Find Again takes the "foo" inside "xfoox" at 7.
    NewWindow("x Foo xfoox Foo");
    FindThroughTheWindow("Foo", true, true);
    ASSERT_EQ(main->LastFindPos, 2);
    ASSERT_EQ(main->LastFindText, "Foo");
    main->mnuEditFA_Click(); // starts at 2 + 3 + 1 = 6
    EXPECT_EQ(main->LastFindPos, 7);
    EXPECT_EQ(main->LastFindText, "Foo");
}

TEST_F(FindCommands, EmptyFindSearchesNothing) {
    RichTextBox& code = NewWindow("abcabc");
    main->LastFindText = "bc";
    main->LastFindPos = 1;
    FindThroughTheWindow("");
    EXPECT_EQ(main->LastFindText, "bc");
    EXPECT_EQ(main->LastFindPos, 1);
    EXPECT_EQ(code.SelLength(), 0);

    main->LastFindText.clear();
    main->mnuEditFA_Click(); // nothing searched before: nothing to repeat
    EXPECT_EQ(main->LastFindPos, 1);
}

TEST_F(FindCommands, NothingWhileTheFileBrowserIsActive) {
    NewWindow("abab");
    main->mdiArea->setActiveSubWindow(main->Brows);
    main->mnuEditFind_Click();
    EXPECT_FALSE(main->Find);
    main->LastFindText = "ab";
    main->mnuEditFA_Click();
    EXPECT_EQ(main->LastFindPos, 0);
}

// The Find window itself (F3 pressed in it), the browser after the Find window closed, or no
// child at all: the request is used up, the search state and every window stay as they were.
TEST_F(FindCommands, WithoutASourceWindowActiveTheSearchKeepsItsState) {
    NewWindow("abab");
    main->LastFindText = "ab";
    main->LastFindPos = 0;
    main->mnuEditFind_Click();
    main->mnuEditFA_Click();
    program->module1.PendingFindText = "ba";
    program->module1.FindMode = 4;
    main->Timer1_Timer();
    EXPECT_TRUE(program->module1.PendingFindText.isEmpty());
    EXPECT_EQ(main->LastFindText, "ab");
    EXPECT_EQ(main->LastFindPos, 0);

    main->mdiArea->setActiveSubWindow(main->Brows);
    program->module1.PendingFindText = "ba";
    main->Timer1_Timer();
    EXPECT_EQ(main->LastFindText, "ab");

    main->mdiArea->closeAllSubWindows();
    Settle();
    program->module1.PendingFindText = "ba";
    main->Timer1_Timer();
    main->mnuEditFA_Click();
    EXPECT_EQ(main->LastFindText, "ab");
    EXPECT_EQ(main->LastFindPos, 0);
}

} // namespace
