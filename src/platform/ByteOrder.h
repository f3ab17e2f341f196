// Byte strings and explicit little-endian access, used for every binary format on the link
// and in device files; nothing is ever read by casting a struct onto bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using Bytes = std::vector<std::uint8_t>;

// Reads `width` (1..4) little-endian bytes at `offset`; bytes past the end of `data` read as 0.
inline std::uint32_t ReadLE(const std::uint8_t* data, std::size_t size, std::size_t offset,
                            int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    const std::size_t at = offset + static_cast<std::size_t>(i);
    value = (value << 8) | (at < size ? data[at] : 0u);
  }
  return value;
}

inline std::uint32_t ReadLE32(const Bytes& data, std::size_t offset) {
  return ReadLE(data.data(), data.size(), offset, 4);
}

inline std::uint16_t ReadLE16(const Bytes& data, std::size_t offset) {
  return static_cast<std::uint16_t>(ReadLE(data.data(), data.size(), offset, 2));
}

// Writes the low `width` bytes of `value` at `offset`; `data` must be long enough.
inline void WriteLE(std::uint8_t* data, std::size_t offset, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) data[offset + static_cast<std::size_t>(i)] = (value >> (8 * i)) & 0xFF;
}

inline void WriteLE32(Bytes& data, std::size_t offset, std::uint32_t value) {
  WriteLE(data.data(), offset, value, 4);
}

inline void WriteLE16(Bytes& data, std::size_t offset, std::uint16_t value) {
  WriteLE(data.data(), offset, value, 2);
}

inline void AppendLE(Bytes& data, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) data.push_back((value >> (8 * i)) & 0xFF);
}

inline Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// "FF 04 06 00" style text, for logs and test messages.
std::string ToHex(const std::uint8_t* data, std::size_t size);
inline std::string ToHex(const Bytes& data) { return ToHex(data.data(), data.size()); }

}  // namespace platform
