// The device picture format: a picture file decoded and encoded again gives back its pixel data,
// whatever picture the decoder was handed to overwrite; and any image encodes to 2560 bytes
// whose levels are its pixels' levels.
//
// Input: the kind (1 byte: modulo 5 it picks the picture to decode into; with bit 7 set another
// image is encoded too, its format from bits 1-2 and its size from bits 3-5), then the file.

#include "FuzzChecks.h"
#include "picture/PictureCodec.h"

namespace {

// What DecodePicture is handed to overwrite: the working picture, or one it must replace.
QImage Target(std::uint8_t kind) {
  switch (kind % 5) {
    case 0:
      return MakeWorkingPicture();
    case 1:
      return QImage();
    case 2:
      return QImage(kPictureWidth / 2, kPictureHeight, QImage::Format_RGB32);
    case 3:
      return QImage(kPictureWidth, kPictureHeight, QImage::Format_ARGB32);
    default:
      return QImage(kPictureWidth, kPictureHeight, QImage::Format_Indexed8);
  }
}

// An image of `width` × `height` in RGB32 whose pixels are the levels of the bytes in turn, with
// every fourth colour off the level colours.
QImage LevelImage(int width, int height, std::span<const std::uint8_t> bytes) {
  QImage image(width, height, QImage::Format_RGB32);
  std::size_t at = 0;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x, ++at) {
      const std::uint8_t byte = bytes.empty() ? 0 : bytes[at % bytes.size()];
      line[x] = at % 4 == 3 ? qRgb(byte, 0x12, 0x34) : kLevelColors[byte & 3];
    }
  }
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  const std::uint8_t kind = input.Byte();
  const std::span<const std::uint8_t> file = input.Rest();

  QImage picture = Target(kind);
  const bool whole = DecodePicture(file, picture);
  FUZZ_CHECK(whole == (file.size() >= kPictureFileSize));
  FUZZ_CHECK(picture.format() == QImage::Format_RGB32 && picture.width() == kPictureWidth &&
             picture.height() == kPictureHeight);

  // The pixel data of the file: the 2560 bytes after its header, zeros (level 0) where a short
  // file ends; bytes beyond a whole picture play no part.
  platform::Bytes expected(kPixelDataSize, 0);
  if (file.size() > kPictureHeaderSize) {
    const std::span<const std::uint8_t> pixels = file.subspan(
        kPictureHeaderSize, std::min(file.size() - kPictureHeaderSize, kPixelDataSize));
    std::copy(pixels.begin(), pixels.end(), expected.begin());
  }
  FUZZ_CHECK(EncodePicture(picture) == expected);
  for (int y = 0; y < kPictureHeight; y += 17) {
    for (int x = 0; x < kPictureWidth; x += 13) {
      const std::uint8_t byte = expected[static_cast<std::size_t>(y * kPictureWidth + x) / 4];
      const std::uint8_t level = byte >> (6 - 2 * (x % 4)) & 3;
      FUZZ_CHECK(picture.pixel(x, y) == LevelToColor(level));
      FUZZ_CHECK(ColorToLevel(picture.pixel(x, y)) == level);
    }
  }

  // Any other image, when the kind asks for one: its levels where it has pixels, level 3 where it
  // is smaller. Sizes around the picture's own, in formats the encoder reads directly or converts.
  if (kind & 0x80) {
    constexpr QSize kSizes[] = {{1, 1}, {127, 80}, {128, 79}, {129, 81}, {64, 40}, {128, 80}};
    const QSize size = kSizes[(kind >> 3 & 7) % 6];
    const QImage levels = LevelImage(size.width(), size.height(), file);
    const QImage other = kind & 4
                             ? levels.convertToFormat(QImage::Format_ARGB32)
                             : (kind & 2 ? levels.convertToFormat(QImage::Format_RGB888) : levels);
    const platform::Bytes encoded = EncodePicture(other);
    FUZZ_CHECK(encoded.size() == kPixelDataSize);
    for (int y = 0; y < kPictureHeight; ++y) {
      const auto* line =
          y < levels.height() ? reinterpret_cast<const QRgb*>(levels.constScanLine(y)) : nullptr;
      for (int x = 0; x < kPictureWidth; ++x) {
        const std::uint8_t byte = encoded[static_cast<std::size_t>(y * kPictureWidth + x) / 4];
        const std::uint8_t level = byte >> (6 - 2 * (x % 4)) & 3;
        FUZZ_CHECK(level == (line && x < levels.width() ? ColorToLevel(line[x]) : 3));
      }
    }
  }
  return 0;
}
