// The rich text control: positions over CR LF and multi-byte characters, colours and the
// insertion colour, the key and selection events, files and search.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

#include "platform/RichTextBox.h"
#include "platform/RichTextBoxEngine.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "support/TestFiles.h"

namespace {

constexpr long Blue = 16711680;
constexpr long Green = 32768;
constexpr long Red = 255;

class RichTextBoxTest : public ::testing::Test {
protected:
    RichTextBox box;

    void Select(int start, int length) {
        box.SetSelStart(start);
        box.SetSelLength(length);
    }
    void Colour(int start, int length, long colour) {
        Select(start, length);
        box.SetSelColor(colour);
    }
};

// ---- Positions -------------------------------------------------------------------------------

TEST_F(RichTextBoxTest, LineBreaksAreCrLfAndCountTwice) {
    box.SetText("ab\ncd\r\n\nef\r");
    EXPECT_EQ(box.Text(), QString("ab\r\ncd\r\n\r\nef\r\n"));
    EXPECT_EQ(box.TextLength(), 14);
    EXPECT_EQ(box.SelStart(), 0);
}

TEST_F(RichTextBoxTest, SelectionMayEndOnTheCarriageReturn) {
    box.SetText("#x\r\nint y;\r\n");
    Select(0, 3); // "#x" and the CR, not the LF
    EXPECT_EQ(box.SelStart(), 0);
    EXPECT_EQ(box.SelLength(), 3);
    EXPECT_EQ(box.SelText(), QString("#x\r"));
    box.SetSelColor(Green);
    EXPECT_EQ(box.ColourAt(2), Green);
    EXPECT_EQ(box.ColourAt(3), 0); // the LF keeps its colour

    Select(3, 1); // the LF alone
    EXPECT_EQ(box.SelText(), QString("\n"));
    Select(box.TextLength(), 5); // at the end, the selection stays empty
    EXPECT_EQ(box.SelStart(), box.TextLength());
    EXPECT_EQ(box.SelLength(), 0);
    Select(-3, 2);
    EXPECT_EQ(box.SelStart(), 0);
    Select(9999, 0);
    EXPECT_EQ(box.SelStart(), box.TextLength());
}

TEST_F(RichTextBoxTest, LineOfEachPositionAroundBreaks) {
    box.SetText("ab\r\n\r\ncd");
    //           0123 45 67
    const int expected[] = {0, 0, 0, 0, 1, 1, 2, 2, 2};
    for (int position = 0; position <= box.TextLength(); ++position)
        EXPECT_EQ(box.GetLineFromChar(position), expected[position]) << position;
    EXPECT_EQ(box.GetLineFromChar(100), 2);
}

TEST_F(RichTextBoxTest, MultiByteCharactersKeepStringPositions) {
    // é (2 bytes), € (3 bytes), an emoji (4 bytes, two UTF-16 units), on several lines.
    const QString text =
        QString::fromUtf8("\xC3\xA9x\r\n\xE2\x82\xAC\xF0\x9F\x98\x80y\r\n\r\nz\xC3\xA9");
    box.SetText(text);
    EXPECT_EQ(box.Text(), text);
    EXPECT_EQ(box.TextLength(), text.size());
    const QByteArray utf8 = text.toUtf8();
    EXPECT_EQ(QByteArray(box.Utf8View().data(), qsizetype(box.Utf8View().size())), utf8);

    for (int c = 0; c <= text.size(); ++c) {
        const int expectedByte = int(text.left(c).toUtf8().size());
        if (c > 0 && text[c - 1].isHighSurrogate())
            continue; // inside the emoji
        EXPECT_EQ(box.ByteFromChar(c), expectedByte) << c;
        EXPECT_EQ(box.CharFromByte(expectedByte), c) << c;
        EXPECT_EQ(box.GetLineFromChar(c), text.left(c).count(u'\n')) << c;
    }
    for (int start = 0; start < text.size(); ++start) {
        if (text[start].isLowSurrogate())
            continue;
        for (int length = 0; start + length <= text.size(); ++length) {
            if (start + length < text.size() && text[start + length].isLowSurrogate())
                continue;
            Select(start, length);
            ASSERT_EQ(box.SelStart(), start);
            ASSERT_EQ(box.SelLength(), length);
            ASSERT_EQ(box.SelText(), text.mid(start, length));
        }
    }
}

// The line of a position: line ends before it, a CR LF counting once (a position on its LF is
// still on the CR's line), a lone CR or LF once each.
int LineOf(const QString& text, int position) {
    int line = 0;
    for (int i = 0; i < position; ++i) {
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

// Every position of the text box holds: its byte, its line, and the selections of the given
// lengths that start there agree with QString. A position between the halves of a surrogate
// pair stands for the character's start.
void ExpectPositionsOf(RichTextBox& box, const QString& text, std::initializer_list<int> lengths) {
    ASSERT_EQ(box.Text(), text);
    ASSERT_EQ(box.TextLength(), text.size());
    for (int p = 0; p <= text.size(); ++p) {
        const int at = p > 0 && p < text.size() && text[p].isLowSurrogate() ? p - 1 : p;
        const int byte = int(text.left(at).toUtf8().size());
        ASSERT_EQ(box.ByteFromChar(p), byte) << p;
        ASSERT_EQ(box.CharFromByte(byte), at) << p;
        ASSERT_EQ(box.GetLineFromChar(p), LineOf(text, at)) << p;
        for (const int length : lengths) {
            box.SetSelStart(p);
            box.SetSelLength(length);
            ASSERT_EQ(box.SelStart(), at) << p;
            ASSERT_EQ(box.SelText(), text.mid(at, box.SelLength())) << p;
        }
    }
}

// Every position of any text maps to a character: a position between the halves of a surrogate
// pair stands for the character's start (once, it mapped to byte 0), and selections, the caret's
// line and the text between agree with QString. The text goes in as a binary file's would, line
// breaks untouched.
TEST_F(RichTextBoxTest, EveryPositionLandsOnACharacterInAnyText) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString texts[] = {
        "int x; " + emoji,                                     // the last character outside the BMP
        emoji + emoji + QString::fromUtf8("\xF0\xA0\x80\x80"), // and a CJK Extension-B ideograph
        QString::fromUtf8("e\xCC\x81\xCC\xA3x\r\n"),           // combining marks
        QString::fromUtf8("a\0b\r\n\0", 6),                    // NULs
        QString::fromUtf8("\xEF\xBB\xBF#a\xEF\xBB\xBF"),       // U+FEFF, first and inside
        "a\rb\nc\r\n" + emoji + "\r",                          // lone CR and LF
    };
    for (const QString& text : texts) {
        box.RestoreText(text.toUtf8(), {}, {}, {});
        ExpectPositionsOf(box, text, {1});
        if (HasFatalFailure())
            return;
    }
    // Bytes that are no UTF-8 (only a raw editor message can put them there) count as a
    // character each, as the editor counts them.
    box.SetText("");
    RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, 7,
                                             "a\xFF\xC3(\xF0\x9F\n");
    ASSERT_EQ(box.TextLength(), 7);
    for (int p = 0; p <= 7; ++p)
        EXPECT_EQ(box.CharFromByte(box.ByteFromChar(p)), p) << p;
}

// ---- Colours and the insertion colour ------------------------------------------------------

TEST_F(RichTextBoxTest, SelColorColoursTheSelectionInEitherForm) {
    box.SetText("#include <a.h>\r\n// note\r\n");
    Colour(0, 9, Blue);
    Select(16, 8);
    box.SetSelColor(QString("32768"));
    Select(10, 1);
    box.SetSelColor(QString("255"));
    EXPECT_EQ(box.ColourAt(0), Blue);
    EXPECT_EQ(box.ColourAt(8), Blue);
    EXPECT_EQ(box.ColourAt(9), 0);
    EXPECT_EQ(box.ColourAt(10), Red);
    EXPECT_EQ(box.ColourAt(16), Green);
    EXPECT_EQ(box.ColourAt(23), Green);
    EXPECT_EQ(box.ColourAt(24), 0);
    EXPECT_THROW(box.SetSelColor(QString("blue")), RuntimeError);
    EXPECT_THROW(box.SetSelColor(-1), RuntimeError);
}

TEST_F(RichTextBoxTest, InsertionColourFollowsSelColorAndTheCaret) {
    box.SetText("ab\r\ncd");
    Colour(1, 1, Blue); // "b" blue
    box.SetSelStart(2);
    EXPECT_EQ(box.InsertionColour(), Blue); // the character before the caret
    box.SetSelColor(Green);                 // empty selection: only the insertion colour
    EXPECT_EQ(box.InsertionColour(), Green);
    EXPECT_EQ(box.ColourAt(2), 0);
    box.SetSelStart(1);
    EXPECT_EQ(box.InsertionColour(), 0);
    box.SetSelStart(0);
    EXPECT_EQ(box.InsertionColour(), 0);
    Colour(0, 1, Red);
    box.SetSelStart(0);
    EXPECT_EQ(box.InsertionColour(), 0); // nothing before position 0: plain black
}

TEST_F(RichTextBoxTest, InsertionColourAfterABreakIsThatOfTheLineFeed) {
    box.SetText(QString::fromUtf8("// c\r\n\xE2\x82\xAC\r\n"));
    Colour(0, 5, Green); // through the CR, as the comment pass colours
    box.SetSelStart(6);
    EXPECT_EQ(box.InsertionColour(), 0);
    Colour(6, 1, Blue);
    box.SetSelStart(7); // after the three-byte euro sign
    EXPECT_EQ(box.InsertionColour(), Blue);
    Select(6, 1); // a selection types in the colour of its first character
    EXPECT_EQ(box.InsertionColour(), Blue);
}

TEST_F(RichTextBoxTest, TypedAndSetTextTakesTheInsertionColour) {
    box.SetText("ab");
    box.SetSelStart(1);
    box.SetSelColor(Blue);
    QTest::keyClicks(&box, "xy");
    EXPECT_EQ(box.Text(), QString("axyb"));
    EXPECT_EQ(box.ColourAt(1), Blue);
    EXPECT_EQ(box.ColourAt(2), Blue);
    EXPECT_EQ(box.ColourAt(3), 0);
    EXPECT_EQ(box.SelStart(), 3);

    box.SetSelColor(Green);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.Text(), QString("axy\r\nb"));
    EXPECT_EQ(box.ColourAt(3), Green);
    EXPECT_EQ(box.ColourAt(4), Green);

