// The text control's accessible interface: every offset goes through the control's own
// conversions, every range of text is read from the editor's bytes for just that range.
#include "platform/AccessibleRichTextBox.h"

#include <QTextBoundaryFinder>
#include <algorithm>

#include "platform/RichTextBox.h"
#include "platform/RichTextBoxEngine.h"

namespace {

// Whether an assistive technology listens. The platform says so when one comes or goes, and
// QAccessible::isActive() alone would miss a change announced through QAccessible::setActive.
class Activity : public QAccessible::ActivationObserver {
public:
    Activity() : active(QAccessible::isActive()) { QAccessible::installActivationObserver(this); }
    void accessibilityActiveChanged(bool nowActive) override { active = nowActive; }
    bool active;
};

// Made once and never destroyed: Qt's list of observers may outlive any static of ours.
Activity& TheActivity() {
    static Activity* const activity = new Activity;
    return *activity;
}

// The engine inside the control is a plain pane to assistive technologies: the text is the
// control's. (QScintilla's interface for it would count through the text on every edit.)
QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (auto* box = qobject_cast<RichTextBox*>(object))
        return new AccessibleRichTextBox(box);
    if (auto* box = object ? qobject_cast<RichTextBox*>(object->parent()) : nullptr;
        box && object == &RichTextBoxEngine::Of(*box))
        return new QAccessibleWidget(&RichTextBoxEngine::Of(*box), QAccessible::Pane);
    return nullptr;
}

// Word, sentence and character boundaries beyond this distance from the offset are not looked
// for: a line may be megabytes long.
constexpr int Reach = 4096;

bool AtItem(const QTextBoundaryFinder& boundary) {
    return boundary.boundaryReasons() &
           (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem);
}

// On to the next boundary that starts or ends an item, or to the end of the text.
void NextItem(QTextBoundaryFinder& boundary, qsizetype length) {
    while (boundary.position() >= 0 && boundary.position() < length) {
        if (boundary.toNextBoundary() < 0 || boundary.position() >= length || AtItem(boundary))
            break;
    }
}

// Back to the previous boundary that starts or ends an item, or to the start of the text.
void PreviousItem(QTextBoundaryFinder& boundary) {
    while (boundary.position() > 0) {
        if (boundary.toPreviousBoundary() <= 0 || AtItem(boundary))
            break;
    }
}

// The item before (side -1), at (0) or after (1) offset in txt, by the rules of Qt's own
// QAccessibleTextInterface, which would apply them to the whole text.
QString ItemIn(const QString& txt, int offset, QTextBoundaryFinder::BoundaryType type, int side,
               int* startOffset, int* endOffset) {
    const qsizetype length = txt.size();
    if ((side < 0 && offset == 0) || (side >= 0 && offset == length)) {
        *startOffset = *endOffset = offset;
        return {};
    }
    QTextBoundaryFinder boundary(type, txt);
    boundary.setPosition(offset);
    qsizetype start = 0;
    qsizetype end = 0;
    if (side > 0) {
        NextItem(boundary, length);
        start = boundary.position();
        NextItem(boundary, length);
        end = boundary.position();
    } else {
        if (!AtItem(boundary))
            PreviousItem(boundary);
        if (side < 0) {
            end = boundary.position();
            PreviousItem(boundary);
            start = boundary.position();
        } else {
            start = boundary.position();
            NextItem(boundary, length);
            end = boundary.position();
        }
    }
    start = std::clamp<qsizetype>(start, 0, length);
    end = std::clamp<qsizetype>(end, start, length);
    *startOffset = int(start);
    *endOffset = int(end);
    return txt.mid(start, end - start);
}

} // namespace

AccessibleRichTextBox::AccessibleRichTextBox(RichTextBox* box)
    : QAccessibleWidget(box, QAccessible::EditableText) {}

