// The file formats a dive computer stores: the 32-byte file header in front of every file and
// the 2-bit grey pixel data of pictures, plus a small canvas to draw such pictures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ByteOrder.h"

namespace devsim {

using platform::Bytes;

inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kNameSize = 16;

inline constexpr std::uint8_t kLanguageArea = 3;
inline constexpr std::uint8_t kPictureArea = 4;
inline constexpr std::uint8_t kFirmwareArea = 5;
inline constexpr std::array<std::uint8_t, 3> kAreas = {kLanguageArea, kPictureArea, kFirmwareArea};

inline constexpr std::uint8_t kFactoryMark = 0x00;
inline constexpr std::uint8_t kAddedMark = 0xFF;

inline constexpr int kPictureWidth = 128;
inline constexpr int kPictureHeight = 80;
inline constexpr std::size_t kPixelDataSize = kPictureWidth * kPictureHeight / 4;  // 2560
inline constexpr std::size_t kPictureFileSize = kHeaderSize + kPixelDataSize;      // 2592

// Largest file the device accepts; a header claiming more is hostile or broken. Firmware parts
// are the biggest files (some hundred kilobytes).
inline constexpr std::uint32_t kMaxFileSize = 4u * 1024 * 1024;
// Positions travel in one byte, so an area cannot hold more files than this.
inline constexpr std::size_t kMaxFilesPerArea = 255;
// Byte 5 of a chain's first part counts the parts that follow it, so a chain has up to 256.
inline constexpr std::size_t kMaxFirmwareParts = 256;
// The memory one area offers; an upload that does not fit is read to its end but not stored.
inline constexpr std::size_t kMaxAreaBytes = 16u * 1024 * 1024;

// Where an area's content sits in per-area arrays: 0, 1, 2 for areas 3, 4, 5.
std::optional<std::size_t> AreaSlot(std::uint8_t area);

// The values of a file header, named as the tool names them; byte offsets in comments.
struct FileHeader {
  std::uint32_t FileSize = 0;    // 0..3, header included
  std::uint8_t DefaultFlag = 0;  // 4
  std::uint8_t AddedMark = 0;    // 5 (first firmware part: further parts that follow)
  std::uint8_t TypeCode = 0;     // 6
  std::uint8_t AuxByte = 0;      // 7
  std::uint16_t AuxWord = 0;     // 8..9
  std::uint16_t Version = 0;     // 10..11: major * 256 + minor
  std::string Name;              // 12..27, at most 16 bytes, NUL-padded on the wire
  std::uint32_t Checksum = 0;    // 28..31
};

Bytes BuildHeader(const FileHeader& header);
// Reads the header at the start of `data`; bytes missing from a short string read as 0.
FileHeader ParseHeader(const Bytes& data);
// A complete file: the header with its `FileSize` set to 32 + content size, then the content.
Bytes MakeFile(FileHeader header, const Bytes& content);
// The 32-bit sum of all bytes, the checksum our own package files carry.
std::uint32_t ByteSum(const Bytes& data, std::size_t from = 0);

// A 128 x 80 picture in grey levels 0 (black) .. 3 (lightest). Drawing outside clips.
class GreyCanvas {
 public:
  explicit GreyCanvas(int level = 3);

  int Level(int x, int y) const;
  void Set(int x, int y, int level);
  void FillRect(int x0, int y0, int x1, int y1, int level);  // inclusive corners
  void FillEllipse(double cx, double cy, double rx, double ry, int level);
  void Ring(double cx, double cy, double outer, double inner, int level);
  // Even-odd fill of a polygon given as x, y pairs.
  void FillPolygon(const std::vector<std::pair<double, double>>& points, int level);
  void Line(double x0, double y0, double x1, double y1, double width, int level);

  // Pixel data: 80 rows of 32 bytes, leftmost pixel in the top two bits.
  Bytes Encode() const;
  static GreyCanvas Decode(const Bytes& pixelData);

 private:
  std::array<std::uint8_t, kPictureWidth * kPictureHeight> levels_{};
};

}  // namespace devsim