    box.SetSelStart(box.TextLength());
    EXPECT_EQ(box.InsertionColour(), 0);
    box.SetSelColor(Red);
    box.SetSelText(QString::fromUtf8("\xE2\x82\xAC\n!"));
    EXPECT_EQ(box.Text(), QString::fromUtf8("axy\r\nb\xE2\x82\xAC\r\n!"));
    EXPECT_EQ(box.SelStart(), box.TextLength());
    for (int p = 6; p < box.TextLength(); ++p)
        EXPECT_EQ(box.ColourAt(p), Red) << p;

    // Replacing a selection.
    Select(0, 3);
    box.SetSelText("Q");
    EXPECT_EQ(box.Text().left(3), QString("Q\r\n"));
}

TEST_F(RichTextBoxTest, PastedTextIsCrLfAndTakesTheInsertionColour) {
    box.SetText("ab");
    box.SetSelStart(1);
    box.SetSelColor(Blue);
    QApplication::clipboard()->setText("x\ny\rz");
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.Text(), QString("ax\r\ny\r\nzb"));
    for (int p = 1; p < 8; ++p)
        EXPECT_EQ(box.ColourAt(p), Blue) << p;
    EXPECT_EQ(box.ColourAt(8), 0);
}

TEST_F(RichTextBoxTest, StylingStaysOutOfTheUndoHistory) {
    box.SetText("abc");
    QTest::keyClicks(&box, "x");
    Colour(0, 4, Blue);
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box.Text(), QString("abc"));
    EXPECT_EQ(box.ColourAt(0), Blue);
}

