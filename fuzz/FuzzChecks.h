// What every fuzz target shares: a check that stops the run with a readable reason (libFuzzer
// then saves the input), and a cursor over the fuzz input for targets that take a few control
// bytes before the data.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

// A broken property is a finding like a crash: abort() makes libFuzzer keep the input.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

namespace fuzz {

// Takes control values off the front of the input; a short input reads zeros, so every input is
// usable and the seeds can lay out their fields plainly.
class TInput {
 public:
  TInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

  std::uint8_t Byte() {
    if (bytes_.empty()) return 0;
    const std::uint8_t value = bytes_.front();
    bytes_ = bytes_.subspan(1);
    return value;
  }
  std::uint16_t Word() {
    const std::uint8_t low = Byte();
    return static_cast<std::uint16_t>(low | Byte() << 8);
  }
  std::uint64_t Quad() {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= std::uint64_t{Byte()} << (8 * i);
    return value;
  }
  // Up to `count` bytes, fewer at the end of the input.
  std::span<const std::uint8_t> Take(std::size_t count) {
    const std::span<const std::uint8_t> taken = bytes_.first(std::min(count, bytes_.size()));
    bytes_ = bytes_.subspan(taken.size());
    return taken;
  }
  std::span<const std::uint8_t> Rest() const { return bytes_; }
  bool Empty() const { return bytes_.empty(); }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace fuzz
