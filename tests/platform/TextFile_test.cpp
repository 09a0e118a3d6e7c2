// Plain-text files: detection, byte-exact round trips and atomic, failure-safe writes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <new>

#include "PrintQString.h"
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/RuntimeError.h"
#include "platform/TextFile.h"
#include "support/AsNobody.h"

namespace {

using Encoding = TextFormat::Encoding;
using LineBreak = TextFormat::LineBreak;

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(TextFileDecode, RoundTripsEveryKindOfFileByteForByte) {
    const QByteArray samples[] = {
        "",
        "int a;\r\nint b;\r\n",
        "int a;\nint b;\n",
        "no final break\r\nlast",
        "no final break\nlast",
        "\n\n\n",
        "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\n",
        "\xEF\xBB\xBF// with BOM\r\n",
        "\xEF\xBB\xBF\xEF\xBB\xBF two BOMs\n",
        "\xEF\xBB\xBF",
        "\xEF\xBB\xBF\xE9 looks like a BOM but is Windows-1252\r\n",
        "caf\xE9 \x80 \x81\x8D\x8F\x90\x9D \xFF\r\n", // Windows-1252, undefined bytes included
        QByteArray("nul\0inside\n", 11),
    };
    for (const QByteArray& bytes : samples) {
        const DecodedText decoded = TextFile::Decode(bytes);
        EXPECT_EQ(TextFile::Encode(decoded.text, decoded.format), bytes) << bytes.toHex().data();
    }
}

TEST(TextFileDecode, DetectsEncodingAndBreakStyle) {
    DecodedText d = TextFile::Decode("a\r\nb\nc");
    EXPECT_EQ(d.format.lineBreak, LineBreak::CrLf); // the first break decides
    EXPECT_EQ(d.text, QString("a\r\nb\r\nc"));
    EXPECT_EQ(d.format.encoding, Encoding::Utf8);
    EXPECT_FALSE(d.format.utf8Bom);

    d = TextFile::Decode("a\nb\r\nc");
    EXPECT_EQ(d.format.lineBreak, LineBreak::Lf);
    EXPECT_EQ(d.text, QString("a\r\nb\r\nc"));

    d = TextFile::Decode("\xEF\xBB\xBFx\xC3\xA9");
    EXPECT_TRUE(d.format.utf8Bom);
    EXPECT_EQ(d.text, QString::fromUtf8("x\xC3\xA9"));

    d = TextFile::Decode("\x93quoted\x94 \x80");
    EXPECT_EQ(d.format.encoding, Encoding::Windows1252);
    EXPECT_EQ(d.text, QString::fromUtf8("\xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x82\xAC"));

    // An encoded surrogate is not valid UTF-8.
    EXPECT_EQ(TextFile::Decode("\xED\xA0\x80").format.encoding, Encoding::Windows1252);
}

TEST(TextFileDecode, LoneCarriageReturnsDecideTheStyleOnlyWithoutAnyLf) {
    DecodedText d = TextFile::Decode("a\rb\nc");
    EXPECT_EQ(d.text, QString("a\r\nb\r\nc"));
    EXPECT_EQ(d.format.lineBreak, LineBreak::Lf);

    // A file of classic Mac OS breaks keeps them.
    d = TextFile::Decode("a\rb");
    EXPECT_EQ(d.text, QString("a\r\nb"));
    EXPECT_EQ(d.format.lineBreak, LineBreak::Cr);
    EXPECT_EQ(TextFile::Encode(d.text, d.format), QByteArray("a\rb"));
    EXPECT_EQ(TextFile::Decode("one line").format.lineBreak, TextFormat().lineBreak);
}

// Byte-order marks of UTF-16 and UTF-32 decide the encoding; an edited file is saved in it, an
// unedited one byte for byte. A body that is not valid in the mark's encoding is read byte by
// byte (it then holds NULs, and so counts as binary) and also written back as it was.
TEST(TextFileDecode, Utf16AndUtf32WithTheirMarkAreReadAndSavedInTheirOwnEncoding) {
    const QString text = QString::fromUtf8("a\r\n\xC3\xA9\xF0\x9F\x98\x80\xEF\xBB\xBF\r\n");
    const struct {
        Encoding encoding;
        QByteArray bytes;
    } files[] = {
        {Encoding::Utf16LE,
         QByteArray::fromHex("fffe 6100 0d00 0a00 e900 3dd8 00de fffe 0d00 0a00")},
        {Encoding::Utf16BE,
         QByteArray::fromHex("feff 0061 000d 000a 00e9 d83d de00 feff 000d 000a")},
        {Encoding::Utf32LE, QByteArray::fromHex("fffe0000 61000000 0d000000 0a000000 e9000000 "
                                                "00f60100 fffe0000 0d000000 0a000000")},
        {Encoding::Utf32BE, QByteArray::fromHex("0000feff 00000061 0000000d 0000000a 000000e9 "
                                                "0001f600 0000feff 0000000d 0000000a")},
    };
    for (const auto& [encoding, bytes] : files) {
        const DecodedText decoded = TextFile::Decode(bytes);
        EXPECT_EQ(decoded.format.encoding, encoding) << bytes.toHex().data();
        EXPECT_EQ(decoded.text, text);
        EXPECT_FALSE(decoded.format.binary);
        EXPECT_EQ(TextFile::Encode(decoded.text, decoded.format), bytes);
        const QByteArray edited = TextFile::Encode(decoded.text + "z", decoded.format);
        EXPECT_EQ(TextFile::Decode(edited).text, text + "z");
        EXPECT_EQ(TextFile::Decode(edited).format, decoded.format);
    }
    for (const QByteArray& invalid :
         {QByteArray::fromHex("fffe 6100 00"), QByteArray::fromHex("fffe 00dc 6100"),
          QByteArray::fromHex("fffe 3dd8 6100"), QByteArray::fromHex("0000feff 00110000")}) {
        const DecodedText decoded = TextFile::Decode(invalid);
        EXPECT_TRUE(decoded.format.binary) << invalid.toHex().data();
        EXPECT_EQ(TextFile::Encode(decoded.text, decoded.format), invalid);
    }
}

// A file with NUL bytes is no text: every byte and every break stays as found. Mixed breaks in
// text are noted, since saving writes them all in one style.
TEST(TextFileDecode, NulBytesKeepEveryBreakAndMixedBreaksAreNoted) {
    const QByteArray binary("\x7F"
                            "ELF\0\r\n\n\r\x01\r",
                            11);
    const DecodedText decoded = TextFile::Decode(binary);
    EXPECT_TRUE(decoded.format.binary);
    EXPECT_FALSE(decoded.mixedBreaks);
    EXPECT_EQ(decoded.text, QString::fromLatin1(binary.constData(), binary.size()));
    EXPECT_EQ(TextFile::Encode(decoded.text + "\r\n", decoded.format), binary + "\r\n");

    for (const char* mixed : {"a\r\nb\n", "a\nb\r", "a\r\nb\rc"})
        EXPECT_TRUE(TextFile::Decode(mixed).mixedBreaks) << mixed;
    for (const char* plain : {"a\r\nb\r\n", "a\nb", "a\rb\r", "", "\r\n"})
        EXPECT_FALSE(TextFile::Decode(plain).mixedBreaks) << plain;
}

TEST(TextFileEncode, TextForOtherProgramsTakesThePlatformsBreaks) {
#ifdef Q_OS_WIN
    EXPECT_EQ(TextFile::WithPlatformBreaks("a\r\nb\nc\rd"), QString("a\r\nb\r\nc\r\nd"));
#else
    EXPECT_EQ(TextFile::WithPlatformBreaks("a\r\nb\nc\rd"), QString("a\nb\nc\nd"));
#endif
}

TEST(TextFileEncode, WritesEveryBreakInTheFormatsStyle) {
    TextFormat lf;
    lf.lineBreak = LineBreak::Lf;
    EXPECT_EQ(TextFile::Encode("a\r\nb\nc\rd", lf), QByteArray("a\nb\nc\nd"));
    TextFormat crlf;
    crlf.lineBreak = LineBreak::CrLf;
    EXPECT_EQ(TextFile::Encode("a\r\nb\nc", crlf), QByteArray("a\r\nb\r\nc"));
}

TEST(TextFileEncode, Windows1252TextThatCannotBeEncodedIsSavedAsUtf8) {
    TextFormat cp;
    cp.encoding = Encoding::Windows1252;
    cp.lineBreak = LineBreak::CrLf;
    EXPECT_EQ(TextFile::Encode(QString::fromUtf8("\xE2\x82\xAC\xC3\xA9"), cp),
              QByteArray("\x80\xE9"));

    const QString greek = QString::fromUtf8("\xCE\xB1 \xC3\xA9");
    EXPECT_EQ(TextFile::FormatFor(greek, cp).encoding, Encoding::Utf8);
    EXPECT_FALSE(TextFile::FormatFor(greek, cp).utf8Bom);
    EXPECT_EQ(TextFile::Encode(greek, cp), greek.toUtf8());
    EXPECT_EQ(TextFile::Decode(TextFile::Encode(greek, cp)).text, greek);
}

// Checks of permissions, which do not bind root; as root they run as nobody (AsNobody.h).
#ifndef Q_OS_WIN
void UnreadableFileIsReported(const QString& folder) {
    const QString locked = folder + "/locked.c";
    WriteBytes(locked, "x");
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    try {
        TextFile::Read(locked);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.Description.contains(QDir::toNativeSeparators(locked)));
        EXPECT_TRUE(error.Description.contains("Permission denied"));
    }
}
#endif