TEST_F(RichTextBoxTest, ApplyColoursStylesRangesWithoutMovingTheSelection) {
    box.SetText(QString::fromUtf8("\xC3\xA9#a b\r\n// c\r\n"));
    Select(2, 1);
    QSignalSpy changes(&box, &RichTextBox::SelChange);
    const ColourRange ranges[] = {{1, 4, Blue}, {7, 5, Green}, {3, 1, Red}, {0, 0, Red}};
    box.ApplyColours(ranges);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(box.SelStart(), 2);
    EXPECT_EQ(box.SelLength(), 1);
    const long expected[] = {0, Blue, Blue, Red, Blue, 0, 0, Green, Green, Green, Green, Green, 0};
    for (int p = 0; p < 13; ++p)
        EXPECT_EQ(box.ColourAt(p), expected[p]) << p;
}

TEST_F(RichTextBoxTest, FontAppliesToEveryStyle) {
    box.SetText("ab");
    Colour(0, 1, Blue);
    QFont courier("Courier");
    courier.setPointSizeF(9.75);
    box.setFont(courier);
    for (int style : {0, 1, int(QsciScintillaBase::STYLE_DEFAULT)}) {
        EXPECT_EQ(RichTextBoxEngine::Of(box).SendScintilla(
                      QsciScintillaBase::SCI_STYLEGETSIZEFRACTIONAL, style),
                  975);
        char name[64] = {};
        RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, style, name);
        EXPECT_STREQ(name, "Courier");
    }
    Colour(1, 1, Green); // a style made after the font was set
    EXPECT_EQ(
        RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZEFRACTIONAL, 2),
        975);
}

// ---- Events ----------------------------------------------------------------------------------

TEST_F(RichTextBoxTest, KeyPressComesBeforeTheCharacterIsInserted) {
    box.SetText("");
    QStringList seen;
    QList<int> codes;
    QObject::connect(&box, &RichTextBox::KeyPress, [&](int& keyAscii) {
        codes << keyAscii;
        seen << box.Text();
    });
    QTest::keyClicks(&box, "a#");
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Tab);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Left);
    EXPECT_EQ(codes, QList<int>({'a', '#', 13, 9, 8}));
    EXPECT_EQ(seen, QStringList({"", "a", "a#", "a#\r\n", "a#\r\n\t"}));
    EXPECT_EQ(box.Text(), QString("a#\r\n"));
}

TEST_F(RichTextBoxTest, KeyPressHandlerMaySwallowTheCharacter) {
    box.SetText("");
    QObject::connect(&box, &RichTextBox::KeyPress, [](int& keyAscii) {
        if (keyAscii == 'x')
            keyAscii = 0;
    });
    QTest::keyClicks(&box, "axb");
    EXPECT_EQ(box.Text(), QString("ab"));
}

TEST_F(RichTextBoxTest, ClickMovesTheCaretWithSelChangeAndTheInsertionColour) {
    box.resize(400, 200);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.SetText("ab\r\ncd");
    Colour(4, 1, Blue); // "c"
    box.SetSelStart(0);
    QSignalSpy changes(&box, &RichTextBox::SelChange);
    const int byte = box.ByteFromChar(5); // between "c" and "d"
    const QPoint at(int(RichTextBoxEngine::Of(box).SendScintilla(
                        QsciScintillaBase::SCI_POINTXFROMPOSITION, 0ul, long(byte))),
                    int(RichTextBoxEngine::Of(box).SendScintilla(
                        QsciScintillaBase::SCI_POINTYFROMPOSITION, 0ul, long(byte))) +
                        3);
    QTest::mouseClick(RichTextBoxEngine::Of(box).viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(box.SelStart(), 5);
    EXPECT_GE(changes.count(), 1);
    EXPECT_EQ(box.InsertionColour(), Blue);
    QTest::keyClicks(&box, "z");
    EXPECT_EQ(box.Text(), QString("ab\r\nczd"));
    EXPECT_EQ(box.ColourAt(5), Blue);
}

// The control holds the keyboard focus for the engine inside it: a click gives it the focus,
// keys reach the engine from there, Tab types rather than moving on, and the engine fills it.
TEST_F(RichTextBoxTest, TheControlTakesTheFocusAndTheKeysForTheEngine) {
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* control = new RichTextBox(&window);
    auto* after = new QLineEdit(&window);
    control->setGeometry(0, 30, 300, 100);
    after->move(0, 140);
    window.resize(320, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    before->setFocus();
    control->SetText("ab");
    RichTextBoxEngine& engine = RichTextBoxEngine::Of(*control);
    EXPECT_EQ(engine.geometry(), control->rect());
    QTest::mouseClick(engine.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 60));
    EXPECT_EQ(QApplication::focusWidget(), control);
    EXPECT_TRUE(control->hasFocus());
    EXPECT_EQ(control->SelStart(), 2); // beyond the end of the line
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Z})
        QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(control->Text(), QString("ab\tz"));
    EXPECT_EQ(QApplication::focusWidget(), control);
    QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImCursorPosition);
    QApplication::sendEvent(control, &query); // as input methods ask
    EXPECT_TRUE(query.value(Qt::ImEnabled).toBool());
    EXPECT_EQ(query.value(Qt::ImCursorPosition).toInt(), 4);
    control->resize(200, 80);
    EXPECT_EQ(engine.geometry(), control->rect());
    after->setFocus();
    EXPECT_FALSE(control->hasFocus());
}

