// The rich text control `code` of a source window, over QScintilla, and the only way to it: the
// editing engine is a child widget of its own (platform/RichTextBoxEngine.h). Its members are those
// the program uses and behave as the program relies on: positions are 0-based UTF-16 code units
// (QString indices; a character beyond the Basic Multilingual Plane counts two, and a position
// between its two halves stands for the start of the character), a line break is the two
// characters CR LF, colours are numbers red + 256*green + 65536*blue.
// The adapter converts between character positions and the editor's byte positions in one
// place, keeps the insertion colour itself, and raises KeyDown, KeyPress (before the
// character is inserted) and SelChange as signals.
//
// Nothing in it costs in proportion to the text's size per key: positions are converted through
// the line index, and the accessible interface assistive technologies read (platform/
// AccessibleRichTextBox.h) is Kelto's own, whose events are raised only while one listens.
//
// A line wider than the right margin wraps there: the editor holds it as rows, each ended by a
// soft break (a lone LF that is not part of the text). The program never sees a soft break:
// Text, the positions, Find, SaveFile, the clipboard and the colours are those of the text
// alone; in the editor the two sides of a soft break are one position. The editor lays out a
// line whole to draw any of it, so rows keep a line of megabytes as quick as short ones.
#pragma once

#include <QString>
#include <QWidget>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/TextFile.h"

class QPrinter;
class QTimer;
class RichTextBoxEngine;

// What opening a file found that the user should hear of.
struct LoadNotes {
    bool binary = false;      // NUL characters: the file does not look like text
    bool mixedBreaks = false; // more than one line-break style; saving writes them all in one
};

// One colour range for bulk styling: characters [start, start + length) take colour.
struct ColourRange {
    int start = 0;
    int length = 0;
    long colour = 0;
};

class RichTextBox : public QWidget {
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
    // Selects the `length` characters from `start` with the caret at their start and the anchor
    // at their end, as a selection dragged backwards: the start is scrolled into view, and
    // SelStart and SelLength read back start and length.
    void SelectBackward(int start, int length);
    // Scrolls the 0-based line into the middle of the visible area, unless it is already clear
    // of its edges, once control returns to the event loop (after the window has its size and
    // the caret has been scrolled to): a scroll bar that appears then cannot cover it.
    void ScrollLineIntoView(int line);
    // The 0-based lines wholly visible, first and last.
    std::pair<int, int> VisibleLines() const;
    void SetSelColor(long colour);
    void SetSelColor(const QString& decimalColour);
    QString SelText() const;
    void SetSelText(const QString& text); // replaces the selection, converted to CR LF
    void SetHideSelection(bool hide);
    void SetFocus();
    // The width at which lines wrap, in twips; 0 or less: lines never wrap. Lines narrower than
    // the margin run on to the right, and a horizontal scroll bar reaches them. The margin
    // applies to text loaded or replaced after it is set (the width of a character of the
    // control's font decides how many characters a row holds); rows already made stay.
    void SetRightMargin(int width);
    void Move(int left, int top, int width, int height);

    // type 1 is plain text. Throw RuntimeError naming the path and the reason on failure;
    // the text and format stay as they were. SaveFile with expected writes only to that file
    // (TextFile::WriteAtomic).
    LoadNotes LoadFile(const QString& path, int type = 1);
    void SaveFile(const QString& path, int type = 1, const FileStamp* expected = nullptr);
    const TextFormat& FileFormat() const { return format; }
    // Whether the file at path is no longer what this control last read from or wrote to it:
    // another program changed it, replaced it, or made the path a symbolic link or a link to
    // another file. False for a path it never read or wrote, and where nothing is now.
    bool ChangedOnDisk(const QString& path) const;
    const QString& StampPath() const { return stampPath; }
    const FileStamp& DiskStamp() const { return stamp; }
    // Puts back text that was never saved (UTF-8 as the control held it, breaks untouched), with
    // the format and file stamp it belonged to; the text counts as changed.
    void RestoreText(const QByteArray& utf8, const TextFormat& fileFormat,
                     const QString& fileStampPath, const FileStamp& fileStamp);
    // The text differs from what was last loaded or saved.
    bool IsModified() const;

    int GetLineFromChar(int position) const;
    // 1-based position of the carriage return of the first CR LF at or after the character
    // position from, or 0 when there is none. Looks at line ends only, from from's line on.
    int FirstCrLfFrom(int from) const;
    // options: 2 whole word, 4 match case, 6 both; 0 (or omitted) neither. end -1: to the end.
    int Find(const QString& text, int start, int end = -1, int options = 0);
    // Prints the selection, or the whole text when nothing is selected, with its colours.
    void SelPrint(QPrinter& printer);

