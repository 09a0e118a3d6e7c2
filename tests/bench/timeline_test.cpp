// The desktop benchmark's readings of a window event log: where a drawing ends, when the
// windows settled. A wrong reading here would put a wrong figure in docs/performance.md.
#include <gtest/gtest.h>

#include "bench/timeline.h"

namespace {

using Timeline::Event;

Event Paint(double time, std::uint32_t window, int width = 10, int height = 10) {
    return {time, Event::Kind::Paint, window, {0, 0, width, height}};
}

TEST(Timeline, FirstBurstIsOneDrawingOfTheWindowAskedFor) {
    const std::vector<Event> log = {
        Paint(1.0, 1),                  // before the key: not counted
        {5.0, Event::Kind::Map, 1, {}}, // not a paint
        Paint(6.0, 2),                  // another window's paint
        Paint(7.0, 1, 20, 5),
        Paint(8.5, 1, 4, 4), // one drawing, 1.5 ms apart
        Paint(9.0, 2),       // skipped, and does not end the drawing
        Paint(30.0, 1),      // the next drawing
    };
    const Timeline::Burst burst = Timeline::FirstBurst(log, 2.0, 3.0, 1);
    EXPECT_EQ(burst.start, 7.0);
    EXPECT_EQ(burst.end, 8.5);
    EXPECT_EQ(burst.paints, 2);
    EXPECT_EQ(burst.area, 20 * 5 + 4 * 4);

    // Any window: the other window's paint starts it.
    EXPECT_EQ(Timeline::FirstBurst(log, 2.0, 3.0).start, 6.0);
    EXPECT_EQ(Timeline::FirstBurst(log, 2.0, 3.0).end, 9.0);
    EXPECT_EQ(Timeline::FirstBurst(log, 31.0, 3.0).paints, 0);

    ASSERT_NE(Timeline::First(log, Event::Kind::Map, 0.0, 1), nullptr);
    EXPECT_EQ(Timeline::First(log, Event::Kind::Map, 0.0, 2), nullptr);
    EXPECT_EQ(Timeline::First(log, Event::Kind::Paint, 8.0, 1)->time, 8.5);
}

TEST(Timeline, SettledIsTheLastPaintBeforeAQuietSpell) {
    const std::vector<Event> log = {
        Paint(0.5, 1),                                     // before the start
        Paint(10.0, 1),   Paint(90.0, 1), Paint(180.0, 2), // gaps shorter than the quiet spell
        Paint(1500.0, 1),                                  // after a second of quiet
    };
    EXPECT_EQ(Timeline::Settled(log, 1.0, 1000.0), 180.0);
    EXPECT_EQ(Timeline::Settled(log, 1.0, 50.0), 10.0);
    EXPECT_EQ(Timeline::Settled(log, 200.0, 1000.0), 1500.0); // the last paint of all
    EXPECT_EQ(Timeline::Settled(log, 2000.0, 1000.0), -1.0);
    // A caret line redrawn every 500 ms (the same rectangle each time) does not keep the
    // windows busy; the drawing before the blinks does.
    const std::vector<Event> blinking = {Paint(10.0, 1, 500, 300), Paint(40.0, 1, 500, 19),
                                         Paint(510.0, 1, 500, 19), Paint(1010.0, 1, 500, 19),
                                         Paint(1510.0, 1, 500, 19)};
    EXPECT_EQ(Timeline::Settled(blinking, 1.0, 1000.0), 1510.0);
    EXPECT_EQ(Timeline::Settled(blinking, 1.0, 1000.0, false), 10.0);
    EXPECT_EQ(Timeline::PaintedArea(log, 10.0, 180.0), 200); // [from, to)
    EXPECT_EQ(Timeline::Median({3.0, 1.0, 2.0, 10.0}), 2.5);
    EXPECT_EQ(Timeline::Median({}), -1.0);
}

} // namespace
