// One hexadecimal digit of either case, as device ids on the bus and the command notation both
// write them.
#pragma once

#include <optional>

namespace platform {

// The digit's value, 0 to 15; nothing for any other character.
constexpr std::optional<int> HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

}  // namespace platform