void AccessibleRichTextBox::Adopt(RichTextBox* box) {
    static const bool installed = [] {
        TheActivity();
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
    // An interface asked for while QScintilla's constructor ran would be QScintilla's.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(box);
    if (made && !dynamic_cast<AccessibleRichTextBox*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    made = QAccessible::queryAccessibleInterface(box->engine);
    if (made && made->role() != QAccessible::Pane)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

namespace {
AccessibleRichTextBox::Listener listening = nullptr;
} // namespace

bool AccessibleRichTextBox::Listening() {
    return TheActivity().active || listening;
}

void AccessibleRichTextBox::Tell(QAccessibleEvent& event) {
    QAccessible::updateAccessibility(&event);
    if (listening)
        listening(&event);
}

void AccessibleRichTextBox::SetListener(Listener listener) {
    listening = listener;
}

RichTextBox& AccessibleRichTextBox::Box() const {
    return *static_cast<RichTextBox*>(widget());
}

QAccessible::Role AccessibleRichTextBox::role() const {
    return QAccessible::EditableText;
}

QAccessible::State AccessibleRichTextBox::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = Box().engine->SendScintilla(QsciScintillaBase::SCI_GETREADONLY) == 0;
    state.readOnly = !state.editable;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString AccessibleRichTextBox::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return Box().Text();
    return QAccessibleWidget::text(t);
}

void* AccessibleRichTextBox::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

// ---- Selection and caret ---------------------------------------------------------------------

void AccessibleRichTextBox::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    const RichTextBox& box = Box();
    if (selectionIndex != 0 || box.SelStartByte() == box.SelEndByte())
        return;
    *startOffset = box.CharFromEditorByte(box.SelStartByte());
    *endOffset = box.CharFromEditorByte(box.SelEndByte());
}

int AccessibleRichTextBox::selectionCount() const {
    return Box().SelStartByte() == Box().SelEndByte() ? 0 : 1;
}

void AccessibleRichTextBox::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void AccessibleRichTextBox::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        Box().SelectBytes(Box().CaretByte(), Box().CaretByte());
}

void AccessibleRichTextBox::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        Box().SelectBytes(Box().EditorByteFromChar(startOffset),
                          Box().EditorByteFromChar(endOffset));
}

int AccessibleRichTextBox::cursorPosition() const {
    return Box().CharFromEditorByte(Box().CaretByte());
}

void AccessibleRichTextBox::setCursorPosition(int position) {
    Box().SetSelStart(position);
}

// ---- Text ------------------------------------------------------------------------------------

QString AccessibleRichTextBox::text(int startOffset, int endOffset) const {
    const RichTextBox& box = Box();
    if (startOffset < 0 || endOffset < startOffset)
        return {};
    return box.RangeText(box.EditorByteFromChar(startOffset), box.EditorByteFromChar(endOffset));
}

int AccessibleRichTextBox::characterCount() const {
    return Box().TextLength();
}

QString AccessibleRichTextBox::textBeforeOffset(int offset,
                                                QAccessible::TextBoundaryType boundaryType,
                                                int* startOffset, int* endOffset) const {
    return Item(offset, boundaryType, Side::Before, startOffset, endOffset);
}

QString AccessibleRichTextBox::textAfterOffset(int offset,
                                               QAccessible::TextBoundaryType boundaryType,
                                               int* startOffset, int* endOffset) const {
    return Item(offset, boundaryType, Side::After, startOffset, endOffset);
}

QString AccessibleRichTextBox::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    return Item(offset, boundaryType, Side::At, startOffset, endOffset);
}

QString AccessibleRichTextBox::Item(int offset, QAccessible::TextBoundaryType boundaryType,
                                    Side side, int* startOffset, int* endOffset) const {
    const RichTextBox& box = Box();
    const int count = box.TextLength();
    if (offset == -2) // the caret, by convention
        offset = cursorPosition();
    if (offset == -1)
        offset = count;
    if (offset < 0 || offset > count) {
        *startOffset = *endOffset = -1;
        return {};
    }
    QTextBoundaryFinder::BoundaryType type = QTextBoundaryFinder::Grapheme;
    switch (boundaryType) {
    case QAccessible::CharBoundary:
        break;
    case QAccessible::WordBoundary:
        type = QTextBoundaryFinder::Word;
        break;
    case QAccessible::SentenceBoundary:
        type = QTextBoundaryFinder::Sentence;
        break;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary: // a paragraph is a line, or a row of a wrapped one
        return Line(offset, side, startOffset, endOffset);
    default:
        *startOffset = 0;
        *endOffset = count;
        return box.Text();
    }
    // The lines before, at and after the offset's line are enough to find the item.
    const long line =
        box.engine->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                  static_cast<unsigned long>(box.EditorByteFromChar(offset)));
    const long lines = box.engine->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT);
    const int fromByte =
        int(box.engine->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                      static_cast<unsigned long>(std::max(0L, line - 1))));
    const int toByte = line + 2 < lines
                           ? int(box.engine->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                                           static_cast<unsigned long>(line + 2)))
                           : box.EditorLength();
    const int from = std::max(box.CharFromEditorByte(fromByte), offset - Reach);
    const int to = std::min(box.CharFromEditorByte(toByte), offset + Reach);
    const QString around = box.RangeText(box.EditorByteFromChar(from), box.EditorByteFromChar(to));
    const QString item =
        ItemIn(around, offset - from, type, int(side) - int(Side::At), startOffset, endOffset);
    *startOffset += from;
    *endOffset += from;
    return item;
}

