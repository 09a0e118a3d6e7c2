// Source files that fight back, through the File commands as the user meets them: odd
// contents open and save back byte for byte; files that cannot be read or written are
// reported naming the path, and neither the window's text and caption nor any byte on disk
// changes.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QProcess>
#include <QTemporaryDir>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "support/AddressSanitizer.h"
#include "support/FileSizeLimit.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"

namespace {

// While it lives, saving over path fails part-way with the system's reason: on Linux the disk
// fills up (the file-size limit), on Windows another program holds the file without sharing it.
struct SaveBlocker {
#ifdef Q_OS_WIN
    explicit SaveBlocker(const QString& path)
        : held(CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), GENERIC_READ, 0,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
          active(held != INVALID_HANDLE_VALUE), reason(qt_error_string(ERROR_SHARING_VIOLATION)) {}
    ~SaveBlocker() {
        CloseHandle(held);
    }
    HANDLE held;
#else
    explicit SaveBlocker(const QString&) : disk(16 * 1024), active(disk.active) {}
    FileSizeLimit disk;
#endif
    SaveBlocker(const SaveBlocker&) = delete;
    SaveBlocker& operator=(const SaveBlocker&) = delete;
    const bool active;
    const QString reason = QStringLiteral("File too large");
};

class HostileFiles : public ProgramFixture {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        return WriteTestFile(dir, name, bytes);
    }
    static QByteArray Bytes(const QString& path) { return ReadTestFile(path); }
    QString Caption() const { return main->ActiveDocument()->Caption(); }
    RichTextBox& Code() const { return main->ActiveCode(); }
    QStringList Entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    // Opens path, checks nothing was reported, saves it untouched; the bytes on disk after.
    QByteArray OpenAndSaveUntouched(const QString& path) {
        main->OpenDocument(path);
        EXPECT_EQ(services.count("MsgBox"), 0) << path.toStdString();
        EXPECT_EQ(Caption(), path);
        main->mnuFileSave_Click();
        EXPECT_EQ(services.count("MsgBox"), 0) << path.toStdString();
        return Bytes(path);
    }
    // The one message shown since the last call, which must name path, once.
    void ExpectReported(const QString& path) {
        const auto boxes = services.callsOf("MsgBox");
        ASSERT_EQ(boxes.size(), reported + 1) << path.toStdString();
        EXPECT_EQ(boxes.back().text.count(QDir::toNativeSeparators(path)), 1)
            << boxes.back().text.toStdString();
        EXPECT_EQ(boxes.back().icon, MsgIcon::Exclamation);
        reported = boxes.size();
    }

    QTemporaryDir dir;
    std::size_t reported = 0;
};

TEST_F(HostileFiles, OddContentsOpenAndSaveBackByteForByte) {
    const struct {
        const char* name;
        QByteArray bytes;
        QString text; // as the window holds it
    } samples[] = {
        {"empty.c", "", ""},
        {"latin.c", "// caf\xE9 \x93quoted\x94 \x80\r\n",
         QString::fromUtf8("// caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x82\xAC\r\n")},
        {"mac.h", "#if A\r// x\rint b;\r", "#if A\r\n// x\r\nint b;\r\n"},
        {"unix.c", "a\nb", "a\r\nb"},
        {"bom.c", "\xEF\xBB\xBF#define X 1\r\n", QString::fromUtf8("\xEF\xBB\xBF#define X 1\r\n")},
        // What older Windows editors saved as "Unicode": UTF-16 LE with its mark, CR LF.
        {"unicode.c", QByteArray("\xFF\xFEi\0n\0t\0\r\0\n\0=\xD8\0\xDE", 16),
         QString::fromUtf8("int\r\n\xF0\x9F\x98\x80")},
        {"utf32.h", QByteArray("\0\0\xFE\xFF\0\0\0#\0\0\0\n", 12), "#\r\n"},
    };
    for (const auto& sample : samples) {
        const QString path = Write(sample.name, sample.bytes);
        main->OpenDocument(path);
        EXPECT_EQ(Code().Text(), sample.text) << sample.name;
        main->mnuFileClose_Click();
        EXPECT_EQ(OpenAndSaveUntouched(path), sample.bytes) << sample.name;
    }
}

