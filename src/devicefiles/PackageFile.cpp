#include "devicefiles/PackageFile.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>

#include "devicefiles/FileHeader.h"
#include "texts/LangStrings.h"

#ifdef __unix__
#include <sys/file.h>
#endif

namespace {

constexpr std::size_t kHeaderSize = TFileHeader::kRawSize;
constexpr std::size_t kPartsOffset = 5;
constexpr std::size_t kTypeOffset = 6;
constexpr std::size_t kMinorOffset = 10;
constexpr std::size_t kMajorOffset = 11;
constexpr std::size_t kChecksumOffset = 28;
// A file larger than any package could be is not read into memory.
constexpr qint64 kMaxPackageBytes = 64ll * 1024 * 1024;

// True when every part the header chain announces lies inside `data`.
bool PartsHeld(std::span<const std::uint8_t> data, std::size_t parts) {
  std::size_t offset = 0;
  for (std::size_t part = 0; part < parts; ++part) {
    if (data.size() - offset < kHeaderSize) return false;
    const std::size_t size = platform::ReadLE(data.data(), data.size(), offset, 4);
    if (size < kHeaderSize || size > data.size() - offset) return false;
    offset += size;
  }
  return true;
}

}  // namespace

QString PackageVersionText(std::uint8_t major, std::uint8_t minor) {
  return QString("V%1.%2").arg(major).arg(minor);
}

QString PackageChecksumText(std::uint32_t checksum) {
  return QString("%1").arg(checksum, 4, 16, QChar('0')).toUpper();
}

std::optional<TPackageFields> DescribePackage(std::span<const std::uint8_t> data,
                                              std::uint8_t type) {
  if (data.size() < kHeaderSize || data[kTypeOffset] != type) return std::nullopt;
  const std::size_t parts = type == kTypeFirmware ? data[kPartsOffset] + 1u : 1u;
  if (!PartsHeld(data, parts)) return std::nullopt;

  TPackageFields fields;
  fields.Size = LangStrings::ByteCountText(static_cast<qsizetype>(data.size()));
  fields.Version = PackageVersionText(data[kMajorOffset], data[kMinorOffset]);
  const auto name = data.subspan(TFileHeader::kNameOffset, TFileHeader::kNameSize);
  const auto end = std::find(name.begin(), name.end(), 0);
  const QByteArrayView bytes(reinterpret_cast<const char*>(name.data()), end - name.begin());
  fields.Name = type == kTypeLanguage ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
  fields.Checksum = PackageChecksumText(
      static_cast<std::uint32_t>(platform::ReadLE(data.data(), data.size(), kChecksumOffset, 4)));
  return fields;
}

TPackageReadStatus ReadPackageFile(const QString& path, platform::Bytes& data) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return TPackageReadStatus::CannotOpen;
  if (file.size() > kMaxPackageBytes) return TPackageReadStatus::TooLarge;
#ifdef __unix__
  // Held by a writer under an exclusive lock: the file may be half written.
  if (::flock(file.handle(), LOCK_SH | LOCK_NB) != 0) return TPackageReadStatus::CannotOpen;
#endif
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return TPackageReadStatus::CannotOpen;
  data.assign(bytes.begin(), bytes.end());
  return TPackageReadStatus::Read;
}