    // For the colouring engine and tests.
    long ColourAt(int position) const; // colour of the character at position
    long InsertionColour() const { return insertionColour; }
    // The text's UTF-8 bytes, valid until the next edit or the next turn of the event loop: the
    // editor's own, or a copy without the soft breaks when the text has rows.
    std::string_view Utf8View() const;
    // The same text without a copy, as the editor holds it: its bytes, with the soft breaks
    // (line feeds of the editor's own) at the given offsets, in order. Valid as Utf8View.
    struct HeldText {
        std::string_view bytes;
        std::span<const int> softBreaks;
    };
    HeldText Utf8Held() const;
    // The one conversion between positions and the bytes of Utf8View. Both land on a
    // character's start: a byte inside a character, or a position between the two halves of a
    // surrogate pair, stands for the start of that character.
    int CharFromByte(int bytePosition) const;
    int ByteFromChar(int charPosition) const;
    // How many soft breaks the editor holds (rows beyond the first of each wrapped line).
    int SoftBreakCount() const { return static_cast<int>(softBreaks.size()); }
    // Styles the ranges, later ones over earlier ones, selection untouched. Many ranges are
    // styled where the text is in view at once and elsewhere in slices while the program is
    // idle; whatever reads or changes colours or text first finishes them, so nothing can tell
    // the difference but the time.
    void ApplyColours(std::span<const ColourRange> ranges);
    bool ColoursPending() const { return pendingNext < pendingStyles.size(); }
    void FinishColours() const; // styles every queued colour now

    // While one lives, moves of the selection stay inside the control: SelStart, SelLength,
    // SelColor and SelChange work as ever, and the editor is handed only the selection the
    // batch ends with. The colouring engine's selections are its way of pointing at text: the
    // user never sees them drawn, and they never become the X11 primary selection that a
    // middle click pastes.
    class SelectionBatch {
    public:
        explicit SelectionBatch(RichTextBox& box);
        ~SelectionBatch();
        SelectionBatch(const SelectionBatch&) = delete;
        SelectionBatch& operator=(const SelectionBatch&) = delete;

    private:
        RichTextBox& box;
    };

    // Whether the editor itself holds a selection, which it draws and publishes as the primary
    // selection: the user's may, the colouring engine's never do (SelectionBatch).
    bool EditorHoldsSelection() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void KeyDown(int keyCode, int shift);
    void KeyPress(int& keyAscii);
    void SelChange();
    // The text was edited (typing, pasting, deleting, undo); not raised by whole-text loads.
    void TextChanged();

protected:
    // The control holds the keyboard focus; the engine, which fills it, is handed the keys,
    // input-method text, focus changes and keyboard context menus.
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class UserInput;
    class Replacement;
    class EditorSink;
    friend class RichTextBoxEngine;
    friend class AccessibleRichTextBox;

    // A style run queued by ApplyColours: bytes [start, start + length).
    struct PendingStyle {
        int start = 0;
        int length = 0;
        int style = 0;
    };

