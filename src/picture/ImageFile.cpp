#include "picture/ImageFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTransform>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/ByteOrder.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, const char* prefix, std::size_t length) {
  return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

// A file that cannot be mapped (a pipe, say) is read instead, up to a size no picture needs.
constexpr qint64 kMaxUnmappedFileBytes = 512ll * 1024 * 1024;

void SetError(QString* error, const QString& text) {
  if (error) *error = text;
}

// A colour with alpha drawn on white, worked out exactly: colour × alpha + white × (1 − alpha),
// rounded to the nearest. Not painted: the painter's blending is off by one here and there, and
// one step on a level boundary gives another level than other programs show for the same file.
QRgb OnWhite(QRgb c) {
  const int a = qAlpha(c), white = 255 * (255 - a) + 127;
  return qRgb((qRed(c) * a + white) / 255, (qGreen(c) * a + white) / 255,
              (qBlue(c) * a + white) / 255);
}

// One colour channel of a BMP pixel, by its mask.
struct TChannel {
  std::uint32_t Mask = 0;
  int Shift = 0;
  std::uint32_t Top = 0;  // the channel's largest value

  explicit TChannel(std::uint32_t mask) : Mask(mask) {
    if (!mask) return;
    while (!(mask >> Shift & 1)) ++Shift;
    Top = mask >> Shift;
  }
  // Onto 0..255, rounded to the nearest; `absent` for a channel without a mask.
  int Of(std::uint32_t pixel, int absent) const {
    if (!Top) return absent;
    return static_cast<int>((std::uint64_t{(pixel & Mask) >> Shift} * 255 + Top / 2) / Top);
  }
};

// 16- and 32-bit BMPs, read here rather than by Qt: Qt widens a 5- or 6-bit channel by shifting
// it (full red 31 becomes 248, not 255) and reads channels wider than 8 bits as black. None for
// every other kind of BMP, which Qt reads well. Rows the file does not reach stay white, as they
// do when Qt reads a cut file.
std::optional<TImageRead> ReadMaskedBmp(std::span<const std::uint8_t> bytes) {
  const auto at = [bytes](std::size_t offset, int width) {
    return platform::ReadLE(bytes.data(), bytes.size(), offset, width);
  };
  constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
  const std::uint32_t header = at(14, 4), bits = at(28, 2), compression = at(30, 4);
  if (bytes.size() < 54 || header < 40 || (bits != 16 && bits != 32) ||
      (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)) {
    return std::nullopt;
  }
  TImageRead result;
  const auto width = static_cast<std::int32_t>(at(18, 4));
  const auto height = static_cast<std::int32_t>(at(22, 4));
  const std::int64_t rows = std::abs(std::int64_t{height});
  if (!ImageSizeAllowed(width, rows)) {
    result.Error = QString("BMP of %1 × %2 pixels").arg(width).arg(height);
    return result;
  }
  // The masks follow a 40-byte header, or are part of a longer one.
  std::uint32_t red = bits == 16 ? 0x7C00 : 0xFF0000, green = bits == 16 ? 0x3E0 : 0xFF00;
  std::uint32_t blue = bits == 16 ? 0x1F : 0xFF, alpha = 0;
  if (compression != kRgb) {
    red = at(54, 4);
    green = at(58, 4);
    blue = at(62, 4);
    if (compression == kAlphaBitFields || header >= 56) alpha = at(66, 4);
  }
  const TChannel r(red), g(green), b(blue), a(alpha);
  QImage image = NewDecodeImage(width, static_cast<int>(rows));
  if (image.isNull()) {
    result.Error = "BMP: out of memory";
    return result;
  }
  image.fill(Qt::white);
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const std::size_t offset = at(10, 4);
  const int pixelBytes = static_cast<int>(bits / 8);
  for (std::int64_t row = 0; row < rows; ++row) {
    // Only whole rows: a cut row is left white with the rest.
    if (offset > bytes.size() ||
        (bytes.size() - offset) / stride <= static_cast<std::size_t>(row)) {
      break;
    }
    const std::size_t start = offset + static_cast<std::size_t>(row) * stride;
    const int y = static_cast<int>(height < 0 ? row : rows - 1 - row);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const std::uint32_t pixel = at(start + static_cast<std::size_t>(x) * pixelBytes, pixelBytes);
      line[x] = OnWhite(qRgba(r.Of(pixel, 0), g.Of(pixel, 0), b.Of(pixel, 0), a.Of(pixel, 255)));
    }
  }
  result.Image = std::move(image);
  return result;
}

}  // namespace

