// What a factory-fresh simulated dive computer holds, and the sample language and firmware
// package files that `orvanel-devsim --make-samples` writes; all drawn and composed here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceFiles.h"

namespace devsim {

// The pictures, 128 x 80 in four grey levels, as pixel data.
Bytes DrawDiver();
Bytes DrawCompass();
Bytes DrawReef();
Bytes DrawFish();
Bytes DrawDiveFlag();

// A complete picture file: header (type 4, the given mark) and pixel data.
Bytes MakePictureFile(const std::string& name, std::uint8_t addedMark, const Bytes& pixelData);

// A language package file: header with type 3 and a string table as content, padded with 0xFF
// to `totalSize` bytes when that is larger than the table needs. `language` is one of the names
// that LanguageNames() lists.
Bytes MakeLanguageFile(const std::string& language, std::uint8_t addedMark,
                       std::size_t totalSize = 0);
std::vector<std::string> LanguageNames();

// A firmware file: `parts` chained parts of type 5, the first one's byte 5 saying how many
// follow; every part carries the version and the sum of its content as checksum.
Bytes MakeFirmwareFile(std::uint8_t major, std::uint8_t minor, const std::string& description,
                       const std::vector<std::size_t>& contentSizes);
// The same chain cut into its parts, as the device stores them.
std::vector<Bytes> SplitFirmwareParts(const Bytes& firmware);

// Factory content of a fresh device, factory items first.
std::vector<Bytes> DemoPictures();
std::vector<Bytes> DemoLanguages();
std::vector<Bytes> DemoFirmware(std::uint8_t major, std::uint8_t minor);

// Writes the sample package files into `directory` (created if missing). On failure returns
// false and says why in `error`.
bool WriteSamples(const std::string& directory, std::string& error);

}  // namespace devsim