TEST_F(RichTextBoxTest, KeyDownForEveryKeyBeforeTheControlActs) {
    box.SetText("abc");
    QList<QPair<int, int>> keys;
    QList<int> carets;
    QObject::connect(&box, &RichTextBox::KeyDown, [&](int code, int shift) {
        keys << qMakePair(code, shift);
        carets << box.SelStart();
    });
    QTest::keyClick(&box, Qt::Key_Right);
    QTest::keyClick(&box, Qt::Key_Shift);
    QTest::keyClick(&box, Qt::Key_Control);
    QTest::keyClick(&box, Qt::Key_F5);
    QTest::keyClick(&box, Qt::Key_A, Qt::ShiftModifier);
    ASSERT_EQ(keys.size(), 6); // the test presses Shift for the capital A
    EXPECT_EQ(keys[0], qMakePair(39, 0));
    EXPECT_EQ(keys[1].first, 16);
    EXPECT_EQ(keys[2].first, 17);
    EXPECT_EQ(keys[3], qMakePair(116, 0));
    EXPECT_EQ(keys[5], qMakePair(65, 1));
    EXPECT_EQ(carets[0], 0);
    EXPECT_EQ(carets[1], 1);
}

TEST_F(RichTextBoxTest, SelChangeForEveryMoveOfTheSelection) {
    QSignalSpy changes(&box, &RichTextBox::SelChange);
    box.SetText("int x;\r\nint y;");
    EXPECT_EQ(changes.count(), 1);
    box.SetSelStart(2);
    EXPECT_EQ(changes.count(), 2);
    box.SetSelLength(2);
    EXPECT_EQ(changes.count(), 3);
    box.SetSelText("z");
    EXPECT_EQ(changes.count(), 4);
    EXPECT_NE(box.Find("y", 0), -1);
    EXPECT_EQ(changes.count(), 5);
    EXPECT_EQ(box.Find("nothing", 0), -1);
    EXPECT_EQ(changes.count(), 5);
    QTest::keyClick(&box, Qt::Key_Home);
    EXPECT_EQ(changes.count(), 6);
    QTest::keyClicks(&box, "q");
    EXPECT_EQ(changes.count(), 7);
    box.SetSelColor(Blue);
    EXPECT_EQ(changes.count(), 7);
}

// Tab types a tab where the caret is, as the rich text control the program was written for
// does, never the editing component's indenting; Shift+Tab leaves text and selection alone.
TEST_F(RichTextBoxTest, TabTypesATabInPlaceOfTheSelectionAndShiftTabDoesNothing) {
    struct Case {
        QString text;
        int start;
        int length;
        QString after;
    };
    const Case cases[] = {
        {"    int a;\r\n", 0, 0, "\t    int a;\r\n"}, // the start of an indented line
        {"    int a;\r\n", 2, 0, "  \t  int a;\r\n"}, // inside the indentation
        {"int a;\r\n", 4, 1, "int \t;\r\n"},          // a selection on one line
        {"a\r\n  b\r\n", 0, 4, "\t b\r\n"},           // one across lines goes too
    };
    for (const Case& c : cases) {
        box.SetText(c.text);
        Select(c.start, c.length);
        QTest::keyClick(&box, Qt::Key_Tab);
        EXPECT_EQ(box.Text(), c.after);
        EXPECT_EQ(box.SelStart(), c.start + 1);
        EXPECT_EQ(box.SelLength(), 0);
    }
    box.SetText("ab");
    box.SetSelStart(1);
    box.SetSelColor(Blue);
    QTest::keyClick(&box, Qt::Key_Tab);
    EXPECT_EQ(box.ColourAt(1), Blue); // typed, so in the insertion colour

    box.SetText("\tint a;\r\n  b\r\n");
    Select(1, 8);
    QList<int> typed;
    QObject::connect(&box, &RichTextBox::KeyPress, [&](int& keyAscii) { typed << keyAscii; });
    QTest::keyClick(&box, Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(box.Text(), QString("\tint a;\r\n  b\r\n"));
    EXPECT_EQ(box.SelStart(), 1);
    EXPECT_EQ(box.SelLength(), 8);
    EXPECT_TRUE(typed.isEmpty());
}

TEST_F(RichTextBoxTest, SelectBackwardPutsTheCaretAtTheStartOfTheRange) {
    box.SetText(QString::fromUtf8("\xC3\xA9 line one\r\nline two\r\n"));
    QSignalSpy changes(&box, &RichTextBox::SelChange);
    box.SelectBackward(2, 8);
    EXPECT_EQ(box.SelStart(), 2);
    EXPECT_EQ(box.SelLength(), 8);
    EXPECT_EQ(box.SelText(), QString("line one"));
    EXPECT_EQ(changes.count(), 1);
    // The editor's caret at the start, its anchor at the end: the line's start is what scrolls
    // into view, and Shift+arrows move the start.
    EXPECT_EQ(RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS),
              box.ByteFromChar(2));
    EXPECT_EQ(RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_GETANCHOR),
              box.ByteFromChar(10));
    EXPECT_EQ(box.GetLineFromChar(box.SelStart()), 0);

    box.SelectBackward(12, 1000); // to the end of the text at most
    EXPECT_EQ(box.SelText(), QString("line two\r\n"));
}