void WriteRefusedByPermissions(const QString& folder) {
    const QString sub = folder + "/sub";
    QDir().mkdir(sub);
    const QString file = sub + "/kept.c";
    WriteBytes(file, "precious\r\n");
#ifndef Q_OS_WIN // a folder's permissions are its access control list there
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    // A new file in the folder is refused...
    try {
        TextFile::WriteAtomic(sub + "/new.c", "x");
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.Description.contains("Permission denied"));
    }
#endif
    // ... while the writable file in it is written in place (WriteAtomicInPlace tests more).
    QFile::setPermissions(file, QFileDevice::ReadOwner);
    EXPECT_THROW(TextFile::WriteAtomic(file, "replacement"), RuntimeError);
    EXPECT_EQ(ReadBytes(file), QByteArray("precious\r\n")); // a read-only file is not replaced
    QFile::setPermissions(sub,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

class TextFileOnDisk : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(TextFileOnDisk, ReadFailuresNameThePathAndTheReason) {
    const QString missing = Path("missing.c");
    try {
        TextFile::Read(missing);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number, 53);
        EXPECT_TRUE(error.Description.contains(QDir::toNativeSeparators(missing)));
        EXPECT_TRUE(error.Description.contains("No such file"));
    }
    try {
        TextFile::Read(dir.path());
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.Description.contains("directory"));
    }
