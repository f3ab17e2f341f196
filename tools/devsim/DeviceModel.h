// The simulated dive computer itself, without any socket: its stored files per area and the
// command handling. The bus server frames requests with FrameRequest() and passes each whole
// request to Handle(); everything here is single-threaded (the simulator locks around it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeviceFiles.h"

namespace devsim {

// What one area stores: whole files (header + content, as they were sent), factory items first,
// and the 1-based index of the area's default item.
struct AreaContent {
  std::vector<Bytes> files;
  std::uint16_t defaultIndex = 1;
};

// Everything that survives a restart, indexed by AreaSlot().
using DeviceMemory = std::array<AreaContent, 3>;

struct DeviceSettings {
  std::uint8_t identity = 17;
  std::uint8_t battery = 7;
  int busyPolls = 2;
};

enum class FrameStatus {
  kIncomplete,  // more bytes needed; `length` says how many the request has at least
  kComplete,    // the request is the first `length` bytes
  kInvalid,     // unknown code, sub-code or packet kind: the stream cannot be followed
};

struct Frame {
  FrameStatus status = FrameStatus::kIncomplete;
  std::size_t length = 1;
};

struct Reply {
  Bytes bytes;                  // sent as they are, in one write; empty: no reply
  bool lengthPrefixed = false;  // the reply's first four bytes are its length
  bool endConnection = false;   // hostile or broken request: drop the link after the reply
  bool restart = false;         // new firmware took over: restart once the link ends
  std::vector<std::uint8_t> changedAreas;  // to be saved
  std::vector<std::string> notes;          // why something was refused or discarded
};

class DeviceModel {
 public:
  DeviceModel(DeviceMemory memory, DeviceSettings settings);

  // A new link starts ready, with no half-received upload.
  void BeginConnection();
  // Drops whatever upload or firmware chain the link left unfinished; returns a note or "".
  std::string EndConnection();

  // How long the request at the start of `data` is; depends on the upload under way.
  Frame FrameRequest(const std::uint8_t* data, std::size_t size) const;
  // Handles one complete request as FrameRequest() cut it.
  Reply Handle(const Bytes& request);

  const DeviceMemory& Memory() const { return memory_; }
  DeviceSettings& Settings() { return settings_; }
  // The version the firmware area's first header carries (major, minor); 0.0 without firmware.
  std::pair<std::uint8_t, std::uint8_t> FirmwareVersion() const;

 private:
  struct Upload {
    Bytes file;              // header first, content as it comes
    std::uint32_t size = 0;  // FileSize of the header packet
    bool keep = true;        // false: read to its end but not stored (area full)
  };

  Reply HandleIdentity();
  Reply HandleArea(std::uint8_t area);
  Reply HandleDirectory(std::uint8_t area);
  Reply HandleFile(std::uint8_t area, std::uint8_t position);
  Reply HandleBlock(const Bytes& request);
  Reply HandleDefault(std::uint8_t area, std::uint8_t index);
  Reply HandleDelete(std::uint8_t area, std::uint8_t position);
  void CompleteUpload(Reply& reply);
  void StoreFile(std::uint8_t area, Bytes file, Reply& reply);
  std::size_t RemainingContent() const;

  DeviceMemory memory_;
  DeviceSettings settings_;
  int busyLeft_ = 0;
  std::optional<Upload> upload_;
  // Firmware parts received so far, and how many the chain has in all.
  std::vector<Bytes> firmwareParts_;
  std::size_t firmwarePartsExpected_ = 0;
};

}  // namespace devsim
