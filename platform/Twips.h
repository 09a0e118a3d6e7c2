// Twips (1/1440 inch) to and from pixels, with the primary screen's logical DPI, for window
// positions and sizes that the program keeps in twips.
#pragma once

inline constexpr double TwipsPerInch = 1440.0;

int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

// The same with a given DPI (rounded to the nearest pixel), for tests and other screens.
int TwipsToPixels(double twips, double dotsPerInch);
double PixelsToTwips(int pixels, double dotsPerInch);
