// The text control converts positions without its line index while the text is all ASCII, and
// takes the index up the moment other characters arrive, however they arrive.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/RichTextBox.h"
#include "platform/RichTextBoxEngine.h"

namespace {

// Every character position converts to the byte offset its prefix has in UTF-8, and back.
void ExpectPositionsMatchText(const RichTextBox& box) {
    const QString text = box.Text();
    ASSERT_EQ(box.TextLength(), text.size());
    for (int c = 0; c <= text.size(); ++c) {
        if (c > 0 && text[c - 1].isHighSurrogate())
            continue;
        const int byte = int(text.left(c).toUtf8().size());
        ASSERT_EQ(box.ByteFromChar(c), byte) << c;
        ASSERT_EQ(box.CharFromByte(byte), c) << c;
    }
}

const QString eAcute = QString::fromUtf8("\xC3\xA9");
const QString euroAndEmoji = QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80");

TEST(RichTextBoxIndex, NonAsciiArrivingInAsciiTextIsCountedAsCharacters) {
    RichTextBox box;
    box.SetText("int a;\r\nint b;\r\n");
    ExpectPositionsMatchText(box);

    box.SetSelStart(3);
    box.SetSelText(eAcute); // through the adapter
    ExpectPositionsMatchText(box);
    EXPECT_EQ(box.SelStart(), 4);

    box.SetText("x\r\ny\r\n"); // ASCII again
    ExpectPositionsMatchText(box);
    box.show();
    box.setFocus();
    box.SetSelStart(4);
    for (const QString& typed : {euroAndEmoji.left(1), eAcute}) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
        QApplication::sendEvent(&box, &key); // typed
    }
    EXPECT_EQ(box.Text(),
              QStringLiteral("x\r\ny") + euroAndEmoji.left(1) + eAcute + QStringLiteral("\r\n"));
    ExpectPositionsMatchText(box);
    EXPECT_EQ(box.SelStart(), 6);

    box.SetText("x\r\n");
    QApplication::clipboard()->setText(eAcute + QStringLiteral("\n") + eAcute);
    box.SetSelStart(1);
    RichTextBoxEngine::Of(box).SendScintilla(
        QsciScintillaBase::SCI_PASTE); // inside the editor, past the adapter
    ExpectPositionsMatchText(box);
}

TEST(RichTextBoxIndex, UndoThatBringsBackNonAsciiTextIsCountedAsCharacters) {
    RichTextBox box;
    box.SetText(QStringLiteral("caf") + eAcute + QStringLiteral("\r\n") + euroAndEmoji);
    box.SetText("plain\r\n"); // one undo step puts the old text back
    ExpectPositionsMatchText(box);
    RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_UNDO);
    ASSERT_EQ(box.Text(), QStringLiteral("caf") + eAcute + QStringLiteral("\r\n") + euroAndEmoji);
    ExpectPositionsMatchText(box);
    RichTextBoxEngine::Of(box).SendScintilla(QsciScintillaBase::SCI_REDO);
    ExpectPositionsMatchText(box);
}

TEST(RichTextBoxIndex, LoadingAsciiAfterOtherTextAndBackKeepsPositions) {
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString wide = write("wide.c", "// caf\xC3\xA9\n\xE2\x82\xAC x\n");
    const QString ascii = write("ascii.c", "int x;\nint y;\n");
    const QString cp1252 = write("cp1252.c", "// caf\xE9\r\n");
    RichTextBox box;
    for (const QString& path : {wide, ascii, cp1252, ascii, wide}) {
        box.LoadFile(path);
        ExpectPositionsMatchText(box);
    }
    // Deleting the last non-ASCII character leaves positions right too.
    box.LoadFile(cp1252);
    box.SetSelStart(6);
    box.SetSelLength(1);
    box.SetSelText(QString());
    EXPECT_EQ(box.Text(), QStringLiteral("// caf\r\n"));
    ExpectPositionsMatchText(box);
}

} // namespace
