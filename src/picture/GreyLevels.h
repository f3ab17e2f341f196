// Grey-level conversion: any picture becomes the device's 128 × 80 in the four level colours. The
// lightness measure, the three boundaries the sliders move, the stretch into the working picture
// and the enlarged preview, as plain functions over images.
#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>
#include <cstdint>

// The slider values, 0..120 each; 60 in the middle.
struct TGreyBoundaries {
  int Black = 60;  // between levels 0 and 1, at Black
  int Grey = 60;   // between levels 1 and 2, at Grey + 45
  int White = 60;  // between levels 2 and 3, at White + 100
};

// Neutral greys measure their component (0..255); any tinted colour 15 × (max + min) / 32,
// rounded half up (0..239). Hue and saturation play no part.
std::uint8_t ColorLightness(QRgb color);

// The level (0..3) of a pixel of this lightness: the first boundary it lies below decides.
std::uint8_t LevelOfLightness(int lightness, const TGreyBoundaries& boundaries);

// Replaces every pixel of `working` by the colour of its level. Each pixel alone: no dithering.
void ConvertToGreyLevels(QImage& working, const TGreyBoundaries& boundaries);

// Fills all of `target` with `source`, one source pixel per target pixel: target (x, y) takes
// source (⌊x · W / w⌋, ⌊y · H / h⌋) for a W × H source and a w × h target. Rows and columns are
// dropped when shrinking and repeated when enlarging; the aspect ratio is not kept. Only the
// w × h source pixels it takes are read. `target` keeps its size and becomes Format_RGB32.
void StretchInto(const QImage& source, QImage& target);

// The redraw pipeline: `source` stretched over the 128 × 80 working picture, then converted.
void RedrawWorkingPicture(const QImage& source, QImage& working, const TGreyBoundaries& boundaries);

// The working picture enlarged to `size` for the preview.
QImage PreviewOf(const QImage& working, QSize size);
