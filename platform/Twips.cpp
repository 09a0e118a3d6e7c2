// Twips conversions on the primary screen.
#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {

// 96 DPI when there is no screen (no application object yet, or a headless run without one).
double LogicalDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double LogicalDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace

int TwipsToPixels(double twips, double dotsPerInch) {
    return int(std::lround(twips * dotsPerInch / TwipsPerInch));
}

double PixelsToTwips(int pixels, double dotsPerInch) {
    return pixels * TwipsPerInch / dotsPerInch;
}

int TwipsToPixelsX(double twips) {
    return TwipsToPixels(twips, LogicalDpiX());
}
int TwipsToPixelsY(double twips) {
    return TwipsToPixels(twips, LogicalDpiY());
}
double PixelsToTwipsX(int pixels) {
    return PixelsToTwips(pixels, LogicalDpiX());
}
double PixelsToTwipsY(int pixels) {
    return PixelsToTwips(pixels, LogicalDpiY());
}
