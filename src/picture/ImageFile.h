// Image files on the PC: reading BMP, JPEG, TIFF and GIF for the picture import, writing them for
// saved pictures. Every reader takes the whole file's bytes and gives an upright RGB32 image or
// nothing with the reason; none prints, exits, or allocates for an image too big to hold.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>

enum class TImageFormat { Bmp, Jpeg, Tiff, Gif };

// No reader allocates for an image of more pixels than this: a header that claims 100 000 ×
// 100 000 is refused before any pixel memory is asked for.
inline constexpr std::int64_t kMaxImagePixels = 100'000'000;

// True when a width × height image may be decoded (both positive, the product within the limit).
bool ImageSizeAllowed(std::int64_t width, std::int64_t height);

// A Format_RGB32 image for a decoder to fill (null when the memory is not there). A photograph's
// rows are hundreds of megabytes of fresh memory written once, top to bottom; on Linux they are
// offered huge pages, since faulting them in 4 KiB at a time costs as much as the decoding.
QImage NewDecodeImage(int width, int height);

// `image` as Format_RGB32, whatever it was; where it has an alpha channel it is drawn on white.
QImage FlattenOnWhite(const QImage& image);

// The stored image turned upright as an orientation value says (1 to 8, the same numbers in Exif
// and TIFF: where the first stored row and column belong on screen). Other values leave it as is.
QImage UprightImage(QImage stored, int orientation);

struct TImageRead {
  QImage Image;          // Format_RGB32, upright; null when the file could not be read
  QString Error;         // why not, for the curious; the user sees the one import message
  QStringList Warnings;  // what the codec library said about a file it read all the same
};

// The format that the file's first bytes announce, or none.
std::optional<TImageFormat> FormatBySignature(std::span<const std::uint8_t> head);
// The format that the file name's extension names (.bmp .dib .jpg .jpeg .jpe .tif .tiff .gif, in
// any case), or none.
std::optional<TImageFormat> FormatByExtension(const QString& fileName);

// One reader per format, over the bytes of the whole file.
TImageRead ReadBmp(std::span<const std::uint8_t> bytes);
TImageRead ReadJpeg(std::span<const std::uint8_t> bytes);
TImageRead ReadTiff(std::span<const std::uint8_t> bytes);
TImageRead ReadGif(std::span<const std::uint8_t> bytes);
TImageRead ReadImageBytes(std::span<const std::uint8_t> bytes, TImageFormat format);

// Reads the image file at `path`: by its content first, by its extension when no signature
// matches.
TImageRead ReadImageFile(const QString& path);

// One writer per format: the file's bytes, or none (with the reason in `error`). GIF is written
// with a palette of the image's colours (at most 256; the level colours are four).
std::optional<QByteArray> EncodeBmp(const QImage& image, QString* error = nullptr);
std::optional<QByteArray> EncodeJpeg(const QImage& image, int quality = 90,
                                     QString* error = nullptr);
std::optional<QByteArray> EncodeTiff(const QImage& image, QString* error = nullptr);
std::optional<QByteArray> EncodeGif(const QImage& image, QString* error = nullptr);
std::optional<QByteArray> EncodeImage(const QImage& image, TImageFormat format,
                                      QString* error = nullptr);

// Writes `image` to `path` in `format`. The bytes go to a temporary file beside the target that
// replaces it only once complete, so a failed save never destroys a file that was there.
bool SaveImageFile(const QImage& image, const QString& path, TImageFormat format,
                   QString* error = nullptr);

// A device picture's name bytes (cut at the first zero byte, at most 16) as a file name that
// stays inside the folder it is saved to and shows in it: separators and control characters
// become '_', and so do leading dots; an empty name is "_".
QString SafeFileName(std::span<const std::uint8_t> nameBytes);