// A line with its line break.
QString AccessibleRichTextBox::Line(int offset, Side side, int* startOffset, int* endOffset) const {
    const RichTextBox& box = Box();
    const long lines = box.engine->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT);
    const long line =
        box.engine->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                  static_cast<unsigned long>(box.EditorByteFromChar(offset))) +
        (side == Side::Before  ? -1
         : side == Side::After ? 1
                               : 0);
    if (line < 0 || line >= lines) {
        *startOffset = *endOffset = line < 0 ? 0 : box.TextLength();
        return {};
    }
    const int startByte = int(box.engine->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                                        static_cast<unsigned long>(line)));
    const int endByte = line + 1 < lines
                            ? int(box.engine->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                                            static_cast<unsigned long>(line + 1)))
                            : box.EditorLength();
    *startOffset = box.CharFromEditorByte(startByte);
    *endOffset = box.CharFromEditorByte(endByte);
    return box.RangeText(startByte, endByte);
}

QString AccessibleRichTextBox::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}

// ---- Geometry --------------------------------------------------------------------------------

QRect AccessibleRichTextBox::characterRect(int offset) const {
    const RichTextBox& box = Box();
    const int byte = box.EditorByteFromChar(offset);
    const auto at = [&](int position) {
        return QPoint(int(box.engine->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0ul,
                                                    long(position))),
                      int(box.engine->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0ul,
                                                    long(position))));
    };
    const QPoint topLeft = at(byte);
    const QPoint next = at(int(box.engine->SendScintilla(QsciScintillaBase::SCI_POSITIONAFTER,
                                                         static_cast<unsigned long>(byte))));
    const int line = int(box.engine->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                                   static_cast<unsigned long>(byte)));
    const int height = int(box.engine->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT,
                                                     static_cast<unsigned long>(line)));
    const int width = next.y() == topLeft.y() && next.x() > topLeft.x()
                          ? next.x() - topLeft.x()
                          : box.fontMetrics().averageCharWidth();
    return {box.engine->viewport()->mapToGlobal(topLeft), QSize(width, height)};
}

int AccessibleRichTextBox::offsetAtPoint(const QPoint& point) const {
    const RichTextBox& box = Box();
    const QPoint local = box.engine->viewport()->mapFromGlobal(point);
    const long byte = box.engine->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE,
                                                static_cast<unsigned long>(std::max(0, local.x())),
                                                long(local.y()));
    return byte < 0 || local.x() < 0 ? -1 : box.CharFromEditorByte(int(byte));
}

void AccessibleRichTextBox::scrollToSubstring(int startIndex, int endIndex) {
    RichTextBox& box = Box();
    box.engine->SendScintilla(QsciScintillaBase::SCI_SCROLLRANGE,
                              static_cast<unsigned long>(box.EditorByteFromChar(endIndex)),
                              long(box.EditorByteFromChar(startIndex)));
}

// ---- Editing ---------------------------------------------------------------------------------

void AccessibleRichTextBox::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void AccessibleRichTextBox::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void AccessibleRichTextBox::replaceText(int startOffset, int endOffset, const QString& text) {
    RichTextBox& box = Box();
    box.SetSelStart(startOffset);
    box.SetSelLength(endOffset - startOffset);
    box.SetSelText(text);
}
