#include "devicefiles/DeviceName.h"

#include <algorithm>

#include "picture/PictureCodec.h"

namespace {

constexpr qsizetype kMaxExtension = 4;

bool IsExtensionCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The length of a trailing extension with its dot, 0 when the text has none. Only letters and
// digits count, so "Mr. Fish" or "St. Ann" keep their words.
qsizetype ExtensionLength(const QByteArray& text) {
  const qsizetype dot = text.lastIndexOf('.');
  if (dot < 0) return 0;
  const qsizetype characters = text.size() - dot - 1;
  if (characters < 1 || characters > kMaxExtension) return 0;
  const bool plain = std::all_of(text.cbegin() + dot + 1, text.cend(), IsExtensionCharacter);
  return plain ? characters + 1 : 0;
}

}  // namespace

TFileHeader::TName DeviceName(const QByteArray& singleByteText) {
  // A text carrying the 0x13 marker loses the four characters before it and everything after.
  const qsizetype marker = singleByteText.indexOf('\x13');
  const qsizetype end =
      marker < 0 ? singleByteText.size() - ExtensionLength(singleByteText) : marker - 4;
  TFileHeader::TName name{};
  const auto size = static_cast<qsizetype>(name.size());
  qsizetype kept = std::clamp<qsizetype>(end, 0, size);
  // The device lists a nameless picture as an empty line that nobody can tell from another: a
  // text the rule would empty (".bmp", "ab\x13") keeps what it says instead.
  if (kept == 0) kept = std::min(singleByteText.size(), size);
  std::copy_n(singleByteText.cbegin(), kept, name.begin());
  return name;
}

void SetPictureUploadHeader(TFileHeader& header, const QByteArray& singleByteText) {
  header.FileSize = static_cast<std::int32_t>(kPictureFileSize);
  header.DefaultFlag = 0;
  header.AddedMark = 0xFF;
  header.Position = 255;
  header.TypeCode = kTypePicture;
  header.AuxByte = 0xFF;
  header.AuxWord = 0xFF00;
  header.Version = 0x0100;
  header.Name = DeviceName(singleByteText);
  header.Checksum = 0;
}