// The colouring engine points at text through the selection; inside a batch the editor never
// holds those selections (it would draw them and publish them as the primary selection), yet
// everything the control reports and raises is as without the batch.
TEST_F(RichTextBoxTest, SelectionsInABatchStayInsideTheControl) {
    box.SetText("#include <a.h>\r\nint a;\r\n");
    box.SetSelStart(5);
    QSignalSpy changes(&box, &RichTextBox::SelChange);
    const auto editorSelection = [&] {
        return qMakePair(
            int(RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_GETANCHOR)),
            int(RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS)));
    };
    {
        const RichTextBox::SelectionBatch batch(box);
        Select(0, 9);
        EXPECT_EQ(box.SelText(), QString("#include "));
        box.SetSelColor(Blue);
        box.SetSelStart(9);
        EXPECT_EQ(box.SelStart(), 9);
        EXPECT_EQ(box.InsertionColour(), Blue);
        EXPECT_EQ(editorSelection(), qMakePair(5, 5));
    }
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(editorSelection(), qMakePair(9, 9));
    for (int p = 0; p < 9; ++p)
        EXPECT_EQ(box.ColourAt(p), Blue) << p;
    EXPECT_EQ(box.ColourAt(9), 0);

    { // ending on a selection hands it over whole
        const RichTextBox::SelectionBatch batch(box);
        Select(16, 3);
    }
    EXPECT_EQ(editorSelection(), qMakePair(16, 19));
    EXPECT_EQ(box.SelText(), QString("int"));
}

// A blink redraws the caret's line, and the editor walks all of a line to draw it: on a line of
// megabytes the caret stays lit rather than keep a processor busy while nothing happens.
TEST_F(RichTextBoxTest, TheCaretStaysLitOnAVeryLongLineAndBlinksElsewhere) {
    const auto period = [&] {
        return RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_GETCARETPERIOD);
    };
    const long blink = period();
    ASSERT_GT(blink, 0);
    box.SetText("short\r\n" + QString(100'000, 'x') + "\r\nshort");
    EXPECT_EQ(period(), blink);
    box.SetSelStart(9);
    EXPECT_EQ(period(), 0);
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(period(), blink);
}

// ---- Colours queued for idle time -----------------------------------------------------------

// Many ranges: those in view are styled at once, the rest in idle slices, and whatever reads
// colours, styles, edits or draws first finishes them. However that happens, every character
// ends in the colour that styling the ranges one after another gives.
class QueuedColours : public RichTextBoxTest {
protected:
    void SetUp() override {
        for (int line = 0; line < 3000; ++line) {
            const QString start = QString::number(line);
            text += (line % 11 == 0 ? QString::fromUtf8("\xC3\xA9 ") : QString()) + "#x" + start +
                    " y // c" + start + "\r\n";
        }
        const int length = int(text.size());
        int at = 0;
        for (int line = 0; at < length; ++line) {
            const int hash = int(text.indexOf('#', at));
            const int slash = int(text.indexOf("//", at));
            const int end = int(text.indexOf("\r\n", at));
            ranges.push_back({hash, int(text.indexOf(' ', hash)) - hash + 1, Blue});
            ranges.push_back({slash, end - slash + 1, Green});
            if (line % 7 == 0) // over three lines, under the later ranges of those lines
                ranges.push_back({at + 1, 60, Red});
            at = end + 2;
        }
        expected.assign(std::size_t(length), 0);
        for (const ColourRange& range : ranges) {
            for (int p = range.start; p < std::min(length, range.start + range.length); ++p)
                expected[std::size_t(p)] = range.colour;
        }
    }
    std::vector<long> Colours() {
        std::vector<long> colours;
        for (int p = 0; p < box.TextLength(); ++p)
            colours.push_back(box.ColourAt(p));
        return colours;
    }
    // The editor's style at a position, without finishing anything: 0 is plain.
    int StyleNow(int line) {
        const long byte = RichTextBoxEngine::Of(box).SendScintilla(
            QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        return int(RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT,
                                                            static_cast<unsigned long>(byte + 2)));
    }
    QString text;
    std::vector<ColourRange> ranges;
    std::vector<long> expected;
};

TEST_F(QueuedColours, EndAsTheRangesSayHoweverTheyAreFinished) {
    box.resize(400, 300);
    for (int way = 0; way < 4; ++way) {
        box.SetText(text);
        box.SetSelStart(3);
        QSignalSpy changes(&box, &RichTextBox::SelChange);
        box.ApplyColours(ranges);
        ASSERT_TRUE(box.ColoursPending());
        EXPECT_NE(StyleNow(0), 0) << way; // in view: styled at once
        EXPECT_EQ(StyleNow(2900), 0) << way;
        std::vector<long> wanted = expected;
        switch (way) {
        case 0: // read at once
            break;
        case 1: { // left to the idle slices
            QElapsedTimer waited;
            waited.start();
            while (box.ColoursPending() && waited.elapsed() < 10'000)
                QApplication::processEvents();
            EXPECT_FALSE(box.ColoursPending());
            break;
        }
        case 2: { // an edit far down, straight into the editor as an undo would make it
            const long byte = RichTextBoxEngine::Of(box).SendScintilla(
                                  QsciScintillaBase::SCI_POSITIONFROMLINE, 2900ul) +
                              3;
            RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_INSERTTEXT,
                                                     static_cast<uintptr_t>(byte), "zz");
            const int at = box.CharFromByte(int(byte));
            wanted.insert(wanted.begin() + at, 2, 0);
            break;
        }
        case 3: { // drawn where the text was scrolled to before the slices got there
            box.show();
            RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE,
                                                     1500ul);
            RichTextBoxEngine::Of(box).viewport()->grab();
            EXPECT_TRUE(box.ColoursPending());
            EXPECT_NE(StyleNow(1502), 0);
            EXPECT_EQ(StyleNow(2900), 0);
            box.hide();
            break;
        }
        }
        EXPECT_EQ(Colours(), wanted) << way;
        EXPECT_FALSE(box.ColoursPending());
        EXPECT_EQ(box.SelStart(), 3);
        EXPECT_EQ(changes.count(), 0);
    }
    // A new text drops what was queued for the old one.
    box.SetText(text);
    box.ApplyColours(ranges);
    box.SetText(text);
    EXPECT_FALSE(box.ColoursPending());
    EXPECT_EQ(Colours(), std::vector<long>(expected.size(), 0));
}

