#include "devicefiles/DeviceName.h"

#include <algorithm>

TFileHeader::TName DeviceName(const QByteArray& singleByteText) {
  // Everything from four characters before the first 0x13 (or the end) on is dropped.
  const qsizetype marker = singleByteText.indexOf('\x13');
  const qsizetype end = marker < 0 ? singleByteText.size() : marker;
  TFileHeader::TName name{};
  const qsizetype kept = std::clamp<qsizetype>(end - 4, 0, static_cast<qsizetype>(name.size()));
  std::copy_n(singleByteText.cbegin(), kept, name.begin());
  return name;
}