// Told once, when the file opens: mixed breaks are saved in the first break's style; a file with
// NUL bytes is kept as it is, mixed breaks and all.
TEST_F(HostileFiles, MixedBreaksAndBinaryFilesAreToldOnceWhenOpened) {
    const struct {
        const char* name;
        QByteArray bytes;
        QByteArray saved;
        const char* told;
    } samples[] = {
        {"a.c", "one\r\ntwo\nthree\r\n", "one\r\ntwo\r\nthree\r\n", "as CR LF (Windows)"},
        {"b.c", "one\ntwo\r\nthree\rfour", "one\ntwo\nthree\nfour", "as LF (Linux and macOS)"},
        {"nuls.c", QByteArray("a\0\r\nb\nc\rd\xFF", 11), QByteArray("a\0\r\nb\nc\rd\xFF", 11),
         "NUL bytes"},
    };
    for (const auto& sample : samples) {
        const QString path = Write(sample.name, sample.bytes);
        main->OpenDocument(path);
        const auto boxes = services.callsOf("MsgBox");
        ASSERT_EQ(boxes.size(), reported + 1) << sample.name;
        EXPECT_TRUE(boxes.back().text.contains(path)) << boxes.back().text.toStdString();
        EXPECT_TRUE(boxes.back().text.contains(sample.told)) << boxes.back().text.toStdString();
        reported = boxes.size();
        main->mnuFileSave_Click();
        EXPECT_EQ(services.count("MsgBox"), int(reported)) << "told once only";
        EXPECT_EQ(Bytes(path), sample.saved) << sample.name;
    }
}

// Big files open, colour and save back whole. No time is asserted; the elapsed time is shown
// so that a slowdown is seen.
TEST_F(HostileFiles, AFiveMegabyteLineAndAFiftyMegabyteFile) {
    QByteArray line = "#define LONG ";
    line += QByteArray(5 * 1024 * 1024, 'x') + " // end\r\n";
    QByteArray big;
    big.reserve(50 * 1024 * 1024 + 64);
    const QByteArray row = "\tcount += 1; // tally the frags of every client\r\n";
    while (big.size() < 50 * 1024 * 1024)
        big += row;
    const struct {
        const char* name;
        const QByteArray& bytes;
        int colouredAt; // a directive's "#", a comment's "//"
        long colour;
    } files[] = {{"line.c", line, 1, 16711680}, {"big.c", big, 13, 32768}};
    for (const auto& [name, bytes, colouredAt, colour] : files) {
        const QString path = Write(name, bytes);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(OpenAndSaveUntouched(path), bytes) << name;
        EXPECT_TRUE(main->ActiveDocument()->ccode);
        EXPECT_EQ(Code().ColourAt(colouredAt), colour) << name; // coloured as C source
        std::printf("%s (%lld bytes): opened, coloured and saved in %lld ms\n", name,
                    static_cast<long long>(bytes.size()), static_cast<long long>(clock.elapsed()));
        main->mnuFileClose_Click();
    }
}

TEST_F(HostileFiles, WhatCannotBeOpenedIsReportedAndLeavesAnEmptyWindow) {
    const QString missing = dir.filePath("missing.c");
    const QString vanished = Write("vanished.c", "gone\r\n");
    QStringList unreadable = {missing, dir.path()};
#ifndef Q_OS_WIN
    const QString pipe = dir.filePath("pipe.c");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    unreadable << pipe << QStringLiteral("/dev/zero");
#endif

#ifndef Q_OS_WIN
    // Larger than Kelto holds: refused before a byte is read (sparse, it takes no disk space).
    const QString huge = dir.filePath("huge.c");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(1) << 32));
    }
    unreadable << huge;
#endif
    for (const QString& path : unreadable) {
        main->OpenDocument(path);
        ExpectReported(path);
        EXPECT_EQ(Caption().left(7), "Source ");
        EXPECT_EQ(Code().Text(), "");
    }
    // Chosen in the dialog, gone before it is read.
    services.fileAnswers = {vanished};
    QFile::remove(vanished);
    main->mnuFileOpen_Click();
    ExpectReported(vanished);
    // Double-clicked in the file browser, gone before the tick.
    const QString later = Write("later.c", "x");
    program->module1.PendingOpenFile = later;
    QFile::remove(later);
    main->Timer1_Timer();
    ExpectReported(later);
    EXPECT_EQ(program->module1.PendingOpenFile, "");
    main->Timer1_Timer(); // reported once, not at every tick
    EXPECT_EQ(services.count("MsgBox"), int(reported));
}

