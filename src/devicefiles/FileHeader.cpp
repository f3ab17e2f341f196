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

TFileHeader::TFileHeader() {
  name_.fill(0x20);
}

void TFileHeader::ParseRaw(std::span<const std::uint8_t> raw) {
  const auto byteAt = [&](std::size_t offset) -> std::uint8_t {
    return offset < raw.size() ? raw[offset] : 0;
  };
  fileSize_ = static_cast<std::int32_t>(platform::ReadLE(raw.data(), raw.size(), 0, 4));
  addedMark_ = byteAt(5);
  typeCode_ = byteAt(6);
  for (std::size_t i = 0; i < kNameSize; ++i) name_[i] = byteAt(kNameOffset + i);
}

void TFileHeader::CopyFrom(const TFileHeader& source, int index) {
  position_ = static_cast<std::uint8_t>(index + 1);
  if (&source == this) return;
  fileSize_ = source.fileSize_;
  auxWord_ = source.auxWord_;
  typeCode_ = source.typeCode_;
  addedMark_ = source.addedMark_;
  defaultFlag_ = source.defaultFlag_;
  auxByte_ = source.auxByte_;
  version_ = source.version_;
  checksum_ = source.checksum_;
  name_ = source.name_;
  listedHeader_ = source.listedHeader_;
  image_ = source.image_;
  unreadable_ = source.unreadable_;
}

platform::Bytes TFileHeader::BuildRaw() const {
  platform::Bytes raw(kRawSize, 0);
  platform::WriteLE32(raw, 0, static_cast<std::uint32_t>(fileSize_));
  // The one-byte fields lie on the device in another order than they are declared here.
  raw[4] = defaultFlag_;
  raw[5] = addedMark_;
  raw[6] = typeCode_;
  raw[7] = auxByte_;
  platform::WriteLE16(raw, 8, auxWord_);
  platform::WriteLE16(raw, 10, version_);
  std::copy(name_.begin(), name_.end(), raw.begin() + kNameOffset);
  platform::WriteLE32(raw, 28, checksum_);
  return raw;
}

QString TFileHeader::NameText() const {
  const auto end = std::find(name_.begin(), name_.end(), 0);
  const QByteArrayView bytes(reinterpret_cast<const char*>(name_.data()), end - name_.begin());
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
