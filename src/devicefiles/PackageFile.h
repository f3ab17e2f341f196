// Language and firmware package files on the PC: the device file header in front of content the
// tool never interprets (a firmware file is a chain of such parts). Reading one whole and
// describing its header as the pages show it.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/ByteOrder.h"

// What the import panels show of a package.
struct TPackageFields {
  QString Size;      // "3242 Bytes"
  QString Version;   // "V3.12": major.minor, no leading zeros
  QString Name;      // cut at the first NUL; languages decoded from UTF-8, firmware single-byte
  QString Checksum;  // upper-case hex, 4 to 8 digits
};

// The fields of `data` when it is a whole package of `type` (kTypeLanguage or kTypeFirmware):
// the type byte matches, the header is there, and the size field (every part's, for a firmware
// chain) stays inside the file. Nothing otherwise: such a file is refused like a wrong type.
std::optional<TPackageFields> DescribePackage(std::span<const std::uint8_t> data,
                                              std::uint8_t type);

QString PackageVersionText(std::uint8_t major, std::uint8_t minor);
QString PackageChecksumText(std::uint32_t checksum);

enum class TPackageReadStatus {
  Read,
  CannotOpen,
  TooLarge,  // larger than any package can be: not read at all
};

// Reads the whole file at `path`. On Linux nothing keeps other programs out of a file, so
// "opened without sharing" is taken as far as the system has it: a file another program holds
// under an exclusive advisory lock (a writer that locks, say) cannot be opened.
TPackageReadStatus ReadPackageFile(const QString& path, platform::Bytes& data);
