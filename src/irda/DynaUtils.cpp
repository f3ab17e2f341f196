#include "irda/DynaUtils.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/HexDigit.h"

namespace {

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal real with an optional sign and exponent, nothing else around it. from_chars rejects
// a leading plus and reads "inf" and "nan", so both are dealt with here.
std::optional<float> ParseReal(std::string_view text) {
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  bool hasDigit = false;
  for (char c : text) {
    if (IsDecimalDigit(c)) {
      hasDigit = true;
    } else if (c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E') {
      return std::nullopt;
    }
  }
  if (!hasDigit || text.empty() || text.front() == '+') return std::nullopt;
  float value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

// "$" and 1..8 hex digits; the bit pattern is taken as it is, so $FFFFFFFF is -1.
std::optional<std::int32_t> ParseHex(std::string_view text) {
  if (text.size() < 2 || text.size() > 9 || text.front() != '$') return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text.substr(1)) {
    const std::optional<int> digit = platform::HexDigitValue(c);
    if (!digit) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(*digit);
  }
  return static_cast<std::int32_t>(value);
}

// Optional sign and decimal digits within the 32-bit signed range, or the hexadecimal form.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '$') return ParseHex(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (!IsDecimalDigit(c)) return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > std::int64_t{1} << 31) return std::nullopt;  // stops long runs early too
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

bool AppendToken(std::string_view token, platform::Bytes& out) {
  if (token.empty()) return false;

  if (token.find('.') != std::string_view::npos) {
    const std::optional<float> real = ParseReal(token);
    if (!real) return false;
    platform::AppendLE(out, std::bit_cast<std::uint32_t>(*real), 4);
    return true;
  }

  if (token.front() == '\'') {
    // The closing character is dropped whatever it is; a lone apostrophe is an empty text.
    if (token.size() > 2) out.insert(out.end(), token.begin() + 1, token.end() - 1);
    return true;
  }

  int width = 2;
  std::string_view number = token;
  switch (token.front()) {
    case '$':
      width = static_cast<int>((token.size() - 1) / 2);
      break;
    case 'b':
      width = 1;
      number.remove_prefix(1);
      break;
    case 'w':
    case 'i':
      width = 2;
      number.remove_prefix(1);
      break;
    case 'l':
      width = 4;
      number.remove_prefix(1);
      break;
    default:
      break;
  }
  const std::optional<std::int32_t> value = ParseInteger(number);
  if (!value) return false;
  platform::AppendLE(out, static_cast<std::uint32_t>(*value), width);
  return true;
}

}  // namespace

std::optional<platform::Bytes> ExpandNotation(std::string_view text) {
  platform::Bytes out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    if (!AppendToken(text.substr(start, end - start), out)) return std::nullopt;
    if (comma == std::string_view::npos) break;
    start = comma + 1;  // a comma at the very end leaves nothing to read
  }
  return out;
}
