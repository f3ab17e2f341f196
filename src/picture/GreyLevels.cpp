#include "picture/GreyLevels.h"

#include <algorithm>
#include <array>
#include <vector>

#include "picture/PictureCodec.h"

std::uint8_t ColorLightness(QRgb color) {
  const int r = qRed(color), g = qGreen(color), b = qBlue(color);
  if (r == g && g == b) return static_cast<std::uint8_t>(r);
  const int sum = std::max({r, g, b}) + std::min({r, g, b});
  // floor(15 × sum / 32 + 1/2) in integers: the measure of tinted colours tops out at 239.
  return static_cast<std::uint8_t>((30 * sum + 32) / 64);
}

std::uint8_t LevelOfLightness(int lightness, const TGreyBoundaries& boundaries) {
  if (lightness < boundaries.Black) return 0;
  if (lightness < boundaries.Grey + 45) return 1;
  if (lightness < boundaries.White + 100) return 2;
  return 3;
}

void ConvertToGreyLevels(QImage& working, const TGreyBoundaries& boundaries) {
  if (working.format() != QImage::Format_RGB32) {
    working = working.convertToFormat(QImage::Format_RGB32);
  }
  // The level of each of the 256 lightness values, worked out once per conversion.
  std::array<QRgb, 256> colorOf{};
  for (int l = 0; l < 256; ++l) colorOf[l] = kLevelColors[LevelOfLightness(l, boundaries)];
  for (int y = 0; y < working.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(working.scanLine(y));
    for (int x = 0; x < working.width(); ++x) line[x] = colorOf[ColorLightness(line[x])];
  }
}

void StretchInto(const QImage& source, QImage& target) {
  if (target.format() != QImage::Format_RGB32) {
    target = target.convertToFormat(QImage::Format_RGB32);
  }
  const int w = target.width(), h = target.height();
  if (source.isNull() || w == 0 || h == 0) return;
  const QImage rgb =
      source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
          ? source
          : source.convertToFormat(QImage::Format_RGB32);
  const qint64 W = rgb.width(), H = rgb.height();
  std::vector<int> column(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) column[x] = static_cast<int>(x * W / w);
  for (int y = 0; y < h; ++y) {
    const auto* from =
        reinterpret_cast<const QRgb*>(rgb.constScanLine(static_cast<int>(y * H / h)));
    auto* to = reinterpret_cast<QRgb*>(target.scanLine(y));
    for (int x = 0; x < w; ++x) to[x] = from[column[x]] | 0xFF000000u;
  }
}

void RedrawWorkingPicture(const QImage& source, QImage& working,
                          const TGreyBoundaries& boundaries) {
  if (working.size() != QSize(kPictureWidth, kPictureHeight)) working = MakeWorkingPicture();
  StretchInto(source, working);
  ConvertToGreyLevels(working, boundaries);
}

QImage PreviewOf(const QImage& working, QSize size) {
  QImage preview(size, QImage::Format_RGB32);
  StretchInto(working, preview);
  return preview;
}
