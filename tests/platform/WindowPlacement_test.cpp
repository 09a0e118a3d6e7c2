// The placement rules that need no window: where a window that cannot be used as stored goes,
// and when Kelto asks for X11 under Wayland.
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/WindowPlacement.h"

namespace {

// Two screens side by side, the right one taller, a panel along the left one's bottom.
const QList<QRect> Screens = {QRect(0, 0, 1280, 1000), QRect(1280, 0, 1920, 1080)};
constexpr int TitleBar = 24;

TEST(WindowPlacement, AWindowWithSomeOfItsTitleBarOnAnyScreenStaysWhereItIs) {
    for (const QRect rect :
         {QRect(100, 100, 800, 600), QRect(1000, 50, 800, 600), QRect(-700, 500, 800, 600),
          QRect(3000, 1060, 400, 300), QRect(100, 990, 400, 300)})
        EXPECT_EQ(WindowPlacement::Usable(rect, Screens, TitleBar), rect);
}

TEST(WindowPlacement, AWindowWithItsTitleBarOnNoScreenMovesOntoTheNearest) {
    // Below the left screen (the right one is taller, but not there): onto the left one.
    EXPECT_EQ(WindowPlacement::Usable(QRectF(100, 1020, 400, 300), Screens, TitleBar),
              QRect(100, 1000 - 300, 400, 300));
    // Far right: onto the right screen's right edge; above it: at its top.
    EXPECT_EQ(WindowPlacement::Usable(QRectF(9000, -5000, 600, 400), Screens, TitleBar),
              QRect(3200 - 600, 0, 600, 400));
    // Only the window's body is on a screen, its title bar above it: moved down.
    EXPECT_EQ(WindowPlacement::Usable(QRectF(200, -100, 400, 300), Screens, TitleBar),
              QRect(200, 0, 400, 300));
    // Places beyond any int are no trouble.
    EXPECT_EQ(WindowPlacement::Usable(QRectF(-1e15, 1e15, 400, 300), Screens, TitleBar),
              QRect(0, 1000 - 300, 400, 300));
}

TEST(WindowPlacement, SizesBeyondTheDesktopOrTheWindowLimitAreClamped) {
    // The desktop spans both screens: 3200 x 1080.
    EXPECT_EQ(WindowPlacement::Usable(QRectF(0, 0, 933333, 933333), Screens, TitleBar),
              QRect(0, 0, 3200, 1080));
    EXPECT_EQ(WindowPlacement::Usable(QRectF(10, 20, 0.2, 0.4), Screens, TitleBar),
              QRect(10, 20, 1, 1));
    // With no screen known, the platform's limit.
    EXPECT_EQ(WindowPlacement::Usable(QRectF(5, 5, 1e12, 100), {}, TitleBar),
              QRect(5, 5, QWIDGETSIZE_MAX, 100));
}

TEST(WindowPlacement, XWaylandOnlyWhenWaylandHasAnXDisplayAndNoPlatformIsChosen) {
    EXPECT_TRUE(WindowPlacement::PreferXWayland({"g_main.c"}, "wayland-0", ":0", ""));
    EXPECT_FALSE(WindowPlacement::PreferXWayland({}, "", ":0", ""));        // X11 session
    EXPECT_FALSE(WindowPlacement::PreferXWayland({}, "wayland-0", "", "")); // no XWayland
    EXPECT_FALSE(WindowPlacement::PreferXWayland({}, "wayland-0", ":0", "wayland"));
    EXPECT_FALSE(WindowPlacement::PreferXWayland({"-platform", "wayland"}, "wayland-0", ":0", ""));
    EXPECT_FALSE(WindowPlacement::PreferXWayland({"--platform", "xcb"}, "wayland-0", ":0", ""));
}

} // namespace
