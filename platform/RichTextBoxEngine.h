// The editing engine inside the rich text control: a QScintilla widget that fills the control,
// draws the text and takes the mouse, while the control (platform/RichTextBox.h) holds the
// keyboard focus and hands it the keys, input-method text and focus changes. Only platform/
// (the control, its accessible interface) and platform/'s tests include this header; everything
// else reaches the engine through RichTextBox's members.
#pragma once

#include <Qsci/qsciscintillabase.h>

class RichTextBox;

class RichTextBoxEngine : public QsciScintillaBase {
public:
    explicit RichTextBoxEngine(RichTextBox& box);

    static RichTextBoxEngine& Of(const RichTextBox& box);

    // An event the control received for the engine: keys, input-method text, focus changes, a
    // context menu asked for from the keyboard.
    bool Deliver(QEvent* event) { return QsciScintillaBase::event(event); }
    QVariant InputMethodQuery(Qt::InputMethodQuery query) const { return inputMethodQuery(query); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Text leaving for the clipboard or a drop takes the platform's line breaks.
    QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;

private:
    RichTextBox& box;
};
