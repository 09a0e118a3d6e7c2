// The signals that end the program, caught as an event: the test process is sent them and lives.
// What the program does with them is tried with the real program (kelto_e2e: SIGTERM during a
// build) and through frmMain::EndWithoutQuestions (BuildWindow tests).
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

#include "platform/EndSignals.h"

TEST(EndSignals, ArriveAsAnEventAndAnIgnoredOneStaysIgnored) {
    std::signal(SIGINT, SIG_IGN); // as for a program started in the background of a script
    {
        EndSignals caught;
        QSignalSpy received(&caught, &EndSignals::Received);
        ::raise(SIGTERM);
        ::raise(SIGHUP);
        ::raise(SIGINT);
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }));
        QTest::qWait(20);
        ASSERT_EQ(received.size(), 2);
        EXPECT_EQ(received[0][0].toInt(), SIGTERM);
        EXPECT_EQ(received[1][0].toInt(), SIGHUP);
    }
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL); // given back
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    std::signal(SIGINT, SIG_DFL);
}
