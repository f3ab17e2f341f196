// PictureTextFont: the small crisp face typed text is drawn in on a 128 × 80 device picture, and
// the rounding its sizes are worked out with.
#pragma once

#include <QFont>

// numerator / denominator rounded to the nearest whole number, halves to the even one. The
// denominator is positive, the numerator not negative. Whole numbers throughout, so that a
// half stays a half whatever the screen's dots per inch.
int DivideRoundingHalfToEven(int numerator, int denominator);

// The picture text's size in points on a screen of `dpi` dots per inch: 7 × 96 / dpi, so that
// the glyphs keep about the same height in pixels (9 or 10) on every screen.
int PictureTextPointSize(int dpi);

// The picture text font at that size, drawn without antialiasing: the X "Fixed" bitmap face,
// loaded from its files on first use, or DejaVu Sans where those files are missing.
QFont PictureTextFont(int dpi);
