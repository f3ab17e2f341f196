// Typed text as a device picture: the lines stacked from the top of a white 128 × 80 picture in
// black, as the text editor shows them, before the grey levels are applied.
#pragma once

#include <QFont>
#include <QImage>
#include <QStringList>

// A text picture holds this many lines at most; the first one's box starts at this row.
inline constexpr int kTextPictureLines = 8;
inline constexpr int kTextPictureTopRow = 5;

// Draws `lines` (the first kTextPictureLines of them) in `font` at `dpi` dots per inch, `gap`
// pixels between one line's size in points and the next line. Each line is narrowed to 8-bit
// text first and never wrapped: the picture's right and bottom edges cut what does not fit.
QImage RenderTextPicture(const QStringList& lines, const QFont& font, int gap, int dpi);
