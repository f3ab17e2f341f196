// A device file header parsed from raw bytes and built again, its name as text, and a package
// file described as the import panels show it, as a language and as a firmware package.
//
// Input: the bytes of a header or a whole package file.
#include <QStringDecoder>
#include <algorithm>

#include "FuzzChecks.h"
#include "devicefiles/FileHeader.h"
#include "devicefiles/PackageFile.h"

namespace {

std::uint8_t ByteAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return at < bytes.size() ? bytes[at] : 0;
}

void CheckHeader(std::span<const std::uint8_t> raw) {
  TFileHeader header;
  header.ParseRaw(raw);
  const platform::Bytes built = header.BuildRaw();
  FUZZ_CHECK(built.size() == TFileHeader::kRawSize);
  // Size, added mark, type and name come from the raw bytes (zero where they are missing); the
  // fields ParseRaw leaves alone keep a fresh header's zeros.
  for (std::size_t i = 0; i < TFileHeader::kRawSize; ++i) {
    const bool parsed =
        i < 4 || i == 5 || i == 6 ||
        (i >= TFileHeader::kNameOffset && i < TFileHeader::kNameOffset + TFileHeader::kNameSize);
    FUZZ_CHECK(built[i] == (parsed ? ByteAt(raw, i) : 0));
  }
  // The identity of a file is its size, type, name and checksum: the header built again lacks
  // only the checksum, which ParseRaw does not take.
  const TRawHeader listed = RawHeaderOf(raw);
  const bool noChecksum =
      std::all_of(listed.begin() + 28, listed.end(), [](std::uint8_t b) { return b == 0; });
  FUZZ_CHECK(SameDeviceFile(listed, RawHeaderOf(built)) == noChecksum);

  // Parsing what was built gives the same fields.
  TFileHeader again;
  again.ParseRaw(built);
  FUZZ_CHECK(again.FileSize == header.FileSize && again.AddedMark == header.AddedMark &&
             again.TypeCode == header.TypeCode && again.Name == header.Name);

  // The name text: UTF-8 where the bytes are UTF-8, single-byte text otherwise, cut at a zero.
  const auto& name = header.Name;
  const auto end = std::find(name.begin(), name.end(), 0);
  const QByteArray bytes(reinterpret_cast<const char*>(name.data()), end - name.begin());
  const QString text = header.NameText();
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = utf8(bytes);
  FUZZ_CHECK(text == (utf8.hasError() ? QString::fromLatin1(bytes) : decoded));
  const QString single = header.NameSingleByteText();
  FUZZ_CHECK(single.size() == text.size());
  FUZZ_CHECK(
      std::all_of(single.begin(), single.end(), [](QChar c) { return c.unicode() <= 0xFF; }));

  TFileHeader copy = header;
  copy.Position = 7;
  FUZZ_CHECK(copy.BuildRaw() == built);
}

// The parts a package announces, walked apart from the package code.
bool PartsInside(std::span<const std::uint8_t> data, std::size_t parts) {
  std::uint64_t offset = 0;
  for (std::size_t part = 0; part < parts; ++part) {
    if (offset + TFileHeader::kRawSize > data.size()) return false;
    const std::uint64_t partSize = platform::ReadLE(data.data(), data.size(), offset, 4);
    if (partSize < TFileHeader::kRawSize || offset + partSize > data.size()) return false;
    offset += partSize;
  }
  return true;
}

void CheckPackage(std::span<const std::uint8_t> data, std::uint8_t type) {
  const std::optional<TPackageFields> fields = DescribePackage(data, type);
  const bool whole = data.size() >= TFileHeader::kRawSize && data[6] == type &&
                     PartsInside(data, type == kTypeFirmware ? data[5] + 1u : 1u);
  FUZZ_CHECK(fields.has_value() == whole);
  if (!fields) return;
  FUZZ_CHECK(fields->Size == QString("%1 Bytes").arg(data.size()));
  FUZZ_CHECK(fields->Version == QString("V%1.%2").arg(data[11]).arg(data[10]));
  FUZZ_CHECK(fields->Checksum.size() >= 4 && fields->Checksum.size() <= 8);
  FUZZ_CHECK(fields->Checksum.toUInt(nullptr, 16) ==
             platform::ReadLE(data.data(), data.size(), 28, 4));
  FUZZ_CHECK(fields->Name.size() <= static_cast<qsizetype>(TFileHeader::kNameSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  CheckHeader(bytes);
  CheckPackage(bytes, kTypeLanguage);
  CheckPackage(bytes, kTypeFirmware);
  return 0;
}
