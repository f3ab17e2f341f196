// The device picture format: 128 × 80 pixels in four grey levels, two bits a pixel, and the
// conversions between a picture file and the working picture that shows its levels as colours.
#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <span>

#include "platform/ByteOrder.h"

inline constexpr int kPictureWidth = 128;
inline constexpr int kPictureHeight = 80;
inline constexpr std::size_t kPictureHeaderSize = 32;
inline constexpr std::size_t kPixelDataSize = kPictureWidth * kPictureHeight / 4;     // 2560
inline constexpr std::size_t kPictureFileSize = kPictureHeaderSize + kPixelDataSize;  // 2592

// The screen colours of levels 0 (darkest) to 3 (lightest). They are exact: encoding compares
// against them, so level 2 keeps its blue tint and level 3 its green one.
inline constexpr QRgb kLevelColors[4] = {qRgb(0x00, 0x00, 0x00), qRgb(0x40, 0x40, 0x40),
                                         qRgb(0xA0, 0xA0, 0xA4), qRgb(0xC0, 0xDC, 0xC0)};
// Never produced by decoding; the picture lists use it as their transparent colour.
inline constexpr QRgb kInvalidLevelColor = qRgb(0xFF, 0x00, 0x00);

// The colour of `level`; any level above 3 gives kInvalidLevelColor.
QRgb LevelToColor(std::uint8_t level);
// The level of `color` by exact comparison of its 24 colour bits (alpha ignored); any colour
// other than the first three level colours is level 3.
std::uint8_t ColorToLevel(QRgb color);

// A black 128 × 80 picture in the format the codec works in, which keeps exact 24-bit colours.
QImage MakeWorkingPicture();

// Overwrites every pixel of `workingPicture` (made a working picture first if it is not one)
// with the picture in `file`, header included. A file shorter than a whole picture is decoded as
// far as it goes and the missing pixels become level 0; false tells the caller the file was
// short. Bytes beyond a whole picture are ignored.
bool DecodePicture(std::span<const std::uint8_t> file, QImage& workingPicture);

// The 2560 bytes of pixel data of `workingPicture`. Pixels a smaller picture lacks count as
// level 3, like any other colour that is not a level colour.
platform::Bytes EncodePicture(const QImage& workingPicture);
