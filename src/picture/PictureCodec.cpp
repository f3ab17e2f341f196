#include "picture/PictureCodec.h"

#include <array>

namespace {

constexpr QImage::Format kWorkingFormat = QImage::Format_RGB32;
constexpr int kBytesPerRow = kPictureWidth / 4;

// The four colours of every byte value, leftmost pixel (bits 7-6) first: a picture is decoded
// twenty times and more per read, so the per-pixel work is a table look-up.
using TByteColors = std::array<std::array<QRgb, 4>, 256>;

constexpr TByteColors MakeByteColors() {
  TByteColors table{};
  for (int b = 0; b < 256; ++b) {
    for (int p = 0; p < 4; ++p) table[b][p] = kLevelColors[(b >> (6 - 2 * p)) & 0x03];
  }
  return table;
}

constexpr TByteColors kByteColors = MakeByteColors();

bool IsWorkingPicture(const QImage& picture) {
  return picture.format() == kWorkingFormat && picture.width() == kPictureWidth &&
         picture.height() == kPictureHeight;
}

}  // namespace

QRgb LevelToColor(std::uint8_t level) {
  return level <= 3 ? kLevelColors[level] : kInvalidLevelColor;
}

std::uint8_t ColorToLevel(QRgb color) {
  const QRgb rgb = color & 0x00FFFFFFu;
  for (std::uint8_t level = 0; level < 3; ++level) {
    if (rgb == (kLevelColors[level] & 0x00FFFFFFu)) return level;
  }
  return 3;
}

QImage MakeWorkingPicture() {
  QImage picture(kPictureWidth, kPictureHeight, kWorkingFormat);
  picture.fill(kLevelColors[0]);
  return picture;
}

bool DecodePicture(std::span<const std::uint8_t> file, QImage& workingPicture) {
  if (!IsWorkingPicture(workingPicture)) workingPicture = MakeWorkingPicture();
  const std::span<const std::uint8_t> pixels =
      file.size() > kPictureHeaderSize ? file.subspan(kPictureHeaderSize) : file.first(0);
  for (int y = 0; y < kPictureHeight; ++y) {
    auto* line = reinterpret_cast<QRgb*>(workingPicture.scanLine(y));
    for (int k = 0; k < kBytesPerRow; ++k) {
      const std::size_t at = static_cast<std::size_t>(y * kBytesPerRow + k);
      const auto& colors = kByteColors[at < pixels.size() ? pixels[at] : 0];
      for (int p = 0; p < 4; ++p) line[4 * k + p] = colors[p];
    }
  }
  return file.size() >= kPictureFileSize;
}

platform::Bytes EncodePicture(const QImage& workingPicture) {
  const QImage picture =
      workingPicture.format() == kWorkingFormat || workingPicture.format() == QImage::Format_ARGB32
          ? workingPicture
          : workingPicture.convertToFormat(kWorkingFormat);
  platform::Bytes data(kPixelDataSize, 0);
  for (int y = 0; y < kPictureHeight; ++y) {
    const QRgb* line =
        y < picture.height() ? reinterpret_cast<const QRgb*>(picture.constScanLine(y)) : nullptr;
    const int width = line ? picture.width() : 0;
    for (int k = 0; k < kBytesPerRow; ++k) {
      std::uint8_t byte = 0;
      for (int p = 0; p < 4; ++p) {
        const int x = 4 * k + p;
        const std::uint8_t level = x < width ? ColorToLevel(line[x]) : 3;
        byte = static_cast<std::uint8_t>(byte << 2 | level);
      }
      data[static_cast<std::size_t>(y * kBytesPerRow + k)] = byte;
    }
  }
  return data;
}
