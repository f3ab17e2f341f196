// Lightness, the level rule at its boundaries, the stretch into the working picture and the
// preview, with the numbers the sliders and the level colours give.
#include "picture/GreyLevels.h"

#include <gtest/gtest.h>

#include "picture/PictureCodec.h"

namespace {

TEST(GreyLevels, LightnessOfNeutralAndTintedColours) {
  const struct {
    QRgb color;
    int lightness;
  } cases[] = {
      {qRgb(0xC8, 0xC8, 0xC8), 200}, {qRgb(0xC8, 0xC8, 0xC9), 188}, {qRgb(255, 0, 0), 120},
      {qRgb(0, 255, 0), 120},        {qRgb(0, 0, 255), 120},        {qRgb(255, 255, 255), 255},
      {kLevelColors[0], 0},          {kLevelColors[1], 64},         {kLevelColors[2], 152},
      {kLevelColors[3], 193},        {qRgb(255, 255, 254), 239},    {qRgb(0, 0, 1), 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColorLightness(c.color), c.lightness) << std::hex << c.color;
  }
}

TEST(GreyLevels, LevelAtEveryBoundaryAndWithCrossedSliders) {
  const TGreyBoundaries middle;
  const TGreyBoundaries right{120, 120, 120};
  const TGreyBoundaries blackAtZero{0, 60, 60};
  const TGreyBoundaries greyBelowBlack{60, 0, 60};  // g + 45 <= b: no level 1
  const TGreyBoundaries whiteBelowGrey{0, 120, 0};  // w + 100 <= g + 45: no level 2
  const struct {
    TGreyBoundaries boundaries;
    int lightness;
    int level;
  } cases[] = {
      {middle, 59, 0},         {middle, 60, 1},          {middle, 104, 1},
      {middle, 105, 2},        {middle, 159, 2},         {middle, 160, 3},
      {middle, 255, 3},        {right, 255, 3},          {right, 120, 1},
      {middle, 120, 2},        {blackAtZero, 0, 1},      {greyBelowBlack, 59, 0},
      {greyBelowBlack, 60, 2}, {whiteBelowGrey, 150, 1}, {whiteBelowGrey, 165, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.boundaries.Black << "/" << c.boundaries.Grey << "/"
                                    << c.boundaries.White << " L " << c.lightness);
    EXPECT_EQ(LevelOfLightness(c.lightness, c.boundaries), c.level);
  }
}

TEST(GreyLevels, ConvertedPictureStaysAsItIsInTheMiddle) {
  QImage picture = MakeWorkingPicture();
  for (int x = 0; x < kPictureWidth; ++x) {
    for (int y = 0; y < kPictureHeight; ++y) picture.setPixel(x, y, kLevelColors[(x + y) % 4]);
  }
  const QImage before = picture;
  ConvertToGreyLevels(picture, {});
  EXPECT_EQ(picture, before);

  picture.fill(qRgb(255, 0, 0));
  ConvertToGreyLevels(picture, {120, 120, 120});
  EXPECT_EQ(picture.pixel(5, 5), kLevelColors[1]);
}

// A source whose pixel (x, y) encodes its own coordinates.
QImage Numbered(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] = qRgb(x % 256, y % 256, x / 256);
  }
  return image;
}

TEST(GreyLevels, StretchTakesOneSourcePixelPerTargetPixel) {
  const struct {
    QSize source;
    QSize target;
  } cases[] = {{{256, 80}, {128, 80}},  {{1, 1}, {128, 80}},     {{6000, 4000}, {128, 80}},
               {{128, 80}, {256, 160}}, {{128, 80}, {320, 200}}, {{3, 700}, {128, 80}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source.width() << "x" << c.source.height() << " -> "
                                    << c.target.width() << "x" << c.target.height());
    const QImage source = Numbered(c.source.width(), c.source.height());
    QImage target(c.target, QImage::Format_RGB32);
    StretchInto(source, target);
    ASSERT_EQ(target.size(), c.target);
    for (const QPoint p : {QPoint(0, 0), QPoint(c.target.width() - 1, c.target.height() - 1),
                           QPoint(c.target.width() / 2 + 1, c.target.height() / 3)}) {
      const int sx = static_cast<int>(qint64{p.x()} * c.source.width() / c.target.width());
      const int sy = static_cast<int>(qint64{p.y()} * c.source.height() / c.target.height());
      EXPECT_EQ(target.pixel(p), source.pixel(sx, sy)) << p.x() << "," << p.y();
    }
  }
}

TEST(GreyLevels, RedrawFillsTheWorkingPictureAndThePreviewRepeatsItsPixels) {
  QImage source(256, 80, QImage::Format_RGB32);
  source.fill(Qt::white);
  for (int y = 0; y < 80; ++y) source.setPixel(254, y, qRgb(0, 0, 0));  // the last-but-one column
  QImage working = MakeWorkingPicture();
  RedrawWorkingPicture(source, working, {});
  EXPECT_EQ(working.pixel(127, 10), kLevelColors[0]);  // squeezed, not cropped
  EXPECT_EQ(working.pixel(126, 10), kLevelColors[3]);

  const QImage preview = PreviewOf(working, {256, 160});
  EXPECT_EQ(preview.pixel(254, 20), kLevelColors[0]);
  EXPECT_EQ(preview.pixel(255, 21), kLevelColors[0]);
  EXPECT_EQ(preview.pixel(253, 20), kLevelColors[3]);
}

}  // namespace
