#include "devicefiles/DeviceName.h"

#include <algorithm>

#include "pictures/PictureCodec.h"

TFileHeader::TName DeviceName(const QByteArray& singleByteText) {
  // Everything from four characters before the first 0x13 (or the end) on is dropped.
  const qsizetype marker = singleByteText.indexOf('\x13');
  const qsizetype end = marker < 0 ? singleByteText.size() : marker;
  TFileHeader::TName name{};
  const qsizetype kept = std::clamp<qsizetype>(end - 4, 0, static_cast<qsizetype>(name.size()));
  std::copy_n(singleByteText.cbegin(), kept, name.begin());
  return name;
}

void SetPictureUploadHeader(TFileHeader& header, const QByteArray& singleByteText) {
  header.SetFileSize(static_cast<std::int32_t>(kPictureFileSize));
  header.SetDefaultFlag(0);
  header.SetAddedMark(0xFF);
  header.SetPosition(255);
  header.SetTypeCode(kTypePicture);
  header.SetAuxByte(0xFF);
  header.SetAuxWord(0xFF00);
  header.SetVersion(0x0100);
  header.SetName(DeviceName(singleByteText));
  header.SetChecksum(0);
}