// ---- Search ---------------------------------------------------------------------------------

TEST_F(RichTextBoxTest, FindHonoursOptionsAndStart) {
    box.SetText("print(Foo);\r\nint foo;\r\n");
    //           0123456789  0 1 2345678
    EXPECT_EQ(box.Find("int", 0), 2);
    EXPECT_EQ(box.SelStart(), 2);
    EXPECT_EQ(box.SelLength(), 3);
    EXPECT_EQ(box.Find("int", 0, -1, 2), 13); // whole word: not the "int" in "print"
    EXPECT_EQ(box.Find("foo", 0, -1, 4), 17); // match case
    EXPECT_EQ(box.Find("foo", 0, -1, 0), 6);
    EXPECT_EQ(box.Find("Foo", 7, -1, 6), -1);
    EXPECT_EQ(box.Find("foo", 7, -1, 6), 17);
    EXPECT_EQ(box.Find("foo", 0, 8), -1); // the match must end by `end`
    EXPECT_EQ(box.Find("foo", 0, 9), 6);
    EXPECT_EQ(box.Find("foo", -5), 6);

    Select(1, 2);
    EXPECT_EQ(box.Find("foo", 18), -1); // never wraps around
    EXPECT_EQ(box.Find("int", 500), -1);
    EXPECT_EQ(box.Find("", 0), -1);
    EXPECT_EQ(box.SelStart(), 1);
    EXPECT_EQ(box.SelLength(), 2);
}

TEST_F(RichTextBoxTest, FindReportsCharacterPositionsInMultiByteText) {
    box.SetText(QString::fromUtf8("\xF0\x9F\x98\x80 caf\xC3\xA9\r\n\xC3\xA9t\xC3\xA9"));
    EXPECT_EQ(box.Find(QString::fromUtf8("\xC3\xA9t"), 0), 9);
    EXPECT_EQ(box.SelText(), QString::fromUtf8("\xC3\xA9t"));
    EXPECT_EQ(box.Find("caf", 0, -1, 2), -1); // é is part of the word
    EXPECT_EQ(box.Find("caf", 0), 3);
    EXPECT_EQ(box.Find(QString::fromUtf8("CAF\xC3\x89"), 0, -1, 2), 3); // folds beyond ASCII
    EXPECT_EQ(box.Find(QString::fromUtf8("\xC3\x89T"), 0, -1, 2), -1);  // é follows
    EXPECT_EQ(box.Find(QString::fromUtf8("\xC3\x89t\xC3\x89"), 4, -1, 2), 9);
}

TEST_F(RichTextBoxTest, LeadingByteOrderMarkIsAnOrdinaryCharacter) {
    const QString text = QString(QChar(0xFEFF)) + "x\r\n";
    box.SetText(text);
    EXPECT_EQ(box.Text(), text);
    EXPECT_EQ(box.TextLength(), 4);
    Select(0, 2);
    EXPECT_EQ(box.SelText(), text.left(2));
}

// ---- Files ----------------------------------------------------------------------------------

class RichTextBoxFiles : public RichTextBoxTest {
protected:
    QTemporaryDir dir;
    QString Write(const QString& name, const QByteArray& bytes) {
        return WriteTestFile(dir, name, bytes);
    }
    static QByteArray Read(const QString& path) { return ReadTestFile(path); }
};

TEST_F(RichTextBoxFiles, LoadAndSaveAreByteIdentical) {
    const QByteArray files[] = {
        "#include <a.h>\r\nint x;\r\n",
        "#include <a.h>\nint x;\n",
        "int x;\nint y;",
        "\xEF\xBB\xBF"
        "caf\xC3\xA9\n",
        "caf\xE9 \x93q\x94\r\n",
        "",
    };
    int n = 0;
    for (const QByteArray& bytes : files) {
        const QString path = Write(QString("f%1.c").arg(n++), bytes);
        box.LoadFile(path, 1);
        EXPECT_FALSE(box.Text().contains(QRegularExpression("\r(?!\n)|(?<!\r)\n")));
        box.SaveFile(path, 1);
        EXPECT_EQ(Read(path), bytes) << n;
    }
}

// A file opened into an empty window goes straight into the editor; one opened over text is
// read first, so that a failure could leave that text. Both end the same, with no undo step.
TEST_F(RichTextBoxFiles, LoadIntoAnEmptyWindowOrOverTextEndsTheSame) {
    const QByteArray files[] = {
        "#include <a.h>\nint x;\n",
        "\xEF\xBB\xBF// caf\xC3\xA9\r\nmixed\n",
        "caf\xE9\r\n",
        QByteArray("\xFF\xFE"
                   "a\0\n\0",
                   6),
        QByteArray("bin\0\r\nx\r", 8),
        "",
    };
    int n = 0;
    for (const QByteArray& bytes : files) {
        const QString path = Write(QString("l%1.c").arg(n++), bytes);
        RichTextBox fresh;
        const LoadNotes freshNotes = fresh.LoadFile(path);
        box.SetText("old text");
        const LoadNotes notes = box.LoadFile(path);
        EXPECT_EQ(fresh.Text(), box.Text()) << n;
        EXPECT_EQ(fresh.TextLength(), box.TextLength()) << n;
        EXPECT_EQ(fresh.FileFormat(), box.FileFormat()) << n;
        EXPECT_EQ(freshNotes.binary, notes.binary) << n;
        EXPECT_EQ(freshNotes.mixedBreaks, notes.mixedBreaks) << n;
        for (RichTextBox* control : {&fresh, &box}) {
            EXPECT_FALSE(control->IsModified()) << n;
            EXPECT_EQ(RichTextBoxEngine::Of(*control).SendScintilla(QsciScintillaBase::SCI_CANUNDO),
                      0)
                << n;
            EXPECT_EQ(control->SelStart(), 0) << n;
        }
    }
    // A failed open of an empty window leaves it empty, its undo history whole.
    RichTextBox emptied;
    emptied.SetText("typed");
    emptied.SetText("");
    EXPECT_THROW(emptied.LoadFile(dir.filePath("absent.c")), RuntimeError);
    EXPECT_EQ(emptied.Text(), QString());
    RichTextBoxEngine::Of(emptied).SendScintilla(QsciScintillaBase::SCI_UNDO);
    EXPECT_EQ(emptied.Text(), QString("typed"));
}

