#include "devicefiles/FileHeader.h"

#include <QStringDecoder>
#include <algorithm>

bool SameDeviceFile(const TRawHeader& a, const TRawHeader& b) {
  const auto same = [&](std::size_t from, std::size_t to) {
    return std::equal(a.begin() + from, a.begin() + to, b.begin() + from);
  };
  return same(0, 4) && a[6] == b[6] && same(TFileHeader::kNameOffset, TFileHeader::kRawSize);
}

TRawHeader RawHeaderOf(std::span<const std::uint8_t> bytes) {
  TRawHeader raw{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), raw.size()), raw.begin());
  return raw;
}

void TFileHeader::ParseRaw(std::span<const std::uint8_t> raw) {
  const auto byteAt = [&](std::size_t offset) -> std::uint8_t {
    return offset < raw.size() ? raw[offset] : 0;
  };
  FileSize = static_cast<std::int32_t>(platform::ReadLE(raw.data(), raw.size(), 0, 4));
  AddedMark = byteAt(5);
  TypeCode = byteAt(6);
  for (std::size_t i = 0; i < kNameSize; ++i) Name[i] = byteAt(kNameOffset + i);
}

platform::Bytes TFileHeader::BuildRaw() const {
  platform::Bytes raw(kRawSize, 0);
  platform::WriteLE32(raw, 0, static_cast<std::uint32_t>(FileSize));
  // The one-byte fields lie on the device in another order than they are declared here.
  raw[4] = DefaultFlag;
  raw[5] = AddedMark;
  raw[6] = TypeCode;
  raw[7] = AuxByte;
  platform::WriteLE16(raw, 8, AuxWord);
  platform::WriteLE16(raw, 10, Version);
  std::copy(Name.begin(), Name.end(), raw.begin() + kNameOffset);
  platform::WriteLE32(raw, 28, Checksum);
  return raw;
}

QString TFileHeader::NameText() const {
  const auto end = std::find(Name.begin(), Name.end(), 0);
  const QByteArrayView bytes(reinterpret_cast<const char*>(Name.data()), end - Name.begin());
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8(bytes);
  return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString TFileHeader::NameSingleByteText() const {
  QString text = NameText();
  for (QChar& c : text) {
    if (c.unicode() > 0xFF) c = QLatin1Char('?');
  }
  return text;
}
