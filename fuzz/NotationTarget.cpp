// The parameter notation of command descriptors.
//
// Input: the notation text.
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "irda/DynaUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<platform::Bytes> bytes = ExpandNotation(text);
  if (text.empty()) FUZZ_CHECK(bytes && bytes->empty());
  if (!bytes) {
    // Malformed stays malformed whatever follows it.
    FUZZ_CHECK(!ExpandNotation(std::string(text) + ",1"));
    return 0;
  }
  // No token gives more than two bytes a character ("5" gives 05 00).
  FUZZ_CHECK(bytes->size() <= 2 * text.size());

  // The text is the concatenation of its tokens: each one expands on its own to its share.
  platform::Bytes joined;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    const std::optional<platform::Bytes> token = ExpandNotation(text.substr(start, end - start));
    FUZZ_CHECK(token.has_value());
    joined.insert(joined.end(), token->begin(), token->end());
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  FUZZ_CHECK(joined == *bytes);

  // A trailing comma adds nothing (after a comma it would make an empty token, and alone it
  // would be a leading one).
  if (!text.empty() && text.back() != ',') {
    const std::optional<platform::Bytes> trailing = ExpandNotation(std::string(text) + ",");
    FUZZ_CHECK(trailing && *trailing == *bytes);
  }
  return 0;
}
