// Whole-document colouring through the real control and main window.
#include <QApplication>
#include <QMdiArea>
#include <random>

#include "ColourTestSupport.h"
#include "Reference.h"
#include "TextGenerator.h"
#include "documents/frmDocument.h"
#include "support/ProgramFixture.h"
#include "workspace/frmBrows.h"

using colourtest::Mask;
using colourtest::WindowWith;

namespace {

class Highlight : public ProgramFixture {};

TEST_F(Highlight, ColoursDirectivesAndCommentsAsTheRulesSay) {
    struct Case {
        QString text;
        std::string mask;
    };
    const Case cases[] = {
        {"#include <stdio.h>\r\n", "DDDDDDDDD..........."},
        {"#define MAX 10", "DDDDDDDD......"},
        {"#endif\r\nint x;", "DDDDDDDDDDDD.."},
        {"#x=1 ", "....."},
        {"a // b // c\r\n", "..CCCCCCCCCC."},
        {"// one\r\nx; // two", "CCCCCCC.........."},
        // The comment pass comes second: a "#" inside a comment ends up green.
        {"// #if A\r\n", "CCCCCCCCC."},
        // A header ending in #endif with no space after it: that one stays plain.
        {"#ifndef A\r\n#define A\r\n#endif\r\n", "DDDDDDDD...DDDDDDDD..........."},
        // Strings and block comments are not looked into.
        {"s = \"#x \"; /* // */\r\n", ".....DDD......CCCCCC."},
        // Characters beyond ASCII count as one position each.
        {"// é\r\n#é ", "CCCCC.DDD"},
        {"", ""},
    };
    for (const Case& c : cases) {
        RichTextBox& code = WindowWith(*main, c.text);
        main->CPPHighlight();
        EXPECT_EQ(Mask(code), c.mask) << c.text.toStdString();
        EXPECT_EQ(code.SelStart(), 0);
        EXPECT_EQ(code.SelLength(), 0);
    }
}

// A text whose last character lies outside the Basic Multilingual Plane is coloured to its end
// (once, the end of the run mapped to the top and the text stayed almost uncoloured).
TEST_F(Highlight, TextEndingOutsideTheBmpIsColouredToItsEnd) {
    RichTextBox& code = WindowWith(*main, "#define A 1\r\n// one\r\nint b; // two\r\n" +
                                              QString::fromUtf8("\xF0\xA0\x80\x80"));
    main->CPPHighlight();
    EXPECT_EQ(Mask(code), "DDDDDDDD.....CCCCCCC........CCCCCCC...");
    EXPECT_EQ(code.SelStart(), 0);
}

TEST_F(Highlight, RunIsRepeatableAndPutsTheSelectionBack) {
    RichTextBox& code = WindowWith(*main, "#include <a.h>\r\nint a; // x\r\n#endif\r\n");
    code.SetSelStart(3);
    code.SetSelLength(10);
    std::int32_t startchar = 0, endchar = -1;
    main->CPPColorCode(startchar, endchar);
    EXPECT_EQ(startchar, 1);
    EXPECT_EQ(endchar, code.TextLength());
    EXPECT_EQ(code.SelStart(), 3);
    EXPECT_EQ(code.SelLength(), 10);
    EXPECT_EQ(QApplication::focusWidget(), &code);

    const std::string once = Mask(code);
    startchar = 1, endchar = -1;
    main->CPPColorCode(startchar, endchar);
    EXPECT_EQ(Mask(code), once);

    // Colour is only ever added: text edited out of a directive keeps its blue.
    code.SetSelStart(0);
    code.SetSelLength(1);
    code.SetSelText("x");
    main->CPPHighlight();
    EXPECT_EQ(Mask(code).substr(1, 8), "DDDDDDDD");
}

TEST_F(Highlight, RaisesSelectionChangeWhenItColours) {
    RichTextBox& code = WindowWith(*main, "#if A\r\n");
    main->Timer1_Timer();
    ASSERT_FALSE(program->module1.SelectionChanged);
    std::int32_t startchar = 1, endchar = -1;
    main->CPPColorCode(startchar, endchar);
    EXPECT_TRUE(program->module1.SelectionChanged);
    EXPECT_EQ(Mask(code), "DDDD...");
}

TEST_F(Highlight, LeavesEverythingAloneWithoutASourceWindow) {
    RichTextBox& code = WindowWith(*main, "#if A\r\n");
    code.SetSelStart(2);
    // The file browser active: nothing at all, not even the positions written back.
    ASSERT_TRUE(main->Brows);
    main->mdiArea->setActiveSubWindow(main->Brows);
    ASSERT_TRUE(main->ActiveIsBrowser());
    std::int32_t startchar = 0, endchar = -1;
    main->CPPColorCode(startchar, endchar);
    main->CPPHighlight();
    EXPECT_EQ(startchar, 0);
    EXPECT_EQ(endchar, -1);
    EXPECT_EQ(Mask(code), ".......");
    EXPECT_EQ(code.SelStart(), 2);

    // No child at all: the run ends quietly.
    main->mdiArea->closeAllSubWindows();
    QApplication::processEvents();
    ASSERT_EQ(main->ActiveForm(), nullptr);
    main->CPPHighlight();
    main->CPPColorCode(startchar, endchar);
    EXPECT_EQ(services.count("MsgBox"), 0);
}

TEST_F(Highlight, ColorWordColoursFirstThroughLastUnlessEmptyOrWithEquals) {
    RichTextBox& code = WindowWith(*main, "abcdef");
    main->CPPColorWord("", 1, 2);
    main->CPPColorWord("b=c", 2, 4);
    EXPECT_EQ(Mask(code), "......");
    main->CPPColorWord("bcd", 2, 4);
    EXPECT_EQ(Mask(code), ".DDD..");
    EXPECT_EQ(code.SelStart(), 1);
    EXPECT_EQ(code.SelLength(), 3);
}

// Generated texts through the control, from several start and end positions: the colour of
// every character and the selection afterwards equal those of the step-by-step algorithm.
TEST_F(Highlight, GivesTheColoursOfTheStepByStepAlgorithm) {
    std::mt19937 rng(77);
    main->NewDocument();
    RichTextBox& code = main->ActiveCode();
    for (int n = 0; n < 300; ++n) {
        QString text = QString::fromStdString(generated::Text(rng, true));
        if (n % 5 == 0) {
            text.insert(int(text.size() / 2), QStringLiteral("é"));
        }
        // Every other text held as rows of a character, the scan reading past their breaks.
        code.SetRightMargin(n % 2);
        code.SetText(text);
        const auto length = std::int32_t(code.TextLength());
        reference::Control<std::u16string> model{code.Text().toStdU16String(),
                                                 std::vector<long>(std::size_t(length), 0)};
        ASSERT_EQ(std::int32_t(model.Text.size()), length);
        for (int i = 0; i < length; ++i) {
            model.colours[std::size_t(i)] = code.ColourAt(i); // colours left by earlier rounds
        }
        model.SelStart = std::uniform_int_distribution<std::int32_t>(0, length)(rng);
        model.SelLength =
            std::uniform_int_distribution<std::int32_t>(0, length - model.SelStart)(rng);
        code.SetSelStart(model.SelStart);
        code.SetSelLength(model.SelLength);

        std::int32_t startchar = 1, endchar = -1;
        if (n % 3 == 1) {
            startchar = std::uniform_int_distribution<std::int32_t>(0, length + 1)(rng);
            endchar = std::uniform_int_distribution<std::int32_t>(-1, length + 1)(rng);
        }
        std::int32_t refStart = startchar, refEnd = endchar;
        reference::CPPColorCode(model, refStart, refEnd);
        main->CPPColorCode(startchar, endchar);

        std::vector<long> colours(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i) {
            colours[std::size_t(i)] = code.ColourAt(i);
        }
        ASSERT_EQ(colours, model.colours) << text.toStdString();
        ASSERT_EQ(code.SelStart(), model.SelStart);
        ASSERT_EQ(code.SelLength(), model.SelLength);
        ASSERT_EQ(startchar, refStart);
        ASSERT_EQ(endchar, refEnd);
    }
}

// A file large enough that the control styles most of it later, while the program is idle:
// the colours, the selection and the selection changes are those of the step-by-step algorithm,
// whether the colours are read at once or after the idle slices, and so is the caret CPPHighlight
// leaves at the start.
TEST_F(Highlight, ALargeFileEndsColouredAsTheAlgorithmSays) {
    std::mt19937 rng(15);
    QString text;
    while (text.size() < 60'000) {
        text += QString::fromStdString(generated::Text(rng, true)) +
                "#include <a.h> // x\r\n#if A//B\r\nint c; #endif\r\n";
    }
    main->NewDocument();
    RichTextBox& code = main->ActiveCode();
    for (const bool idle : {false, true}) {
        code.SetText(text);
        const auto length = std::int32_t(code.TextLength());
        reference::Control<std::u16string> model{text.toStdU16String(),
                                                 std::vector<long>(std::size_t(length), 0)};
        model.SelStart = 40;
        model.SelLength = 7;
        code.SetSelStart(model.SelStart);
        code.SetSelLength(model.SelLength);
        main->Timer1_Timer();
        std::int32_t startchar = 1, endchar = -1;
        reference::CPPColorCode(model, startchar, endchar);
        startchar = 1, endchar = -1;
        main->CPPColorCode(startchar, endchar);
        EXPECT_TRUE(program->module1.SelectionChanged);
        ASSERT_TRUE(code.ColoursPending()); // the queued way was taken
        if (idle) {
            while (code.ColoursPending())
                QApplication::processEvents();
        }
        std::vector<long> colours(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i)
            colours[std::size_t(i)] = code.ColourAt(i);
        ASSERT_EQ(colours, model.colours) << idle;
        EXPECT_EQ(code.SelStart(), model.SelStart);
        EXPECT_EQ(code.SelLength(), model.SelLength);
    }
    code.SetText(text);
    main->CPPHighlight();
    EXPECT_EQ(code.SelStart(), 0);
    EXPECT_EQ(code.SelLength(), 0);
}

} // namespace
