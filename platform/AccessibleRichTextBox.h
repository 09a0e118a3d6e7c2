// What assistive technologies (screen readers, magnifiers, braille displays) are told of a
// source window's text control. Kelto gives the control an accessible interface of its own in
// place of QScintilla's, which counts the characters from the start of the text on every edit and
// every move of the caret, whether or not anything listens: 50 ms a key at the end of a 10 MB
// file. Offsets here are the control's character positions, converted through its line index,
// so nothing costs in proportion to the size of the text. The control itself raises the text,
// caret and selection events, and only while an assistive technology listens.
#pragma once

#include <QAccessibleWidget>

class RichTextBox;

class AccessibleRichTextBox : public QAccessibleWidget,
                              public QAccessibleTextInterface,
                              public QAccessibleEditableTextInterface {
public:
    explicit AccessibleRichTextBox(RichTextBox* box);

    // Makes sure the control's accessible interface is this one: installs the factory (once,
    // before the first control is asked for one) and drops any other interface made already.
    static void Adopt(RichTextBox* box);
    // Whether an assistive technology listens: the platform said one does, or a listener is set.
    static bool Listening();
    // Tells assistive technologies of a change of the control's: QAccessible::updateAccessibility,
    // and the listener if one is set. Qt hands events to its update handler only where the
    // platform has an accessibility bridge; the listener stands in for one (tests set it).
    using Listener = void (*)(QAccessibleEvent* event);
    static void Tell(QAccessibleEvent& event);
    static void SetListener(Listener listener);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // The text.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // Editing it.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    enum class Side { Before, At, After };
    RichTextBox& Box() const;
    QString Item(int offset, QAccessible::TextBoundaryType boundaryType, Side side,
                 int* startOffset, int* endOffset) const;
    QString Line(int offset, Side side, int* startOffset, int* endOffset) const;
};
