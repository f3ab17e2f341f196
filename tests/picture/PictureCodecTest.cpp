#include "picture/PictureCodec.h"

#include <gtest/gtest.h>

using platform::Bytes;

namespace {

Bytes PictureFile(const Bytes& pixels) {
  Bytes file(32 + pixels.size(), 0xEE);  // a header the decoder must not take for pixels
  std::copy(pixels.begin(), pixels.end(), file.begin() + 32);
  return file;
}

// True when every pixel of `picture` is `color`.
bool AllPixels(const QImage& picture, QRgb color) {
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if ((picture.pixel(x, y) & 0xFFFFFF) != (color & 0xFFFFFF)) return false;
    }
  }
  return true;
}

constexpr QRgb kBlack = qRgb(0x00, 0x00, 0x00);
constexpr QRgb kDarkGrey = qRgb(0x40, 0x40, 0x40);
constexpr QRgb kLightGrey = qRgb(0xA0, 0xA0, 0xA4);
constexpr QRgb kLightest = qRgb(0xC0, 0xDC, 0xC0);

}  // namespace

TEST(PictureCodec, LevelsAndColoursMatchExactly) {
  EXPECT_EQ(LevelToColor(0), kBlack);
  EXPECT_EQ(LevelToColor(1), kDarkGrey);
  EXPECT_EQ(LevelToColor(2), kLightGrey);
  EXPECT_EQ(LevelToColor(3), kLightest);
  EXPECT_EQ(LevelToColor(4), qRgb(0xFF, 0, 0));
  EXPECT_EQ(LevelToColor(255), qRgb(0xFF, 0, 0));

  EXPECT_EQ(ColorToLevel(kBlack), 0);
  EXPECT_EQ(ColorToLevel(kDarkGrey), 1);
  EXPECT_EQ(ColorToLevel(kLightGrey), 2);
  EXPECT_EQ(ColorToLevel(qRgba(0xA0, 0xA0, 0xA4, 0x00)), 2);
  for (QRgb other : {kLightest, qRgb(0xA0, 0xA0, 0xA0), qRgb(0xFF, 0xFF, 0xFF),
                     qRgb(0xC0, 0xC0, 0xC0), qRgb(0x41, 0x40, 0x40), qRgb(0xFF, 0, 0)}) {
    EXPECT_EQ(ColorToLevel(other), 3) << std::hex << other;
  }
}

TEST(PictureCodec, UniformDataDecodesToOneColour) {
  QImage picture = MakeWorkingPicture();
  ASSERT_EQ(picture.size(), QSize(128, 80));
  picture.fill(Qt::red);
  EXPECT_TRUE(DecodePicture(PictureFile(Bytes(2560, 0x00)), picture));
  EXPECT_TRUE(AllPixels(picture, kBlack));
  EXPECT_TRUE(DecodePicture(PictureFile(Bytes(2560, 0xFF)), picture));
  EXPECT_TRUE(AllPixels(picture, kLightest));
}

TEST(PictureCodec, BitLayoutLeftmostPixelInHighBits) {
  Bytes pixels(2560, 0);
  pixels[0] = 0x1B;
  pixels[31] = 0xE4;  // file byte 63: pixels 124..127 of row 0
  pixels[32] = 0x40;  // file byte 64: pixel (0, 1)
  QImage picture;     // not a working picture yet: the decoder makes it one
  ASSERT_TRUE(DecodePicture(PictureFile(pixels), picture));
  ASSERT_EQ(picture.size(), QSize(128, 80));
  const QRgb row0[] = {kBlack, kDarkGrey, kLightGrey, kLightest};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(picture.pixel(x, 0), row0[x]);
  const QRgb row0End[] = {kLightest, kLightGrey, kDarkGrey, kBlack};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(picture.pixel(124 + x, 0), row0End[x]);
  EXPECT_EQ(picture.pixel(0, 1), kDarkGrey);
  EXPECT_EQ(picture.pixel(1, 1), kBlack);
}

TEST(PictureCodec, EncodesLevelsIntoRowBytes) {
  QImage picture = MakeWorkingPicture();
  picture.setPixel(0, 0, kDarkGrey);
  picture.setPixel(1, 0, kLightGrey);
  const Bytes data = EncodePicture(picture);
  ASSERT_EQ(data.size(), 2560u);
  EXPECT_EQ(data[0], 0x60);
  EXPECT_EQ(Bytes(data.begin() + 1, data.end()), Bytes(2559, 0x00));

  picture.fill(qRgb(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(EncodePicture(picture), Bytes(2560, 0xFF));
}

TEST(PictureCodec, OtherFormatsAndSmallerPicturesEncode) {
  QImage rgb888(128, 80, QImage::Format_RGB888);
  rgb888.fill(QColor(0xA0, 0xA0, 0xA4));
  EXPECT_EQ(EncodePicture(rgb888), Bytes(2560, 0xAA));

  // Pixels a picture lacks count as level 3.
  QImage small(4, 1, QImage::Format_RGB32);
  small.fill(kBlack);
  const Bytes data = EncodePicture(small);
  EXPECT_EQ(data[0], 0x00);
  EXPECT_EQ(data[1], 0xFF);
  EXPECT_EQ(data[32], 0xFF);
  EXPECT_EQ(EncodePicture(QImage()), Bytes(2560, 0xFF));
}

TEST(PictureCodec, DecodeThenEncodeReturnsThePixelData) {
  Bytes pixels(2560);  // every byte value, ten times over
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
  Bytes file = PictureFile(pixels);
  file.insert(file.end(), {1, 2, 3});  // bytes beyond a whole picture are ignored
  QImage picture = MakeWorkingPicture();
  EXPECT_TRUE(DecodePicture(file, picture));
  EXPECT_EQ(EncodePicture(picture), pixels);
}

TEST(PictureCodec, ShortFileDecodesWhatIsThereAndReportsIt) {
  QImage picture = MakeWorkingPicture();
  picture.fill(Qt::white);
  Bytes file = PictureFile(Bytes(40, 0xFF));  // rows 0 and a quarter of row 1
  EXPECT_FALSE(DecodePicture(file, picture));
  Bytes expected(2560, 0x00);
  std::fill(expected.begin(), expected.begin() + 40, 0xFF);
  EXPECT_EQ(EncodePicture(picture), expected);

  picture.fill(Qt::white);
  EXPECT_FALSE(DecodePicture(Bytes(10, 0xFF), picture));
  EXPECT_TRUE(AllPixels(picture, kBlack));
  EXPECT_FALSE(DecodePicture(Bytes(2591, 0xFF), picture));
  EXPECT_EQ(picture.pixel(127, 79), kBlack);
  EXPECT_EQ(picture.pixel(123, 79), kLightest);
}
