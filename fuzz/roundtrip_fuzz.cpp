// The whole path a source file takes, on arbitrary bytes (byte-order marks, NULs, mixed and lone
// breaks, invalid UTF-8, unpaired surrogates): written to disk, opened in the real text control
// (read, decode), saved untouched (encode, safe write) and read back. The bytes must come back
// exactly, unless opening told the user the file mixes line-break styles; then they come back
// with every break in one style, holding the same text. Either way the file is not taken for
// changed by another program, and opening it again finds what the control holds.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/RichTextBox.h"

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
    const LoadNotes notes = code->LoadFile(path);
    const QByteArray held = Held();
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