bool ImageSizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImagePixels && height <= kMaxImagePixels &&
         width * height <= kMaxImagePixels;
}

std::optional<TImageFormat> FormatBySignature(std::span<const std::uint8_t> head) {
  if (StartsWith(head, "\xFF\xD8\xFF", 3)) return TImageFormat::Jpeg;
  if (StartsWith(head, "GIF87a", 6) || StartsWith(head, "GIF89a", 6)) return TImageFormat::Gif;
  // Classic and big TIFF, in both byte orders.
  if (StartsWith(head, "II*\0", 4) || StartsWith(head, "MM\0*", 4) ||
      StartsWith(head, "II+\0", 4) || StartsWith(head, "MM\0+", 4)) {
    return TImageFormat::Tiff;
  }
  if (StartsWith(head, "BM", 2)) return TImageFormat::Bmp;
  return std::nullopt;
}

std::optional<TImageFormat> FormatByExtension(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  if (suffix == "bmp" || suffix == "dib") return TImageFormat::Bmp;
  if (suffix == "jpg" || suffix == "jpeg" || suffix == "jpe") return TImageFormat::Jpeg;
  if (suffix == "tif" || suffix == "tiff") return TImageFormat::Tiff;
  if (suffix == "gif") return TImageFormat::Gif;
  return std::nullopt;
}

QImage NewDecodeImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Advice only: the memory stays the image's, and a refusal changes nothing but the speed.
  constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
  const auto start = reinterpret_cast<std::uintptr_t>(image.constBits());
  const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end =
      (start + static_cast<std::uintptr_t>(image.sizeInBytes())) & ~(kHugePage - 1);
  if (!image.isNull() && end > begin) {
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
#endif
  return image;
}

QImage FlattenOnWhite(const QImage& image) {
  if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
  QImage flat = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < flat.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(flat.scanLine(y));
    for (int x = 0; x < flat.width(); ++x) line[x] = OnWhite(line[x]);
  }
  return flat.convertToFormat(QImage::Format_RGB32);
}

QImage UprightImage(QImage stored, int orientation) {
  // Qt's rotation by a positive angle turns clockwise on screen.
  switch (orientation) {
    case 2:  // mirrored left to right
      return std::move(stored).mirrored(true, false);
    case 3:  // upside down
      return std::move(stored).mirrored(true, true);
    case 4:  // mirrored top to bottom
      return std::move(stored).mirrored(false, true);
    case 5:  // mirrored along the top-left to bottom-right diagonal
      return stored.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:  // stored turned a quarter counter-clockwise
      return stored.transformed(QTransform().rotate(90));
    case 7:  // mirrored along the other diagonal
      return stored.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:  // stored turned a quarter clockwise
      return stored.transformed(QTransform().rotate(270));
    default:
      return stored;
  }
}

TImageRead ReadBmp(std::span<const std::uint8_t> bytes) {
  if (std::optional<TImageRead> masked = ReadMaskedBmp(bytes)) return *std::move(masked);
  TImageRead result;
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "bmp");
  // The size comes from the header alone; nothing is allocated for a picture that is too big. A
  // top-down file reports its height negative.
  const QSize size = reader.size();
  if (!ImageSizeAllowed(size.width(), std::abs(std::int64_t{size.height()}))) {
    result.Error = QString("BMP of %1 × %2 pixels").arg(size.width()).arg(size.height());
    return result;
  }
  // Our own limit is the one that counts; Qt's smaller default would refuse large photographs.
  QImageReader::setAllocationLimit(static_cast<int>(kMaxImagePixels * 4 / (1024 * 1024)) + 1);
  // Read into memory of our own, in the format the file's pixels have (QImageReader then
  // allocates nothing itself). Qt leaves alone the pixels a file does not reach (the rows after a
  // cut, what a compressed file jumps over or never gets to), so the memory is blanked first:
  // white, or colour 0 of a palette. Otherwise they would show whatever it held before, often the
  // picture read last.
  const QImage::Format format = reader.imageFormat();
  QImage image = format == QImage::Format_RGB32
                     ? NewDecodeImage(size.width(), std::abs(size.height()))
                     : QImage(size.width(), std::abs(size.height()), format);
  if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32) {
    image.fill(format == QImage::Format_RGB32 ? Qt::white : Qt::transparent);
  } else {
    image.fill(0);
  }
  if (!reader.read(&image) || image.isNull()) {
    result.Error = "BMP: " + reader.errorString();
    return result;
  }
  result.Image = FlattenOnWhite(image);
  return result;
}

