// The whole path a source file takes, on arbitrary bytes (byte-order marks, NULs, mixed and lone
// breaks, invalid UTF-8, unpaired surrogates): written to disk, opened in the real text control
// (read, decode), saved untouched (encode, safe write) and read back. The bytes must come back
// exactly, unless opening told the user the file mixes line-break styles; then they come back
// with every break in one style, holding the same text. Either way the file is not taken for
// changed by another program, and opening it again finds what the control holds. Read in chunks
// of any size (a window opened empty takes its file that way), the file gives what a whole read
// gives. Most files are opened with a right margin a few characters wide, so that their lines
// wrap into rows: the rows' ends never reach the file, and deleting all of the text and undoing
// that brings it back as it was.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/RichTextBox.h"
#include "platform/Twips.h"

namespace {

// Made once and never torn down: libFuzzer ends the process from inside its own loop.
RichTextBox* code = nullptr;
QTemporaryDir* dir = nullptr;
QString path;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

QByteArray Bytes() {
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The pieces ReadUtf8Into hands over, in one array.
class Collected : public TextFile::Utf8Sink {
public:
    void Begin(std::size_t bytes) override {
        announced = bytes;
        text.clear();
    }
    void Append(std::string_view piece) override {
        text.append(piece.data(), qsizetype(piece.size()));
    }
    void Discard() override { text.clear(); }
    QByteArray text;
    std::size_t announced = 0;
};

void Key(int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(code, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(code, &release);
}

QByteArray Held() {
    const std::string_view held = code->Utf8View();
    return {held.data(), qsizetype(held.size())};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    code = new RichTextBox;
    // Memory rather than disk where there is some: every save flushes.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    dir = new QTemporaryDir(base + QStringLiteral("/kelto-fuzz-XXXXXX"));
    std::atexit([] { delete dir; }); // libFuzzer ends the run with exit()
    path = dir->filePath(QStringLiteral("file.c"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(bytes) == bytes.size());
    }
    Collected chunked;
    const TextFile::ReadInfo info =
        TextFile::ReadUtf8Into(path, chunked, nullptr, 4 + (size > 0 ? data[0] % 29 : 0));
    const DecodedUtf8 whole = TextFile::DecodeToUtf8(bytes);
    Check(chunked.text == whole.utf8 && chunked.announced == std::size_t(whole.utf8.size()) &&
          info.format == whole.format && info.mixedBreaks == whole.mixedBreaks);
    // Rows of 1 to 7 characters, or (one file in eight) lines that never wrap.
    const int rowChars = int(size / 2 % 8);
    const int pixels = rowChars * QFontMetrics(code->font()).averageCharWidth();
    code->SetRightMargin(
        rowChars == 0 ? 0 : int(PixelsToTwips(pixels, DotsPerInch(code, Qt::Horizontal))) + 1);
    // UTF-8 text takes the chunked way: a fault there must not hide behind the whole read.
    Check(info.chunked ==
          (whole.format.encoding == TextFormat::Encoding::Utf8 && !whole.format.binary));
    if (size % 2 == 1)
        code->SetText(QString()); // an empty window reads its file straight into the editor
    const LoadNotes notes = code->LoadFile(path);
    const QByteArray held = Held();
    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_Delete, Qt::NoModifier);
    Check(Held().isEmpty());
    Key(Qt::Key_Z, Qt::ControlModifier);
    Check(Held() == held);
    QApplication::processEvents();
    code->SaveFile(path);
    const QByteArray saved = Bytes();
    Check(!code->ChangedOnDisk(path));
    Check(!(notes.binary && notes.mixedBreaks)); // a binary file keeps every break
    if (!notes.mixedBreaks) {
        Check(saved == bytes);
    } else if (code->FileFormat().encoding == TextFormat::Encoding::Windows1252 &&
               (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE"))) {
        // Its first bytes are a UTF-16 mark: with its breaks made one style, it may be valid
        // UTF-16 and open as such next time. Nothing is lost; the bytes are as saved.
        return 0;
    } else {
        const DecodedUtf8 again = TextFile::DecodeToUtf8(saved);
        Check(!again.mixedBreaks && again.utf8 == held && again.format == code->FileFormat());
    }
    code->LoadFile(path);
    Check(Held() == held);
    return 0;
}
