// The request timer: the order in which one tick serves the slots, that each request is served
// once, and the caret line display.
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "workspace/frmBrows.h"

namespace {

class Timer : public ProgramFixture {
protected:
    QString Status() const { return main->sbPanelStatus->text(); }
};

// One tick with every slot filled: the key is coloured in the window that was active when it
// was typed, the file opens after that, the search runs in the newly opened file, and the
// caret display comes last, showing the line the search found.
TEST_F(Timer, ServesTheSlotsInOrderAndEachOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath("b.txt");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("one\r\ntwo\r\nthree target\r\n");
    }
    main->NewDocument();
    frmDocument* first = main->ActiveDocument();
    first->code->SetText("x#");
    first->code->SetSelStart(2);

    Module1& m = program->module1;
    m.KeyPending = true;
    m.PendingKey = '#';
    m.PendingOpenFile = path;
    m.PendingSourceDir = dir.path();
    m.PendingFindText = "target";
    m.FindMode = 1;
    m.SelectionChanged = true;
    main->Timer1_Timer();

    EXPECT_EQ(first->code->ColourAt(1), 16711680);
    EXPECT_TRUE(main->InDirective);
    ASSERT_NE(main->ActiveDocument(), first);
    EXPECT_EQ(main->ActiveDocument()->Caption(), path);
    EXPECT_EQ(main->SourceDir, dir.path());
    EXPECT_EQ(main->LastFindText, "target");
    EXPECT_EQ(Status(), "Line 2");

    EXPECT_FALSE(m.KeyPending);
    EXPECT_EQ(m.PendingKey, '#'); // the step's result goes back into the slot
    EXPECT_TRUE(m.PendingOpenFile.isEmpty());
    EXPECT_TRUE(m.PendingSourceDir.isEmpty());
    EXPECT_TRUE(m.PendingFindText.isEmpty());
    EXPECT_FALSE(m.SelectionChanged);

    // Nothing is served twice: the next tick opens nothing and leaves the display alone.
    const auto windows = main->mdiArea->subWindowList().size();
    main->ActiveDocument()->code->SetSelStart(0);
    m.SelectionChanged = false;
    main->Timer1_Timer();
    EXPECT_EQ(main->mdiArea->subWindowList().size(), windows);
    EXPECT_EQ(Status(), "Line 2");
}

TEST_F(Timer, KeyStepResultIsZeroWithoutASourceWindow) {
    Module1& m = program->module1;
    m.KeyPending = true;
    m.PendingKey = '#';
    main->Timer1_Timer(); // only the file browser is open
    EXPECT_FALSE(m.KeyPending);
    EXPECT_EQ(m.PendingKey, 0);
    EXPECT_FALSE(main->InDirective);
}

TEST_F(Timer, CaretDisplayShowsTheZeroBasedLine) {
    const QString initial = Status();
    main->Timer1_Timer();
    EXPECT_EQ(Status(), initial); // no source window yet

    main->NewDocument();
    main->Timer1_Timer();
    EXPECT_EQ(Status(), "Line 0");

    RichTextBox& code = main->ActiveCode();
    QTest::keyClicks(&code, "int x;");
    QTest::keyClick(&code, Qt::Key_Return);
    main->Timer1_Timer();
    EXPECT_EQ(Status(), "Line 1");

    // The file browser active: the panel keeps its text and the request is used up.
    code.SetSelStart(0);
    main->mdiArea->setActiveSubWindow(main->Brows);
    program->module1.SelectionChanged = true;
    main->Timer1_Timer();
    EXPECT_EQ(Status(), "Line 1");
    EXPECT_FALSE(program->module1.SelectionChanged);
}

} // namespace