#ifndef Q_OS_WIN
// The child of the test below: with room for what it holds and a little more, it opens a file
// its editor has no room for, then a small one.
TEST_F(HostileFiles, DISABLED_OpensUnderAnAddressSpaceLimit) {
    QFile statm("/proc/self/statm");
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const rlim_t used = statm.readAll().split(' ').at(0).toULongLong() * ::sysconf(_SC_PAGESIZE);
    const rlimit limit{used + (48 << 20), used + (48 << 20)};
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limit), 0);
    main->OpenDocument(qEnvironmentVariable("KELTO_TEST_FILE"));
    ASSERT_EQ(services.count("MsgBox"), 1);
    EXPECT_TRUE(services.calls.back().text.contains("not enough memory"))
        << services.calls.back().text.toStdString();
    EXPECT_EQ(Code().Text(), "");
    main->OpenDocument(Write("small.c", "int a;\n"));
    EXPECT_EQ(Code().Text(), "int a;\r\n");
    EXPECT_EQ(services.count("MsgBox"), 1);
}

// Memory running out while a file is read is a message, never the end of the program: a child
// with an address-space limit opens a file of 128 MB. (AddressSanitizer cannot run under such a
// limit.)
TEST_F(HostileFiles, MemoryRunningOutWhileOpeningIsAMessage) {
#ifdef KELTO_ASAN
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
#endif
    QByteArray big;
    big.reserve(128 << 20);
    while (big.size() < (128 << 20))
        big += "\tlevel.framenum++; // one frame more\n";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELTO_TEST_FILE", Write("big.c", big));
    big.clear();
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests",
                 "--gtest_filter=HostileFiles.DISABLED_OpensUnderAnAddressSpaceLimit"});
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
}
#endif

// Save, Save As and the close prompt's save onto places that cannot take the file: each is
// reported naming the path, the window keeps its text and caption, the old file its bytes.
TEST_F(HostileFiles, FailedSavesChangeNothingOnDiskOrInTheWindow) {
    const QByteArray precious = "int precious;\r\n";
    const QString original = Write("game.c", precious);
    main->OpenDocument(original);
    Code().SetText("int edited;\r\n");
    const QString locked = Write("locked.c", precious);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    const QString intoMissing = dir.filePath("no/such/dir/a.c");
    QStringList unwritable = {intoMissing, dir.path(), locked};
#ifndef Q_OS_WIN
    const QString pipe = dir.filePath("pipe.c");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    unwritable << pipe;
#endif
    const QStringList before = Entries();

    for (const QString& target : unwritable) {
        services.fileAnswers = {target};
        main->mnuFileSaveAs_Click();
        ExpectReported(target);
        EXPECT_EQ(Caption(), original);
    }
    EXPECT_EQ(Bytes(locked), precious);

    // A disk that fills up during Save (a file held by another program on Windows).
    Code().SetText(QString(512 * 1024, QLatin1Char('y')));
    {
        SaveBlocker blocker(original);
        ASSERT_TRUE(blocker.active);
        main->mnuFileSave_Click();
        ExpectReported(original);
        EXPECT_TRUE(services.callsOf("MsgBox").back().text.contains(blocker.reason))
            << services.callsOf("MsgBox").back().text.toStdString();
    }
    EXPECT_EQ(Bytes(original), precious);
    EXPECT_EQ(Code().Text().size(), 512 * 1024);
    EXPECT_EQ(Entries(), before); // no temporary file left beside the target

    // And while closing the window: it stays open with its text.
    frmDocument* document = main->ActiveDocument();
    document->code_KeyDown(Qt::Key_Down, 0); // marks it changed
    services.messageAnswers = {MsgAnswer::Yes};
    {
        SaveBlocker blocker(original);
        EXPECT_FALSE(document->close());
    }
    ++reported; // the question came first
    ExpectReported(original);
    EXPECT_EQ(main->ActiveDocument(), document);
    EXPECT_EQ(Bytes(original), precious);
    EXPECT_EQ(Code().Text().size(), 512 * 1024);
    services.messageAnswers = {MsgAnswer::No}; // lets the fixture close it
}

} // namespace