TImageRead ReadImageBytes(std::span<const std::uint8_t> bytes, TImageFormat format) {
  switch (format) {
    case TImageFormat::Bmp:
      return ReadBmp(bytes);
    case TImageFormat::Jpeg:
      return ReadJpeg(bytes);
    case TImageFormat::Tiff:
      return ReadTiff(bytes);
    case TImageFormat::Gif:
      return ReadGif(bytes);
  }
  return {};
}

TImageRead ReadImageFile(const QString& path) {
  TImageRead result;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.Error = file.errorString();
    return result;
  }
  QByteArray unmapped;
  std::span<const std::uint8_t> bytes;
  if (file.size() > 0) {
    if (const uchar* mapped = file.map(0, file.size())) {
      bytes = {mapped, static_cast<std::size_t>(file.size())};
    }
  }
  if (bytes.empty()) {
    unmapped = file.read(kMaxUnmappedFileBytes);
    bytes = {reinterpret_cast<const std::uint8_t*>(unmapped.constData()),
             static_cast<std::size_t>(unmapped.size())};
  }
  if (bytes.empty()) {
    result.Error = "empty file";
    return result;
  }
  std::optional<TImageFormat> format = FormatBySignature(bytes);
  if (!format) format = FormatByExtension(path);
  if (!format) {
    result.Error = "no known image format";
    return result;
  }
  return ReadImageBytes(bytes, *format);
}

std::optional<QByteArray> EncodeBmp(const QImage& image, QString* error) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // Without an alpha channel Qt writes 24 bits a pixel, which every program reads.
  QImageWriter writer(&buffer, "bmp");
  if (!writer.write(FlattenOnWhite(image))) {
    SetError(error, "BMP: " + writer.errorString());
    return std::nullopt;
  }
  return bytes;
}

std::optional<QByteArray> EncodeImage(const QImage& image, TImageFormat format, QString* error) {
  if (image.isNull()) {
    SetError(error, "no picture");
    return std::nullopt;
  }
  switch (format) {
    case TImageFormat::Bmp:
      return EncodeBmp(image, error);
    case TImageFormat::Jpeg:
      return EncodeJpeg(image, 90, error);
    case TImageFormat::Tiff:
      return EncodeTiff(image, error);
    case TImageFormat::Gif:
      return EncodeGif(image, error);
  }
  return std::nullopt;
}

bool SaveImageFile(const QImage& image, const QString& path, TImageFormat format, QString* error) {
  const std::optional<QByteArray> bytes = EncodeImage(image, format, error);
  if (!bytes) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
    SetError(error, file.errorString());
    return false;
  }
  return true;
}

QString SafeFileName(std::span<const std::uint8_t> nameBytes) {
  const std::span<const std::uint8_t> bytes = nameBytes.first(std::min<std::size_t>(
      std::find(nameBytes.begin(), nameBytes.end(), 0) - nameBytes.begin(), 16));
  const QByteArrayView view(reinterpret_cast<const char*>(bytes.data()),
                            static_cast<qsizetype>(bytes.size()));
  // The name as the lists show it: UTF-8 where it is, single-byte text otherwise.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString name = utf8(view);
  if (utf8.hasError()) name = QString::fromLatin1(view);
  // Separators and control characters could leave the folder or confuse the file system.
  for (QChar& c : name) {
    if (c == '/' || c == '\\' || c.unicode() < 0x20 || c.unicode() == 0x7F) c = '_';
  }
  // "." and ".." name the folder itself or its parent, and any leading dot hides the file from
  // the file list: leading dots become underscores. An empty name gets one.
  for (QChar& c : name) {
    if (c != '.') break;
    c = '_';
  }
  return name.isEmpty() ? QStringLiteral("_") : name;
}
