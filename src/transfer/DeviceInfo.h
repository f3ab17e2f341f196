// TDeviceInfo: the record that carries one transfer's inputs and outputs between the main window
// and the transfer worker. A worker's record starts all zero.
#pragma once

#include <array>
#include <cstdint>

#include "platform/ByteOrder.h"

struct TDeviceInfo {
  std::uint32_t Reserved = 0;
  std::uint8_t Identity = 0;  // identity / ready byte: 17 or 25 for a supported device
  std::uint8_t Battery = 0;   // battery level in display segments
  std::array<std::uint8_t, 4> AreaReply{};  // bytes 2-3: 1-based index of the area's default
  platform::Bytes HeaderPacket;             // header block of a picture upload
  platform::Bytes PixelData;                // pixel data of a picture upload
  platform::Bytes Package;                  // language or firmware file to upload
  std::uint32_t FileParam = 0;  // file command (low 3 bytes sent), delete command (4 bytes)
  std::uint32_t DirParam = 0;   // directory command (low 3 bytes sent)
  platform::Bytes FileReply;    // reply of the latest file command
  platform::Bytes DirReply;     // reply of the latest directory command
};

// Identity bytes of a supported dive computer that is ready to talk.
inline bool IsSupportedIdentity(std::uint8_t identity) {
  return identity == 17 || identity == 25;
}
