// TFileHeader: one 32-byte device file header held in memory, with its place in the catalogue
// and the decoded picture of a picture file.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <span>

#include "platform/ByteOrder.h"

// Type codes of the device's file areas (raw header byte 6).
inline constexpr std::uint8_t kTypeLanguage = 3;
inline constexpr std::uint8_t kTypePicture = 4;
inline constexpr std::uint8_t kTypeFirmware = 5;

// The 32 bytes of a header as the device lists it.
using TRawHeader = std::array<std::uint8_t, 32>;

// True when two listed headers describe the same file: size, type, name and checksum agree. The
// default flag and the added mark are not part of a file's identity (an upload sends its header
// with another mark than the file it came from).
bool SameDeviceFile(const TRawHeader& a, const TRawHeader& b);

// The first 32 bytes of `bytes` as a listed header; bytes a short string lacks read as 0.
TRawHeader RawHeaderOf(std::span<const std::uint8_t> bytes);

// A plain value: copies are independent (the picture shares its pixels until one side writes).
struct TFileHeader {
  using TName = std::array<std::uint8_t, 16>;

  static constexpr std::size_t kRawSize = 32;
  static constexpr std::size_t kNameOffset = 12;
  static constexpr std::size_t kNameSize = 16;
  // The picture holder keeps the device's 128 × 80 aspect.
  static constexpr int kHolderWidth = 128;
  static constexpr int HolderHeightFor(int width) { return width * 80 / 128; }
  // A name never set is blank, not empty.
  static constexpr TName BlankName() {
    TName name{};
    name.fill(0x20);
    return name;
  }

  // The device's fields. The raw header holds the one-byte ones in another order (BuildRaw).
  std::int32_t FileSize = 0;
  std::uint16_t AuxWord = 0;
  std::uint8_t TypeCode = 0;
  std::uint8_t AddedMark = 0;
  std::uint8_t DefaultFlag = 0;
  std::uint8_t AuxByte = 0;
  std::uint16_t Version = 0;
  std::uint32_t Checksum = 0;
  TName Name = BlankName();
  // The 1-based place in the catalogue (renumbered when entries before it go), and the 0-based
  // place in the directory reply it came from (never renumbered).
  std::uint8_t Position = 0;
  std::uint8_t DirIndex = 0;
  // The header by which the device lists this file (its directory entry, or the header an upload
  // sent). Positions move when files are deleted; this is how the file is recognised again.
  TRawHeader ListedHeader{};
  // The decoded picture of a picture file; null for other files and before the picture is read.
  QImage Image;
  // The device's reply for this picture was too short to hold one: it has no picture to show.
  bool Unreadable = false;

  // Takes Name, FileSize, AddedMark and TypeCode from the raw header at the start of `raw`; the
  // other fields keep their values. Bytes that a short `raw` lacks read as 0, so a truncated
  // reply yields zero values and a zero-padded name instead of reading past its end.
  void ParseRaw(std::span<const std::uint8_t> raw);
  // The 32-byte raw header, little-endian, for uploads.
  platform::Bytes BuildRaw() const;

  // The name as the device lists it: cut at its first zero byte, decoded from UTF-8. A name that
  // is no UTF-8 is single-byte text (an uploaded picture's name is) and is shown as such.
  QString NameText() const;
  // The same narrowed to single-byte text (characters above U+00FF become '?'), as picture names
  // are shown.
  QString NameSingleByteText() const;
  // The holder's width never changes, so its height always follows from it.
  QSize HolderSize() const { return QSize(kHolderWidth, HolderHeightFor(kHolderWidth)); }
};
