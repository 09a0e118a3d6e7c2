// Twips conversions and the screen's DPI.
#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

double DotsPerInch(const QWidget* window, Qt::Orientation direction) {
    const QScreen* screen =
        window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    const double dpi =
        direction == Qt::Horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}

int TwipsToPixels(double twips, double dotsPerInch) {
    return int(std::lround(twips * dotsPerInch / TwipsPerInch));
}

double PixelsToTwips(int pixels, double dotsPerInch) {
    return pixels * TwipsPerInch / dotsPerInch;
}