#ifndef Q_OS_WIN // no mode makes a file unreadable there
    RunWherePermissionsBind("TextFileOnDisk.DISABLED_UnreadableAsNobody", dir.path(),
                            UnreadableFileIsReported);
#endif
}

// Workspace files and build templates are read whole and as they are, with Read's checks: a pipe
// is refused before anything could block on it.
TEST_F(TextFileOnDisk, AWholeReadGivesTheBytesAsTheyAreOrFailsAsReadDoes) {
    const QByteArray bytes("caf\xE9\r\n\x00\xFF\rlast", 13);
    WriteBytes(Path("raw.bat"), bytes);
    EXPECT_EQ(TextFile::ReadWhole(Path("raw.bat")), bytes);
    WriteBytes(Path("empty.bat"), "");
    EXPECT_EQ(TextFile::ReadWhole(Path("empty.bat")), QByteArray());

    struct Failure {
        QString path;
        int number;
        const char* reason;
    };
    QList<Failure> failures = {
        {Path("missing.bat"), 53, "No such file"},
        {dir.path(), 75, "Is a directory"},
    };
#ifndef Q_OS_WIN
    const QString pipe = Path("pipe.bat");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    failures.append({pipe, 75, "Not a regular file"});
#endif
    for (const auto& failure : failures) {
        try {
            TextFile::ReadWhole(failure.path);
            ADD_FAILURE() << "no error for " << failure.path.toStdString();
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number, failure.number) << failure.path.toStdString();
            EXPECT_TRUE(error.Description.contains(QDir::toNativeSeparators(failure.path)));
            EXPECT_TRUE(error.Description.contains(failure.reason))
                << error.Description.toStdString();
        }
    }
}

