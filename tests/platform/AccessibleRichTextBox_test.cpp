// What assistive technologies are told of the text control: its own interface, never
// QScintilla's; offsets in characters (UTF-16 units) however many bytes the text takes; and the
// text, caret and selection events, raised once the edit is made and only while one listens.
#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

#include "PrintQString.h"
#include "platform/AccessibleRichTextBox.h"
#include "platform/RichTextBox.h"

namespace {

// An event as the listener saw it, with the control's text at that moment.
struct Heard {
    QAccessible::Event type;
    int position = -1; // insert, remove, update: where; caret: the caret
    QString text;      // insert, remove: the text; update: the new text
    QString textThen;
};

std::vector<Heard>* heard = nullptr;
const RichTextBox* listenedTo = nullptr;

void Listen(QAccessibleEvent* event) {
    if (!heard || event->object() != listenedTo)
        return;
    Heard h{event->type()};
    h.textThen = listenedTo->Text();
    if (auto* e = dynamic_cast<QAccessibleTextInsertEvent*>(event)) {
        h.position = e->changePosition();
        h.text = e->textInserted();
    } else if (auto* e = dynamic_cast<QAccessibleTextRemoveEvent*>(event)) {
        h.position = e->changePosition();
        h.text = e->textRemoved();
    } else if (auto* e = dynamic_cast<QAccessibleTextUpdateEvent*>(event)) {
        h.position = e->changePosition();
        h.text = e->textInserted();
    } else if (auto* e = dynamic_cast<QAccessibleTextCursorEvent*>(event)) {
        h.position = e->cursorPosition();
    }
    heard->push_back(h);
}

// An assistive technology listening to one control for the length of a test. (Qt hands events to
// an update handler only where the platform has an accessibility bridge, which the offscreen
// platform has not.)
class Listener {
public:
    explicit Listener(const RichTextBox& box) {
        heard = &events;
        listenedTo = &box;
        AccessibleRichTextBox::SetListener(Listen);
    }
    ~Listener() {
        AccessibleRichTextBox::SetListener(nullptr);
        heard = nullptr;
        listenedTo = nullptr;
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // The events of one type heard since the last call, which forgets them all.
    std::vector<Heard> Take(QAccessible::Event type) {
        QApplication::processEvents(); // an insertion is told once it is in
        std::vector<Heard> of;
        for (const Heard& h : events) {
            if (h.type == type)
                of.push_back(h);
        }
        events.clear();
        return of;
    }
    std::vector<Heard> events;
};

const QString eAcute = QString::fromUtf8("\xC3\xA9");
const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units

QAccessibleInterface* InterfaceOf(RichTextBox& box) {
    return QAccessible::queryAccessibleInterface(&box);
}

TEST(AccessibleRichTextBox, IsTheControlsOwnInterfaceWithTextAndEditing) {
    RichTextBox box;
    QAccessibleInterface* accessible = InterfaceOf(box);
    ASSERT_NE(dynamic_cast<AccessibleRichTextBox*>(accessible), nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_TRUE(accessible->state().editable);
    EXPECT_TRUE(accessible->state().multiLine);
    EXPECT_NE(accessible->textInterface(), nullptr);
    EXPECT_NE(accessible->editableTextInterface(), nullptr);
    // Focus does not make another one (Qt asks the factories when the focus moves).
    box.show();
    box.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(InterfaceOf(box), accessible);
    box.SetText("abc");
    EXPECT_EQ(accessible->text(QAccessible::Value), QString("abc"));
    // The engine inside is a plain pane, never QScintilla's text interface, and the focus is
    // the control's, so that assistive technologies follow the control's interface.
    EXPECT_EQ(QApplication::focusWidget(), &box);
    ASSERT_EQ(accessible->childCount(), 1);
    EXPECT_EQ(accessible->child(0)->role(), QAccessible::Pane);
    EXPECT_EQ(accessible->child(0)->textInterface(), nullptr);
}

TEST(AccessibleRichTextBox, OffsetsAreCharactersInAnyText) {
    RichTextBox box;
    // é is two bytes, the emoji four bytes and two units.
    box.SetText("int " + eAcute + ";\r\n// " + emoji + " word\r\nlast");
    QAccessibleTextInterface* text = InterfaceOf(box)->textInterface();
    ASSERT_NE(text, nullptr);
    const QString all = box.Text();
    EXPECT_EQ(text->characterCount(), all.size());
    EXPECT_EQ(text->text(0, int(all.size())), all);
    EXPECT_EQ(text->text(4, 7), eAcute + ";\r");
    EXPECT_EQ(text->text(11, 14), emoji + " ");

    box.SetSelStart(13); // just behind the emoji
    EXPECT_EQ(text->cursorPosition(), 13);
    box.SetSelLength(5);
    int start = -1, end = -1;
    EXPECT_EQ(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 13);
    EXPECT_EQ(end, 18);

    text->setSelection(0, 4, 5);
    EXPECT_EQ(box.SelText(), eAcute);
    text->setCursorPosition(11);
    EXPECT_EQ(box.SelStart(), 11);
    EXPECT_EQ(text->selectionCount(), 0);

    // Lines with their breaks; words and characters around an offset.
    EXPECT_EQ(text->textAtOffset(12, QAccessible::LineBoundary, &start, &end),
              "// " + emoji + " word\r\n");
    EXPECT_EQ(start, 8);
    EXPECT_EQ(end, 8 + 3 + 2 + 7);
    EXPECT_EQ(text->textBeforeOffset(12, QAccessible::LineBoundary, &start, &end),
              "int " + eAcute + ";\r\n");
    EXPECT_EQ(text->textAfterOffset(12, QAccessible::LineBoundary, &start, &end), "last");
    EXPECT_EQ(start, int(all.size()) - 4);
    EXPECT_EQ(text->textAtOffset(16, QAccessible::WordBoundary, &start, &end), "word");
    EXPECT_EQ(start, 14);
    EXPECT_EQ(text->textAtOffset(11, QAccessible::CharBoundary, &start, &end), emoji);
    EXPECT_EQ(end - start, 2);
    EXPECT_EQ(text->textAtOffset(-2, QAccessible::LineBoundary, &start, &end),
              "// " + emoji + " word\r\n"); // -2: at the caret
    EXPECT_EQ(text->textAtOffset(0, QAccessible::NoBoundary, &start, &end), all);
}

TEST(AccessibleRichTextBox, EditsThroughTheInterfaceLandAtCharacterPositions) {
    RichTextBox box;
    box.SetText(emoji + "ab\r\ncd");
    QAccessibleEditableTextInterface* edit = InterfaceOf(box)->editableTextInterface();
    edit->insertText(3, eAcute);
    EXPECT_EQ(box.Text(), emoji + "a" + eAcute + "b\r\ncd");
    edit->deleteText(0, 2);
    EXPECT_EQ(box.Text(), "a" + eAcute + "b\r\ncd");
    edit->replaceText(1, 2, "xyz");
    EXPECT_EQ(box.Text(), QString("axyzb\r\ncd"));
}

TEST(AccessibleRichTextBox, EditsAndCaretMovesAreToldOnceMadeWhileOneListens) {
    RichTextBox box;
    box.SetText("ab\r\n" + eAcute + "x");
    box.show();
    box.setFocus();
    {
        Listener listener(box);
        box.SetSelStart(6);
        QTest::keyClicks(&box, "Q");
        // Told once it is in, at its character position.
        auto inserted = listener.Take(QAccessible::TextInserted);
        ASSERT_EQ(inserted.size(), 1u);
        EXPECT_EQ(inserted[0].position, 6);
        EXPECT_EQ(inserted[0].text, "Q");
        EXPECT_EQ(inserted[0].textThen, "ab\r\n" + eAcute + "xQ");

        QTest::keyClick(&box, Qt::Key_Left);
        QTest::keyClick(&box, Qt::Key_Left);
        QTest::keyClick(&box, Qt::Key_Backspace); // the é
        auto removed = listener.events;
        std::vector<int> carets;
        for (const Heard& h : removed) {
            if (h.type == QAccessible::TextCaretMoved)
                carets.push_back(h.position);
        }
        EXPECT_EQ(carets, (std::vector<int>{6, 5, 4}));
        removed = listener.Take(QAccessible::TextRemoved);
        ASSERT_EQ(removed.size(), 1u);
        EXPECT_EQ(removed[0].position, 4);
        EXPECT_EQ(removed[0].text, eAcute);

        // A whole new text is one update.
        box.SetText(emoji);
        const auto updated = listener.Take(QAccessible::TextUpdated);
        ASSERT_EQ(updated.size(), 1u);
        EXPECT_EQ(updated[0].text, emoji);

        // The colouring engine's selections are not told: only where the caret ends.
        box.SetText("#if A\r\n");
        listener.Take(QAccessible::TextCaretMoved);
        {
            RichTextBox::SelectionBatch batch(box);
            box.SetSelStart(1);
            box.SetSelLength(3);
            box.SetSelColor(255);
            box.SetSelStart(2);
        }
        const auto moves = listener.Take(QAccessible::TextCaretMoved);
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_EQ(moves[0].position, 2);
    }
    // Nobody listening: the control works nothing out for anyone.
    EXPECT_FALSE(AccessibleRichTextBox::Listening());

    // The platform saying that an assistive technology came makes the control tell it.
    QAccessible::setActive(true);
    EXPECT_TRUE(AccessibleRichTextBox::Listening());
    QAccessible::setActive(false);
    EXPECT_FALSE(AccessibleRichTextBox::Listening());
}

} // namespace