TEST_F(RichTextBoxFiles, LoadedLfFileBecomesCrLfInsideAndLfOutside) {
    const QString path = Write("lf.c", "a\nb\n");
    box.LoadFile(path);
    EXPECT_EQ(box.Text(), QString("a\r\nb\r\n"));
    EXPECT_EQ(box.SelStart(), 0);
    box.SetSelStart(1);
    box.SetSelText("\r\n");
    const QString copy = dir.filePath("copy.c");
    box.SaveFile(copy);
    EXPECT_EQ(Read(copy), QByteArray("a\n\nb\n"));
}

TEST_F(RichTextBoxFiles, FailedLoadAndSaveLeaveEverythingAsItWas) {
    box.SetText("kept");
    try {
        box.LoadFile(dir.filePath("absent.c"));
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.Description.contains("absent.c"));
    }
    EXPECT_EQ(box.Text(), QString("kept"));

    const QString path = Write("cp.c", "caf\xE9\r\n");
    box.LoadFile(path);
    const TextFormat loaded = box.FileFormat();
    const QString bad = dir.filePath("missing/dir/x.c");
    try {
        box.SaveFile(bad);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.Description.contains(QDir::toNativeSeparators(bad)));
    }
    EXPECT_EQ(box.FileFormat(), loaded);
    EXPECT_EQ(Read(path), QByteArray("caf\xE9\r\n"));
}

TEST_F(RichTextBoxFiles, Windows1252FileGainingUnencodableTextIsSavedAsUtf8) {
    const QString path = Write("cp.c", "caf\xE9\n");
    box.LoadFile(path);
    box.SetSelStart(box.TextLength());
    box.SetSelText(QString::fromUtf8("\xCE\xB1"));
    box.SaveFile(path);
    EXPECT_EQ(Read(path), QByteArray("caf\xC3\xA9\n\xCE\xB1"));
    EXPECT_EQ(box.FileFormat().encoding, TextFormat::Encoding::Utf8);
}

// ---- Printing --------------------------------------------------------------------------------

// Pages of a PDF file Qt wrote: its page objects.
int PdfPages(const QString& path) {
    return int(ReadTestFile(path).count("/Type /Page\n"));
}

