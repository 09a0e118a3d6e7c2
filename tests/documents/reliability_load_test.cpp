// Under load: ten thousand characters typed into a colour-coded window with timer ticks
// between them, two hundred source windows opened and closed, a thousand Find Again. The
// text is exactly what was typed, and the heap comes back to its size before (within a
// tolerance far below what one leaked window per open would cost).
#include <QDir>
#include <QFile>
#include <QPixmapCache>
#include <QTemporaryDir>
#include <QTest>
#include <cstddef>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <malloc.h>
#endif

#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "support/AddressSanitizer.h"
#include "support/ProgramFixture.h"

#ifdef KELTO_ASAN
// Declared here: gcc ships no <sanitizer/allocator_interface.h>, but its runtime has the call.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes of heap in use now: the sanitizer's own count under ASan (which replaces malloc),
// glibc's otherwise; on Windows the busy blocks of every heap of the process.
long long HeapInUse() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    // Qt keeps every window icon it has drawn in its pixmap cache, up to the cache's limit
    // (10 MB): bounded, and not the program's memory to give back.
    QPixmapCache::clear();
#ifdef KELTO_ASAN
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#elif defined(Q_OS_WIN)
    HANDLE heaps[256];
    const DWORD count = std::min<DWORD>(GetProcessHeaps(256, heaps), 256);
    long long busy = 0;
    for (DWORD i = 0; i < count; ++i) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                busy += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return busy;
#else
    malloc_trim(0);
    return static_cast<long long>(mallinfo2().uordblks);
#endif
}

class UnderLoad : public ProgramFixture {
protected:
    QString source;
    QTemporaryDir dir;

    void SetUp() override {
        ProgramFixture::SetUp();
        source = dir.filePath("g_main.c");
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 200; ++i)
            file.write("#define FRAG_LIMIT 20 // the frag limit\r\nint frags;\r\n");
    }
    // Opens and closes a source window `times` times.
    void OpenAndClose(int times) {
        for (int i = 0; i < times; ++i) {
            main->OpenDocument(source);
            ASSERT_EQ(main->ActiveDocument()->Caption(), source);
            main->mnuFileClose_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    // Types text into the active, colour-coded window in chunks, a tick after each chunk and
    // a line break as the Return key; the CR LF text the window must then hold.
    QString Type(int characters) {
        const QString pattern = QStringLiteral("#if A\r// note\rint x = 1; /* c */\r");
        QString typed;
        RichTextBox& code = main->ActiveCode();
        QString chunk;
        auto flush = [&] {
            QTest::keyClicks(&code, chunk);
            chunk.clear();
            main->Timer1_Timer();
        };
        for (int i = 0; i < characters; ++i) {
            const QChar c = pattern[i % pattern.size()];
            if (c == QLatin1Char('\r')) {
                flush();
                QTest::keyClick(&code, Qt::Key_Return);
                main->Timer1_Timer();
                typed += QStringLiteral("\r\n");
            } else {
                chunk += c;
                typed += c;
                if (chunk.size() == 8)
                    flush();
            }
        }
        flush();
        return typed;
    }
};

TEST_F(UnderLoad, TypingWindowsAndSearchesGiveBackTheirMemory) {
    // Warm up once, so that caches filled on first use (fonts, styles) are not counted.
    OpenAndClose(3);
    main->NewDocument();
    main->ActiveDocument()->ccode = true;
    Type(200);
    services.messageAnswers = {MsgAnswer::No};
    main->mnuFileClose_Click();
    const long long before = HeapInUse();

    main->NewDocument();
    main->ActiveDocument()->ccode = true;
    const QString typed = Type(10000);
    EXPECT_EQ(main->ActiveCode().Text(), typed);
    services.messageAnswers = {MsgAnswer::No};
    main->mnuFileClose_Click();

    const long long typedAndClosed = HeapInUse();
    OpenAndClose(200);
    const long long opened200 = HeapInUse();

    main->OpenDocument(source);
    main->LastFindText = QStringLiteral("frags");
    main->LastFindPos = -1;
    int wrapped = 0;
    for (int i = 0; i < 1000; ++i) {
        main->mnuEditFA_Click();
        if (main->LastFindPos < 0)
            ++wrapped; // past the last one Find Again finds nothing; the next starts over
    }
    EXPECT_GT(wrapped, 0);
    main->mnuFileClose_Click();
    for (const auto& box : services.callsOf("MsgBox"))
        EXPECT_EQ(box.title, "Save Changes?"); // only the close prompts, no failure

    const long long after = HeapInUse();
    const long long tolerance = 1024 * 1024;
    std::printf("heap in use: before %lld, after typing %lld, after 200 windows %lld, after "
                "Find Again %lld bytes\n",
                before, typedAndClosed, opened200, after);
    EXPECT_LT(after - before, tolerance);
}

} // namespace