#ifndef Q_OS_WIN
TEST_F(TextFileOnDisk, DISABLED_UnreadableAsNobody) {
    UnreadableFileIsReported(NobodysTestDir());
}
#endif

// ReadUtf8Into's sink: every piece in one array, with what the reader said and did.
class Collected : public TextFile::Utf8Sink {
public:
    void Begin(std::size_t bytes) override {
        ++begun;
        announced = bytes;
        text.clear();
    }
    void Append(std::string_view piece) override {
        text.append(piece.data(), qsizetype(piece.size()));
    }
    void Discard() override {
        ++discarded;
        text.clear();
    }
    QByteArray text;
    std::size_t announced = 0;
    int begun = 0;
    int discarded = 0;
};

// Read in chunks as small as four bytes, every kind of file gives the bytes, format and notes a
// whole read gives: breaks, characters and marks cut between chunks, a file found to be
// Windows-1252 or binary only near its end, UTF-16 and UTF-32.
TEST_F(TextFileOnDisk, ReadingInChunksGivesWhatAWholeReadGives) {
    const QByteArray samples[] = {
        "",
        "a\r\nb\r\nc",
        "a\nb\r\nc\rd\n\r",
        "\r",
        "\n\n",
        "abc\r",
        "abc\r\n",
        "x\xC3\xA9y\xE2\x82\xACz\xF0\x9F\x98\x80w\r\n",
        "\xEF\xBB\xBF",
        "\xEF\xBB\xBF\xEF\xBB\xBF\r\n",
        QByteArray(21, 'a') + "\xE9\r\n",                // Windows-1252, found late
        QByteArray(21, 'a') + "\xC3",                    // a character cut off by the end
        QByteArray(21, 'b') + QByteArray("\0\r\n\r", 4), // binary, found late
        QByteArray("\xFF\xFE"
                   "a\0\r\0\n\0",
                   8),                        // UTF-16 LE
        QByteArray("\0\0\xFE\xFF\0\0\0a", 8), // UTF-32 BE
    };
    int n = 0;
    for (const QByteArray& bytes : samples) {
        const QString path = Path(QString("c%1.c").arg(n++));
        WriteBytes(path, bytes);
        const DecodedUtf8 whole = TextFile::DecodeToUtf8(bytes);
        for (const std::size_t chunk : {4, 5, 7, 64, 1 << 18}) {
            Collected sink;
            FileStamp stamp;
            const TextFile::ReadInfo info = TextFile::ReadUtf8Into(path, sink, &stamp, chunk);
            const std::string where = bytes.toHex().toStdString() + " in " + std::to_string(chunk);
            EXPECT_EQ(sink.text, whole.utf8) << where;
            EXPECT_EQ(sink.announced, std::size_t(whole.utf8.size())) << where;
            EXPECT_EQ(info.format, whole.format) << where;
            EXPECT_EQ(info.mixedBreaks, whole.mixedBreaks) << where;
            EXPECT_EQ(info.ascii, std::all_of(whole.utf8.begin(), whole.utf8.end(),
                                              [](char c) { return uchar(c) < 0x80; }))
                << where;
            EXPECT_EQ(stamp, TextFile::Stamp(path)) << where;
            // UTF-8 text takes the chunked way: a fault there must not hide behind the whole read.
            EXPECT_EQ(info.chunked, whole.format.encoding == Encoding::Utf8 && !whole.format.binary)
                << where;
        }
    }
}

