#include "devicefiles/DeviceName.h"

#include <algorithm>

TFileHeader::TName DeviceName(const QByteArray& singleByteText) {
  QByteArray s = singleByteText;
  const qsizetype length = s.size();
  const qsizetype marker = s.indexOf('\x13');
  // 1-based: e is the first 0x13 or L + 1; everything from e - 4 to L becomes zero.
  const qsizetype e = marker < 0 ? length + 1 : marker + 1;
  for (qsizetype position = std::max<qsizetype>(e - 4, 1); position <= length; ++position) {
    s[position - 1] = '\0';
  }
  TFileHeader::TName name{};
  for (std::size_t i = 0; i < name.size() && static_cast<qsizetype>(i) < s.size(); ++i) {
    name[i] = static_cast<std::uint8_t>(s[static_cast<qsizetype>(i)]);
  }
  return name;
}
