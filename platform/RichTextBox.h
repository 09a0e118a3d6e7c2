// The rich text control `code` of a source window, over QScintilla. Its members are those the
// program uses and behave as the program relies on: positions are 0-based characters, a line
// break is the two characters CR LF, colours are numbers red + 256*green + 65536*blue.
// The adapter converts between character positions and the editor's byte positions in one
// place, keeps the insertion colour itself, and raises KeyDown, KeyPress (before the
// character is inserted) and SelChange as signals.
#pragma once

#include <Qsci/qsciscintillabase.h>
#include <QString>
#include <span>
#include <string_view>

#include "platform/TextFile.h"

class QPrinter;

// One colour range for bulk styling: characters [start, start + length) take colour.
struct ColourRange {
    int start = 0;
    int length = 0;
    long colour = 0;
};

class RichTextBox : public QsciScintillaBase {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    // Text (read); SetText replaces the whole text (line breaks converted to CR LF).
    QString Text() const;
    void SetText(const QString& text);
    int TextLength() const; // in characters, CR LF counted as two

    int SelStart() const;
    void SetSelStart(int position); // empties the selection
    int SelLength() const;
    void SetSelLength(int length);
    void SetSelColor(long colour);
    void SetSelColor(const QString& decimalColour);
    QString SelText() const;
    void SetSelText(const QString& text); // replaces the selection, converted to CR LF
    void SetHideSelection(bool hide);
    void SetFocus();
    void SetRightMargin(int width);
    void Move(int left, int top, int width, int height);

    // type 1 is plain text. Throw RuntimeError naming the path and the reason on failure;
    // the text and format stay as they were.
    void LoadFile(const QString& path, int type = 1);
    void SaveFile(const QString& path, int type = 1);
    const TextFormat& FileFormat() const { return format; }

    int GetLineFromChar(int position) const;
    // options: 2 whole word, 4 match case, 6 both; 0 (or omitted) neither. end -1: to the end.
    int Find(const QString& text, int start, int end = -1, int options = 0);
    // Prints the selection, or the whole text when nothing is selected, with its colours.
    void SelPrint(QPrinter& printer);

    // For the colouring engine and tests.
    long ColourAt(int position) const;  // colour of the character at position
    long InsertionColour() const { return insertionColour; }
    std::string_view Utf8View() const;  // the editor's own bytes, valid until the next edit
    int CharFromByte(int bytePosition) const;
    int ByteFromChar(int charPosition) const;
    void ApplyColours(std::span<const ColourRange> ranges); // one pass, selection untouched

signals:
    void KeyDown(int keyCode, int shift);
    void KeyPress(int& keyAscii);
    void SelChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    int StyleFor(long colour);

    TextFormat format;
    long insertionColour = 0;
    // further state is the implementation's
};
