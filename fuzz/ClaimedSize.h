// The largest image size that an image file's headers claim, read the way the readers' libraries
// read it, for the image targets to leave aside files that are legal but slow.
//
// The readers accept up to kMaxImagePixels (400 MB of pixels), and a file of a few bytes can
// claim that much: each such input costs the fuzzer a tenth of a second of zero-filling memory
// it learns nothing from, and at thousands of inputs a second they would take most of its time.
// Files claiming more than kMaxImagePixels are kept (the readers must refuse them at no cost),
// and so are those whose claim cannot be read here; fuzz/run.sh --all-sizes runs without this.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>

namespace fuzz {

inline std::uint64_t Le(std::span<const std::uint8_t> b, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | b[at + static_cast<std::size_t>(i)];
  return value;
}

inline std::uint64_t Be(std::span<const std::uint8_t> b, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = 0; i < width; ++i) value = value << 8 | b[at + static_cast<std::size_t>(i)];
  return value;
}

// BMP: the core header has 16-bit sizes, the others 32-bit ones with the height signed.
inline std::optional<std::uint64_t> BmpClaim(std::span<const std::uint8_t> b) {
  if (b.size() < 26) return std::nullopt;
  if (Le(b, 14, 4) == 12) return Le(b, 18, 2) * Le(b, 20, 2);
  const auto height = static_cast<std::int32_t>(Le(b, 22, 4));
  const std::uint64_t rows = height < 0 ? 0 - static_cast<std::uint64_t>(height) : height;
  return static_cast<std::uint64_t>(static_cast<std::int32_t>(Le(b, 18, 4)) < 0 ? 0
                                                                                : Le(b, 18, 4)) *
         rows;
}

// JPEG: the first start-of-frame marker's sizes.
inline std::optional<std::uint64_t> JpegClaim(std::span<const std::uint8_t> b) {
  std::size_t at = 2;
  while (at + 1 < b.size()) {
    if (b[at] != 0xFF) {
      ++at;
      continue;
    }
    const std::uint8_t marker = b[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (at + 4 > b.size()) return std::nullopt;
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > b.size()) return std::nullopt;
      return Be(b, at + 5, 2) * Be(b, at + 7, 2);
    }
    if (marker == 0xDA) return std::nullopt;
    at += 2 + Be(b, at + 2, 2);
  }
  return std::nullopt;
}

// TIFF: the first directory's image and tile sizes, classic or big, either byte order.
inline std::optional<std::uint64_t> TiffClaim(std::span<const std::uint8_t> b) {
  if (b.size() < 16 || b[0] != b[1] || (b[0] != 'I' && b[0] != 'M')) return std::nullopt;
  const bool little = b[0] == 'I';
  const auto read = [&](std::size_t at, int width) -> std::optional<std::uint64_t> {
    if (at > b.size() || b.size() - at < static_cast<std::size_t>(width)) return std::nullopt;
    return little ? Le(b, at, width) : Be(b, at, width);
  };
  const bool big = read(2, 2) == 43u;
  const std::optional<std::uint64_t> ifd = big ? read(8, 8) : read(4, 4);
  const std::optional<std::uint64_t> entries = ifd ? read(*ifd, big ? 8 : 2) : std::nullopt;
  if (!entries) return std::nullopt;
  std::uint64_t size[4] = {0, 0, 0, 0};  // width, length, tile width, tile length
  const std::uint64_t first = *ifd + (big ? 8 : 2);
  const std::uint64_t entrySize = big ? 20 : 12;
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(*entries, 4096); ++i) {
    const std::uint64_t entry = first + i * entrySize;
    const std::optional<std::uint64_t> tag = read(entry, 2);
    const std::optional<std::uint64_t> type = read(entry + 2, 2);
    if (!tag || !type) break;
    const int slot = *tag == 256 ? 0 : *tag == 257 ? 1 : *tag == 322 ? 2 : *tag == 323 ? 3 : -1;
    if (slot < 0) continue;
    const std::uint64_t valueAt = entry + (big ? 12 : 8);
    const int width = *type == 3 ? 2 : *type == 4 ? 4 : *type == 16 ? 8 : 0;
    const std::optional<std::uint64_t> value = width ? read(valueAt, width) : std::nullopt;
    if (value) size[slot] = std::max(size[slot], *value);
  }
  return std::max(size[0] * size[1], size[2] * size[3]);
}

// GIF: the logical screen, or the first image when it is larger.
inline std::optional<std::uint64_t> GifClaim(std::span<const std::uint8_t> b) {
  if (b.size() < 13) return std::nullopt;
  const std::uint64_t screen = Le(b, 6, 2) * Le(b, 8, 2);
  std::size_t at = 13 + (b[10] & 0x80 ? 3u << ((b[10] & 7) + 1) : 0u);
  while (at < b.size()) {
    if (b[at] == 0x2C) {
      if (at + 9 > b.size()) break;
      return std::max(screen, Le(b, at + 5, 2) * Le(b, at + 7, 2));
    }
    if (b[at] != 0x21 || at + 2 >= b.size()) break;
    at += 2;  // introducer and label, then the data blocks up to an empty one
    while (at < b.size() && b[at] != 0) at += 1u + b[at];
    ++at;
  }
  return screen;
}

}  // namespace fuzz
