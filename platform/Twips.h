// Twips (1/1440 inch) to and from pixels, for window positions and sizes that the program keeps
// in twips, with the logical DPI of the screen a window shows on.
#pragma once

#include <Qt>

class QWidget;

inline constexpr double TwipsPerInch = 1440.0;

// The logical DPI, in one direction, of the screen window shows on; the primary screen's for
// no window or one not shown yet, and 96 when there is no screen at all.
double DotsPerInch(const QWidget* window, Qt::Orientation direction);

// Rounded to the nearest pixel.
int TwipsToPixels(double twips, double dotsPerInch);
double PixelsToTwips(int pixels, double dotsPerInch);