// Another program writing to the file between the two readings: what the sink got is dropped
// and the file is read whole, as it is now.
TEST_F(TextFileOnDisk, AFileChangedBetweenTheReadingsIsReadAgainWhole) {
    const QString path = Path("moving.c");
    WriteBytes(path, "int a;\nint b;\n");
    class Writer : public Collected {
    public:
        QString path;
        void Begin(std::size_t bytes) override {
            Collected::Begin(bytes);
            if (begun == 1) {
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::Append));
                file.write("int c;\n");
            }
        }
    } sink;
    sink.path = path;
    EXPECT_FALSE(TextFile::ReadUtf8Into(path, sink, nullptr, 4).chunked);
    EXPECT_EQ(sink.begun, 2);
    EXPECT_EQ(sink.discarded, 1);
    EXPECT_EQ(sink.text, QByteArray("int a;\r\nint b;\r\nint c;\r\n"));
}

// Memory running out while a file is read is an error like any other (7, "Out of memory"), and
// leaves the sink empty. (A file too large to hold: HostileFiles.)
TEST_F(TextFileOnDisk, MemoryRunningOutIsAnError) {
    WriteBytes(Path("small.c"), "int a;\n");
    class Starved : public Collected {
        void Begin(std::size_t) override { throw std::bad_alloc(); }
    } starved;
    try {
        TextFile::ReadUtf8Into(Path("small.c"), starved);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number, 7);
        EXPECT_EQ(error.Description, "Cannot open \"" + QDir::toNativeSeparators(Path("small.c")) +
                                         "\": there is not enough memory for it");
    }
    EXPECT_EQ(starved.discarded, 1);
}

// On Linux a file name is bytes: one that is not UTF-8 comes back as it was, and two such names
// stay two. (Opened and saved by such a name: OpenFiles.)
TEST(TextFileNames, NamesThatAreNotUtf8KeepTheirBytes) {
    const QByteArray names[] = {"plain.c", "caf\xC3\xA9.c",           "a\xFF.c",
                                "a\xFE.c", "\xC3(\x80\xED\xA0\x80.c", "\xF0\x9F\x98\x80\xF8\xC3.c"};
    for (const QByteArray& name : names) {
        EXPECT_EQ(TextFile::ToBytes(TextFile::FromBytes(name)), name) << name.toHex().toStdString();
        if (name.isValidUtf8()) {
            EXPECT_EQ(TextFile::FromBytes(name), QString::fromUtf8(name));
        }
    }
    EXPECT_NE(TextFile::FromBytes("a\xFF.c"), TextFile::FromBytes("a\xFE.c"));
}

#ifndef Q_OS_WIN // QFile::link makes a shortcut (.lnk) there; hard links: reliability tests
TEST_F(TextFileOnDisk, WriteReplacesTheFileKeepingPermissionsAndLinks) {
    const QString target = Path("real.c");
    WriteBytes(target, "old");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner | QFileDevice::ReadOther);
    const QFileDevice::Permissions before = QFileInfo(target).permissions();
    const QString link = Path("link.c");
    ASSERT_TRUE(QFile::link(target, link));

    TextFile::WriteAtomic(link, "new\n");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(target), QByteArray("new\n"));
    EXPECT_EQ(QFileInfo(target).permissions(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no leftovers

    TextFile::WriteAtomic(Path("fresh.c"), "");
    EXPECT_TRUE(QFileInfo::exists(Path("fresh.c")));
}
#endif

TEST_F(TextFileOnDisk, FailedWriteKeepsTheOldFileAndSaysWhy) {
    const QString missingFolder = Path("no/such/folder/a.c");
    try {
        TextFile::WriteAtomic(missingFolder, "x");
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.Description.contains(QDir::toNativeSeparators(missingFolder)));
    }
    EXPECT_THROW(TextFile::WriteAtomic(dir.path(), "x"), RuntimeError);
}

TEST_F(TextFileOnDisk, WriteRefusedByPermissionsKeepsTheOldFile) {
    RunWherePermissionsBind("TextFileOnDisk.DISABLED_RefusedAsNobody", dir.path(),
                            WriteRefusedByPermissions);
}

TEST_F(TextFileOnDisk, DISABLED_RefusedAsNobody) {
    WriteRefusedByPermissions(NobodysTestDir());
}

} // namespace