    int StyleFor(long colour);
    long Sci(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;
    // Bytes of the text (Utf8View) and of the editor's buffer, which holds the soft breaks too.
    // Every other byte position here is the editor's unless its name says otherwise.
    int ByteLength() const;
    int EditorLength() const;
    // A byte of the text to the editor's: at a soft break, the start of the row after it, or
    // (rowEnd) the end of the row before it.
    int EditorFromTextByte(int textByte, bool rowEnd = false) const;
    int TextFromEditorByte(int editorByte) const;
    int SoftBreaksBefore(int editorByte) const;
    bool IsSoftBreak(int editorByte) const;
    int EditorByteFromChar(int charPosition) const;
    // Lines of the text and the editor's lines (rows), one to the other.
    int LineOfEditorLine(long editorLine) const;
    int EditorLine(int line) const;
    int CharFromEditorByte(int editorByte) const;
    int SelectionEnd(int from, long long end) const;
    // Keeps the soft breaks in step with an edit (heard before it is made). An undo or a redo
    // that puts back text a deletion took puts back the soft breaks it held (TakenBreaks).
    void FollowSoftBreaks(int modificationType, int position, int length);
    // Before a key that moves or deletes across a row's end, the caret steps over the soft
    // breaks, so the key acts on the character beyond them.
    void CrossRowEnd(int key, Qt::KeyboardModifiers modifiers);
    // Bytes the editor hands the clipboard or a drag (a copy of its bytes from the selection or
    // its first line), without the soft breaks among them.
    QByteArray WithoutSoftBreaks(const QByteArray& editorBytes) const;
    bool IsAscii() const;
    int AnchorByte() const;
    int CaretByte() const;
    int SelStartByte() const;
    int SelEndByte() const;
    // The editor's UTF-8 bytes [start, end), soft breaks included, valid until the next call.
    std::string_view RangeView(int start, int end) const;
    // The text of the editor's bytes [start, end), without soft breaks.
    QByteArray RangeBytes(int start, int end) const;
    QString RangeText(int start, int end) const;
    // Moves the selection (bytes, anchor and caret), then refreshes the insertion colour and
    // raises SelChange.
    void SelectBytes(int anchor, int caret);
    // Takes note of the selection: when it moved since last noted (or `moved` says so), the
    // insertion colour follows the caret and SelChange is raised.
    void NoteSelection(bool moved);
    void FollowCaretLine();
    long ColourAtByte(int bytePosition) const;
    void StyleBytes(int start, int length, long colour);
    void SetStyling(int start, int length, int style) const;
    // Queued colours: the part inside [from, to), one idle slice.
    void StylePendingWithin(int from, int to) const;
    void StylePart(const PendingStyle& run, int from, int to) const;
    void StylePendingSlice();
    void OnStyleNeeded(int position);
    void ReplaceAll(const QByteArray& utf8, bool keepUndo);
    void ApplyFont();
    void OnModified(int position, int modificationType, const char* text, int length, int, int, int,
                    int, int, int);
    void OnUpdateUi(int updated);
    // Keeps byte ranges [start, start + length) in step with an edit; an insertion is added.
    static void FollowEdit(std::vector<std::pair<int, int>>& ranges, bool inserting, int position,
                           int length);
    // Assistive technologies hear of inserted text once it is in, of the caret and selection as
    // they move; nothing is computed for them while none listens.
    void AnnounceInsertions();
    void AnnounceSelection();

    RichTextBoxEngine* engine = nullptr;
    TextFormat format;
    QString stampPath; // the file last read or written, and how it was then
    FileStamp stamp;
    bool restoredUnsaved = false; // RestoreText's text, not yet saved
    long insertionColour = 0;
    std::vector<long> styleColours; // colour of each style, -1 while the style is free
    std::unordered_map<long, int> colourStyles;
    bool hideSelection = false;
    bool scrollPending = false;
    int userInputDepth = 0;                          // inside a user input event
    std::vector<std::pair<int, int>> userInsertions; // bytes inserted by that event
    int notedAnchor = 0;
    int notedCaret = 0;
    long blinkPeriod = 500; // ms, the editor's own
    bool steadyCaret = false;
    int batchDepth = 0; // inside a SelectionBatch: the selection is batchAnchor, batchCaret
    int batchAnchor = 0;
    int batchCaret = 0;
    int announcedAnchor = -1; // the selection assistive technologies last heard of
    int announcedCaret = -1;
    struct Insertion {
        int at = 0; // character position
        int byte = 0;
        int bytes = 0;
    };
    std::optional<Insertion> unannounced; // made, not yet told to assistive technologies
    // Queued colours, in order; those before pendingNext are styled.
    mutable std::vector<PendingStyle> pendingStyles;
    mutable std::size_t pendingNext = 0;
    mutable int pendingReads = 0;
    mutable std::vector<std::pair<int, int>> pendingDone; // byte windows already styled, sorted
    QTimer* colourSlices = nullptr;
    // All-ASCII text (characters are bytes) needs no line character index; the index is
    // allocated the first time a position is converted in other text.
    mutable bool asciiOnly = true;
    mutable std::vector<std::pair<int, int>> unchecked; // inserted bytes not yet looked at
    mutable bool indexed = false;
    mutable bool indexStale = false; // an edit misled the index (MisleadsIndex)
    mutable QByteArray rangeCopy;
    void EnsureIndex() const;
    bool MisleadsIndex(int modificationType, int position, int length) const;
    // Rows: characters a row holds (0: lines never wrap) and the editor positions of the soft
    // breaks, in order. The soft breaks are known by position only: a lone LF or CR of the text
    // itself (a binary file's) is never taken for one.
    int rowChars = 0;
    std::vector<int> softBreaks;
    bool replacing = false;
    // The soft breaks a deletion took, as offsets into the text it took. The editor's undo
    // history puts deleted text back as it was, at the same position, one deletion at a time
    // and the last first; while the text or its history holds soft breaks (keepTaken) every
    // deletion leaves a record here, so that the undo or redo that puts its text back finds
    // the record on top.
    struct TakenBreaks {
        int position = 0;
        int length = 0;
        std::vector<int> offsets;
    };
    std::vector<TakenBreaks> undoTaken; // deletions an undo puts back
    std::vector<TakenBreaks> redoTaken; // deletions made by an undo, which a redo puts back
    bool keepTaken = false;
    // A deletion left a lone CR just before a soft break, which the editor then counts with it
    // as one line end (CR LF): lines are counted the slow way from then on.
    bool crBeforeBreak = false;
    int BreaksEndingLines(int editorByte) const;
    mutable QByteArray plainText; // Utf8View's copy without the soft breaks
    mutable bool plainValid = false;
};
