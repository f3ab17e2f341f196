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

class TFileHeader {
 public:
  using TName = std::array<std::uint8_t, 16>;

  static constexpr std::size_t kRawSize = 32;
  static constexpr std::size_t kNameOffset = 12;
  static constexpr std::size_t kNameSize = 16;
  // The picture holder keeps the device's 128 × 80 aspect.
  static constexpr int kHolderWidth = 128;
  static constexpr int HolderHeightFor(int width) { return width * 80 / 128; }

  TFileHeader();
  TFileHeader(const TFileHeader&) = delete;
  TFileHeader& operator=(const TFileHeader&) = delete;

  // Takes Name, FileSize, AddedMark and TypeCode from the raw header at the start of `raw`; the
  // other fields keep their values. Bytes that a short `raw` lacks read as 0, so a truncated
  // reply yields zero values and a zero-padded name instead of reading past its end.
  void ParseRaw(std::span<const std::uint8_t> raw);
  // Copies every device field and the picture of `source` and sets Position to index + 1, where
  // `index` is this object's 0-based catalogue slot. DirIndex is kept. The picture becomes an
  // independent copy: later changes to, or destruction of, the source do not reach it.
  void CopyFrom(const TFileHeader& source, int index);
  // The 32-byte raw header, little-endian, for uploads.
  platform::Bytes BuildRaw() const;

  std::int32_t FileSize() const { return fileSize_; }
  std::uint16_t AuxWord() const { return auxWord_; }
  std::uint8_t TypeCode() const { return typeCode_; }
  std::uint8_t AddedMark() const { return addedMark_; }
  std::uint8_t DefaultFlag() const { return defaultFlag_; }
  std::uint8_t AuxByte() const { return auxByte_; }
  std::uint16_t Version() const { return version_; }
  std::uint32_t Checksum() const { return checksum_; }
  const TName& Name() const { return name_; }
  std::uint8_t Position() const { return position_; }
  std::uint8_t DirIndex() const { return dirIndex_; }

  void SetFileSize(std::int32_t value) { fileSize_ = value; }
  void SetAuxWord(std::uint16_t value) { auxWord_ = value; }
  void SetTypeCode(std::uint8_t value) { typeCode_ = value; }
  void SetAddedMark(std::uint8_t value) { addedMark_ = value; }
  void SetDefaultFlag(std::uint8_t value) { defaultFlag_ = value; }
  void SetAuxByte(std::uint8_t value) { auxByte_ = value; }
  void SetVersion(std::uint16_t value) { version_ = value; }
  void SetChecksum(std::uint32_t value) { checksum_ = value; }
  void SetName(const TName& value) { name_ = value; }
  void SetPosition(std::uint8_t value) { position_ = value; }
  void SetDirIndex(std::uint8_t value) { dirIndex_ = value; }

  // The header by which the device lists this file (its directory entry, or the header an upload
  // sent). Positions move when files are deleted; this is how the file is recognised again.
  const TRawHeader& ListedHeader() const { return listedHeader_; }
  void SetListedHeader(const TRawHeader& raw) { listedHeader_ = raw; }

  // The name as the device lists it: cut at its first zero byte, decoded from UTF-8. A name that
  // is no UTF-8 is single-byte text (an uploaded picture's name is) and is shown as such.
  QString NameText() const;
  // The same narrowed to single-byte text (characters above U+00FF become '?'), as picture names
  // are shown.
  QString NameSingleByteText() const;

  // The decoded picture of a picture file; null for other files and before the picture is read.
  const QImage& Image() const { return image_; }
  void SetImage(const QImage& picture) { image_ = picture; }
  // The device's reply for this picture was too short to hold one: it has no picture to show.
  bool Unreadable() const { return unreadable_; }
  void SetUnreadable(bool unreadable) { unreadable_ = unreadable; }
  // The holder's width never changes, so its height always follows from it.
  QSize HolderSize() const { return QSize(kHolderWidth, HolderHeightFor(kHolderWidth)); }

 private:
  std::int32_t fileSize_ = 0;
  std::uint16_t auxWord_ = 0;
  std::uint8_t typeCode_ = 0;
  std::uint8_t addedMark_ = 0;
  std::uint8_t defaultFlag_ = 0;
  std::uint8_t auxByte_ = 0;
  std::uint16_t version_ = 0;
  std::uint32_t checksum_ = 0;
  TName name_;
  std::uint8_t position_ = 0;
  std::uint8_t dirIndex_ = 0;
  TRawHeader listedHeader_{};
  // QImage shares its pixels until one side writes, so a copied picture is independent.
  QImage image_;
  bool unreadable_ = false;
};