// The text of a PDF file as poppler's pdftotext reads it, or nothing without the program.
std::optional<QString> PdfText(const QString& path) {
    const QString program = QStandardPaths::findExecutable("pdftotext");
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(program, {"-layout", path, "-"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST_F(RichTextBoxFiles, PrintsTheWholeTextOrTheSelection) {
    QString text;
    for (int line = 1; line <= 150; ++line)
        text += QString("line %1\r\n").arg(line);
    box.SetText(text);
    Colour(0, 4, Blue);
    box.SetSelStart(4); // nothing selected: the whole text
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("all.pdf"));
    box.SelPrint(printer);
    EXPECT_GE(PdfPages(dir.filePath("all.pdf")), 2); // 150 lines do not fit on one page

    Select(int(text.indexOf("ne 3\r")), 12); // "ne 3", CR LF, "line 4"
    printer.setOutputFileName(dir.filePath("sel.pdf"));
    box.SelPrint(printer);
    EXPECT_EQ(PdfPages(dir.filePath("sel.pdf")), 1);
    EXPECT_EQ(box.SelText(), QString("ne 3\r\nline 4"));
    EXPECT_EQ(box.SelLength(), 12);

    const std::optional<QString> all = PdfText(dir.filePath("all.pdf"));
    const std::optional<QString> selection = PdfText(dir.filePath("sel.pdf"));
    if (!all || !selection)
        GTEST_SKIP() << "pdftotext (poppler-utils) reads the printed text";
    EXPECT_TRUE(all->contains(QRegularExpression("^line 1$", QRegularExpression::MultilineOption)));
    EXPECT_TRUE(all->contains("line 150"));
    const QStringList printed = selection->split('\n', Qt::SkipEmptyParts);
    QStringList words;
    for (const QString& line : printed) {
        if (!line.trimmed().isEmpty())
            words << line.trimmed();
    }
    EXPECT_EQ(words, QStringList({"ne 3", "line 4"}));
}

// ---- Long lines: rows ---------------------------------------------------------------------

// A margin a few characters wide, so that short texts wrap: what the program sees of the text
// is as if nothing wrapped, and keys at a row's end act on the text's characters.
class RichTextBoxRows : public RichTextBoxFiles {
protected:
    void SetUp() override {
        const int pixels = 5 * QFontMetrics(box.font()).averageCharWidth();
        box.SetRightMargin(int(PixelsToTwips(pixels, DotsPerInch(&box, Qt::Horizontal))) + 1);
    }
};

TEST_F(RichTextBoxRows, PositionsTextAndFindAreThoseOfTheTextAlone) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString texts[] = {
        "abcdefghijklmnopqrstuvwxyz",
        "abcde\r\nfghij\r\nx// a comment past a row's end\r\n",
        QString::fromUtf8("caf\xC3\xA9 ") + emoji + "xy" + emoji + emoji + "z e\xCC\x81tc " + emoji,
    };
    for (const QString& text : texts) {
        box.RestoreText(text.toUtf8(), {}, {}, {});
        ASSERT_GT(box.SoftBreakCount(), 0) << text.toStdString();
        ASSERT_EQ(box.Utf8View(), text.toUtf8().toStdString());
        ExpectPositionsOf(box, text, {0, 1, 7});
        if (HasFatalFailure())
            return;
        for (int p = 0; p <= text.size(); ++p) {
            const int at = p > 0 && p < text.size() && text[p].isLowSurrogate() ? p - 1 : p;
            const QString piece = text.mid(at, 6);
            if (!piece.isEmpty() && !piece.back().isHighSurrogate()) {
                ASSERT_EQ(box.Find(piece, at), text.indexOf(piece, at)) << p;
            }
        }
        Select(3, 12); // over a row's end
        box.SetSelColor(Blue);
        for (int p = 0; p < text.size(); ++p)
            ASSERT_EQ(box.ColourAt(p), p >= 3 && p < 15 ? Blue : 0) << p;
    }
}

TEST_F(RichTextBoxRows, KeysAtARowsEndActOnTheTextsCharacters) {
    box.RestoreText("abcdefghijklmnop", {}, {}, {});
    const int rows = box.SoftBreakCount();
    ASSERT_GT(rows, 0);
    // Each case: where the caret starts, the keys, the text after, the caret after.
    struct Case {
        int caret;
        std::vector<int> keys;
        const char* text;
        int after;
    };
    const Case cases[] = {
        {5, {Qt::Key_Backspace}, "abcdfghijklmnop", 4},
        {5, {Qt::Key_Delete}, "abcdeghijklmnop", 5},
        {5, {Qt::Key_Left}, "abcdefghijklmnop", 4},
        {5, {Qt::Key_Right}, "abcdefghijklmnop", 6},
        {5, {Qt::Key_Right, Qt::Key_Left, Qt::Key_Left}, "abcdefghijklmnop", 4},
        {5, {Qt::Key_X}, "abcdexfghijklmnop", 6},
    };
    for (const Case& c : cases) {
        // Both sides of the row's end: after Home the caret stands at the next row's start.
        for (const bool rowStart : {false, true}) {
            box.RestoreText("abcdefghijklmnop", {}, {}, {});
            box.SetSelStart(rowStart ? c.caret : c.caret - 1);
            if (!rowStart)
                QTest::keyClick(&box, Qt::Key_End); // the first row's end
            ASSERT_EQ(box.SelStart(), c.caret);
            for (const int key : c.keys)
                QTest::keyClick(&box, Qt::Key(key));
            EXPECT_EQ(box.Text(), QString(c.text)) << c.caret << " row start " << rowStart;
            EXPECT_EQ(box.SelStart(), c.after) << c.caret << " row start " << rowStart;
        }
    }
    // A selection over rows' ends goes and comes back whole; the clipboard never holds a
    // row's end.
    box.RestoreText("abcdefghijklmnop", {}, {}, {});
    Select(2, 11);
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString("cdefghijklm"));
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.Text(), QString("abnop"));
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box.Text(), QString("abcdefghijklmnop"));
    EXPECT_EQ(box.SoftBreakCount(), rows);
    EXPECT_EQ(box.Utf8View(), std::string("abcdefghijklmnop"));
}

// A line scrolled into view (a build message's line) is the text's line, however many rows
// the lines above it make; the visible lines are the text's too.
TEST_F(RichTextBoxRows, LinesScrolledIntoViewAreTheTextsLines) {
    QString text;
    for (int line = 0; line < 80; ++line)
        text += QString("line %1 of three rows\r\n").arg(line, 2);
    box.RestoreText(text.toUtf8(), {}, {}, {});
    ASSERT_GT(box.SoftBreakCount(), 80);
    box.resize(300, 12 * QFontMetrics(box.font()).lineSpacing());
    box.show();
    for (const int line : {60, 10, 79, 0}) {
        box.ScrollLineIntoView(line);
        QApplication::processEvents();
        const auto [top, bottom] = box.VisibleLines();
        EXPECT_TRUE(top <= line && line <= bottom) << line << ": " << top << " to " << bottom;
        EXPECT_LE(bottom - top, 4) << "rows counted as lines";
    }
}

// A file of one line of 20 MB: opened, a key typed at its end and undone, saved: the bytes on
// disk are the file's, whatever rows the editor made.
TEST_F(RichTextBoxFiles, FileOfOneLongLineIsSavedAsItWas) {
    box.SetRightMargin(500000);
    QByteArray bytes;
    bytes.reserve(20'000'000);
    for (int i = 0; bytes.size() < 20'000'000; ++i)
        bytes += "v[" + QByteArray::number(i % 997) + "] = " + QByteArray::number(i) + "; ";
    bytes.resize(20'000'000);
    bytes += "caf\xC3\xA9";
    const QString path = Write("long.c", bytes);
    box.LoadFile(path, 1);
    EXPECT_GT(box.SoftBreakCount(), 1000);
    EXPECT_EQ(box.TextLength(), 20'000'004);
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_X);
    EXPECT_EQ(box.TextLength(), 20'000'005);
    EXPECT_TRUE(box.IsModified());
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    box.SaveFile(path, 1);
    EXPECT_EQ(Read(path), bytes);
}

} // namespace
