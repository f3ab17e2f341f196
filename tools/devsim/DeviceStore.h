// The simulator's state folder: one file per area holding its stored files and default index,
// so that what was written survives a restart. Saves are atomic (temporary file, then rename);
// a damaged file is reported and left alone, never overwritten.
#pragma once

#include <cstdint>
#include <string>

#include "DeviceModel.h"

namespace devsim {

class DeviceStore {
 public:
  explicit DeviceStore(std::string directory);

  const std::string& Directory() const { return directory_; }
  // The file that holds `area` ("languages.area", ...).
  std::string AreaPath(std::uint8_t area) const;

  // Loads every area; an area without its file gets the factory content (firmware of the given
  // version) and is saved at once. False, with the reason in `error`, when the folder cannot be
  // made or a file is damaged; nothing is changed on disk then.
  bool Load(DeviceMemory& memory, std::uint8_t firmwareMajor, std::uint8_t firmwareMinor,
            std::string& error);
  bool Save(std::uint8_t area, const AreaContent& content, std::string& error) const;

  // The on-disk form of one area, and its strict reader (false and a reason for bad data).
  static Bytes Serialize(std::uint8_t area, const AreaContent& content);
  static bool Parse(std::uint8_t area, const Bytes& data, AreaContent& content, std::string& error);

 private:
  std::string directory_;
};

}  // namespace devsim
