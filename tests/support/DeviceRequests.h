// What a simulated dive computer was asked: its requests that begin with a code and sub-code.
#pragma once

#include <cstdint>
#include <vector>

#include "DeviceSimulator.h"

namespace testsupport {

inline std::vector<platform::Bytes> SentTo(const devsim::DeviceSimulator& device, std::uint8_t code,
                                           std::uint8_t sub) {
  std::vector<platform::Bytes> sent;
  for (const auto& request : device.Requests()) {
    if (request.bytes.size() >= 2 && request.bytes[0] == code && request.bytes[1] == sub)
      sent.push_back(request.bytes);
  }
  return sent;
}

inline int CountSentTo(const devsim::DeviceSimulator& device, std::uint8_t code, std::uint8_t sub) {
  return static_cast<int>(SentTo(device, code, sub).size());
}

}  // namespace testsupport
