// Colouring while typing: real key events into a colour-coded window, one timer tick after
// each character as when the user types slower than the timer.
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QTest>

#include "ColourTestSupport.h"
#include "documents/frmDocument.h"
#include "support/ProgramFixture.h"
#include "workspace/frmBrows.h"

using colourtest::Mask;
using colourtest::WindowWith;

namespace {

class Typing : public ProgramFixture {
protected:
    RichTextBox& ColourCodedWindow(const QString& text = {}) {
        RichTextBox& code = WindowWith(*main, text);
        main->ActiveDocument()->ccode = true;
        main->Timer1_Timer();
        return code;
    }
    void Type(RichTextBox& code, const QString& text) {
        for (const QChar c : text) {
            if (c == QLatin1Char('\r')) {
                QTest::keyClick(&code, Qt::Key_Return);
            } else {
                QTest::keyClicks(&code, QString(c));
            }
            main->Timer1_Timer();
        }
    }
    void Key(RichTextBox& code, Qt::Key key) {
        QTest::keyClick(&code, key);
        main->Timer1_Timer();
    }
};

// A "/" typed just before a character outside the Basic Multilingual Plane colours its own line
// only, and the next key lands behind it (once, the colour ran from the top of the text and the
// caret jumped to position 1).
TEST_F(Typing, SlashBeforeACharacterOutsideTheBmpColoursItsLineOnly) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    RichTextBox& code = ColourCodedWindow("int a;\r\nx " + emoji + " y\r\nz\r\n");
    main->InComment = false;
    code.SetSelStart(10);
    Type(code, "/q");
    EXPECT_EQ(code.Text(), "int a;\r\nx /q" + emoji + " y\r\nz\r\n");
    EXPECT_EQ(code.SelStart(), 12);
    EXPECT_EQ(Mask(code), "..........CCCCCCC....");
}

TEST_F(Typing, DirectiveKeywordAndItsSpaceTurnBlueTheRestStaysBlack) {
    RichTextBox& code = ColourCodedWindow();
    Type(code, "#include <a.h>\rint");
    EXPECT_EQ(code.Text(), "#include <a.h>\r\nint");
    EXPECT_EQ(Mask(code), "DDDDDDDDD..........");
    EXPECT_FALSE(main->InDirective);
}

TEST_F(Typing, SlashColoursTheRestOfTheLineAndWhatFollows) {
    RichTextBox& code = ColourCodedWindow();
    Type(code, "x = a / b; more");
    EXPECT_EQ(Mask(code), "......CCCCCCCCC");
    EXPECT_TRUE(main->InComment);

    // In the middle of an existing line: from the "/" through that line's CR only.
    RichTextBox& other = ColourCodedWindow("int a; x\r\nnext\r\n");
    main->InComment = false;
    other.SetSelStart(7);
    Type(other, "/");
    EXPECT_EQ(other.Text(), "int a; /x\r\nnext\r\n");
    EXPECT_EQ(Mask(other), ".......CCC.......");
    EXPECT_EQ(other.SelStart(), 8);
    EXPECT_EQ(other.SelLength(), 0);
}

// The tick colours by pointing at text with the selection. The editor never holds those
// selections: it would publish each as the X11 primary selection (what a middle click pastes,
// here the user's "MARKER" from another program) and repaint all it shows for it. Where the
// platform has no primary selection (offscreen), the editor's own selection shows the same.
TEST_F(Typing, TheTickLeavesThePrimarySelectionAlone) {
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard->supportsSelection())
        clipboard->setText("MARKER", QClipboard::Selection);
    RichTextBox& code = ColourCodedWindow("int a;\r\nb c\r\n");
    main->InComment = false;
    main->InDirective = false;
    int moves = 0;
    bool editorSelected = false;
    QObject::connect(&code, &RichTextBox::SelChange, [&] {
        ++moves;
        editorSelected |= code.EditorHoldsSelection();
    });
    code.SetSelStart(6);
    Type(code, "/");
    code.SetSelStart(10);
    Type(code, "#");
    EXPECT_EQ(Mask(code), "......CC..D....");
    EXPECT_GE(moves, 8); // the steps moved the selection, as they do
    EXPECT_FALSE(editorSelected);
    EXPECT_EQ(code.SelLength(), 0);
    if (clipboard->supportsSelection()) {
        EXPECT_EQ(clipboard->text(QClipboard::Selection), QString("MARKER"));
    }
}

TEST_F(Typing, EnterEndsACommentAndSpaceEndsOnlyADirective) {
    RichTextBox& code = ColourCodedWindow();
    Type(code, "// c\rx");
    EXPECT_FALSE(main->InComment);
    EXPECT_EQ(Mask(code).back(), '.');

    Type(code, "#a/ b");
    EXPECT_FALSE(main->InDirective);
    EXPECT_TRUE(main->InComment); // a space does not end a comment
    EXPECT_EQ(Mask(code).substr(7), "DDCCC");
}

TEST_F(Typing, BackspaceOverTheHashKeepsTheDirectiveGoing) {
    // A plain colour of its own, so that a reset to it would show.
    constexpr long Red = 255;
    program->colorCode.PlainColor = QString::number(Red);
    RichTextBox& code = ColourCodedWindow();
    Type(code, "#");
    Key(code, Qt::Key_Backspace);
    EXPECT_EQ(code.Text(), "");
    EXPECT_TRUE(main->InDirective);
    const long left = code.InsertionColour();
    EXPECT_NE(left, Red);
    // Step 2 no longer resets the colour, so the next word takes the insertion colour left.
    Type(code, "ab ");
    EXPECT_FALSE(main->InDirective);
    EXPECT_EQ(code.ColourAt(0), left);
    EXPECT_EQ(code.ColourAt(1), left);
}

TEST_F(Typing, OnlyTheLastKeyBeforeATickIsServed) {
    RichTextBox& code = ColourCodedWindow();
    QTest::keyClicks(&code, "#x");
    main->Timer1_Timer();
    EXPECT_EQ(Mask(code), "..");
    EXPECT_FALSE(main->InDirective);
}

TEST_F(Typing, CaretAtTheStartLeavesTheTextAndStillSetsTheFlag) {
    RichTextBox& code = ColourCodedWindow("ab\r\ncd\r\n");
    for (const char key : {'#', '/'}) {
        code.SetSelStart(0);
        program->module1.PendingKey = key;
        program->module1.KeyPending = true;
        main->Timer1_Timer();
        EXPECT_EQ(Mask(code), "........");
        EXPECT_EQ(code.SelStart(), 0);
        EXPECT_EQ(program->module1.PendingKey, key);
    }
    EXPECT_TRUE(main->InDirective);
    EXPECT_TRUE(main->InComment);
}

TEST_F(Typing, DoesNothingWithoutAnActiveSourceWindow) {
    ColourCodedWindow();
    main->mdiArea->setActiveSubWindow(main->Brows);
    std::int16_t key = '#';
    EXPECT_EQ(main->KeyPressEvent(key), 0);
    EXPECT_EQ(key, '#');
    EXPECT_FALSE(main->InDirective);
}

} // namespace
