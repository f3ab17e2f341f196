// One image reader over a file's bytes, directly and through ReadImageBytes. Built once per
// format with ORVANEL_FUZZ_FORMAT naming it (Bmp, Jpeg, Tiff or Gif).
//
// Input: the image file.
#include <QtGlobal>
#include <cstdlib>

#include "ClaimedSize.h"
#include "FuzzChecks.h"
#include "picture/ImageFile.h"

#define ORVANEL_CONCAT_(a, b) a##b
#define ORVANEL_CONCAT(a, b) ORVANEL_CONCAT_(a, b)

namespace {

constexpr TImageFormat kFormat = TImageFormat::ORVANEL_FUZZ_FORMAT;

// Above this and up to kMaxImagePixels a file is legal but slow to fuzz (see ClaimedSize.h).
constexpr std::uint64_t kFuzzPixels = 512 * 512;

TImageRead ReadDirectly(std::span<const std::uint8_t> bytes) {
  return ORVANEL_CONCAT(Read, ORVANEL_FUZZ_FORMAT)(bytes);
}

std::optional<std::uint64_t> Claim(std::span<const std::uint8_t> bytes) {
  switch (kFormat) {
    case TImageFormat::Bmp:
      return fuzz::BmpClaim(bytes);
    case TImageFormat::Jpeg:
      return fuzz::JpegClaim(bytes);
    case TImageFormat::Tiff:
      return fuzz::TiffClaim(bytes);
    case TImageFormat::Gif:
      return fuzz::GifClaim(bytes);
  }
  return std::nullopt;
}

bool AllSizes() {
  static const bool all = std::getenv("ORVANEL_FUZZ_ALL_SIZES") != nullptr;
  return all;
}

}  // namespace

// Qt warns on the terminal about every damaged file (a seek past the end, say); thousands of
// lines a second would cost more time than the reading.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (!AllSizes()) {
    const std::optional<std::uint64_t> claim = Claim(bytes);
    // Left out of the corpus too, so that its mutations do not keep coming back.
    if (claim && *claim > kFuzzPixels && *claim <= static_cast<std::uint64_t>(kMaxImagePixels)) {
      return -1;
    }
  }

  const TImageRead read = ReadDirectly(bytes);
  // A picture or a reason, never both and never neither.
  FUZZ_CHECK(read.Image.isNull() != read.Error.isEmpty());
  if (!read.Image.isNull()) {
    FUZZ_CHECK(read.Image.format() == QImage::Format_RGB32);
    FUZZ_CHECK(ImageSizeAllowed(read.Image.width(), read.Image.height()));
  }

  // The dispatch reads the same.
  const TImageRead again = ReadImageBytes(bytes, kFormat);
  FUZZ_CHECK(again.Error == read.Error && again.Image == read.Image);
  return 0;
}
