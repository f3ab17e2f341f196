// Reading and writing JPEG files with libjpeg, called directly: the picture import needs the
// library's warnings, its partial images of cut files, CMYK and the Exif orientation, and it must
// never let the library print or end the program.
// jpeglib.h uses size_t and FILE without including their headers.
#include <cstdio>

#include <jpeglib.h>

#include <QtEndian>
#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "picture/ImageFile.h"

namespace {

// libjpeg fails through error_exit, which must not return. Ours formats the message and jumps
// back to the setjmp in RunDecode / RunEncode. Between those and the library's calls there are
// only frames without non-trivially-destructible objects (everything with a destructor lives in
// the TJpegDecode / TJpegEncode that the caller owns), so skipping them leaks nothing.
struct TJpegErrors {
  jpeg_error_mgr Manager{};
  std::jmp_buf Jump{};
  char Message[JMSG_LENGTH_MAX] = {};  // the fatal error, formatted before the jump
  QStringList Warnings;
  int WarningsDropped = 0;
};

// A damaged file can make the library warn once per block; the first few say what happened.
constexpr int kMaxWarnings = 16;

TJpegErrors& ErrorsOf(j_common_ptr info) {
  return *static_cast<TJpegErrors*>(info->client_data);
}

[[noreturn]] void JumpOnError(j_common_ptr info) {
  TJpegErrors& errors = ErrorsOf(info);
  (*info->err->format_message)(info, errors.Message);
  std::longjmp(errors.Jump, 1);
}

void KeepMessage(j_common_ptr info) {
  TJpegErrors& errors = ErrorsOf(info);
  if (errors.Warnings.size() >= kMaxWarnings) {
    ++errors.WarningsDropped;
    return;
  }
  char text[JMSG_LENGTH_MAX] = {};
  (*info->err->format_message)(info, text);
  errors.Warnings.append(QString::fromLatin1(text));
}

// Level -1 is a warning (corrupt data, premature end); higher levels are the library's trace
// output, of use only to someone debugging libjpeg itself.
void KeepWarning(j_common_ptr info, int level) {
  if (level >= 0) return;
  ++info->err->num_warnings;
  KeepMessage(info);
}

void InstallErrors(jpeg_common_struct* info, TJpegErrors& errors) {
  info->err = jpeg_std_error(&errors.Manager);
  errors.Manager.error_exit = JumpOnError;
  errors.Manager.emit_message = KeepWarning;
  errors.Manager.output_message = KeepMessage;
  // jpeg_create_* keeps err and client_data; everything else of the struct it clears.
  info->client_data = &errors;
}

QStringList WarningsOf(const TJpegErrors& errors) {
  QStringList warnings = errors.Warnings;
  if (errors.WarningsDropped > 0)
    warnings.append(QString("%1 more warnings").arg(errors.WarningsDropped));
  return warnings;
}

// How the library's output rows become RGB32 rows. libjpeg-turbo writes 0xffRRGGBB words
// itself (its X byte is 0xFF), which saves a pass over a large photograph; other libraries give
// packed RGB or grey, widened in place.
#ifdef JCS_EXTENSIONS
constexpr bool kLibraryWritesRgb32 = true;
constexpr J_COLOR_SPACE kRgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
constexpr int kRgb32Components = 4;
#else
constexpr bool kLibraryWritesRgb32 = false;
constexpr J_COLOR_SPACE kRgb32Space = JCS_RGB;
constexpr int kRgb32Components = 3;
#endif

// Rows handed to jpeg_read_scanlines / jpeg_write_scanlines at once: a whole iMCU row of 4:2:0.
constexpr int kRowsPerCall = 16;

// Rows that a fatal error left undecoded are painted the grey that libjpeg gives blocks missing
// from a cut file, so a damaged picture looks the same whichever way it failed.
constexpr QRgb kMissingRows = 0xFF808080;

// Every read of the Exif block is checked against its end: the block comes from the file.
class TExifReader {
 public:
  explicit TExifReader(std::span<const std::uint8_t> tiff, bool littleEndian)
      : Tiff(tiff), LittleEndian(littleEndian) {}

  std::optional<std::uint32_t> U16(std::uint64_t at) const {
    if (at > Tiff.size() || Tiff.size() - at < 2) return std::nullopt;
    return LittleEndian ? qFromLittleEndian<quint16>(Tiff.data() + at)
                        : qFromBigEndian<quint16>(Tiff.data() + at);
  }
  std::optional<std::uint32_t> U32(std::uint64_t at) const {
    if (at > Tiff.size() || Tiff.size() - at < 4) return std::nullopt;
    return LittleEndian ? qFromLittleEndian<quint32>(Tiff.data() + at)
                        : qFromBigEndian<quint32>(Tiff.data() + at);
  }

 private:
  std::span<const std::uint8_t> Tiff;
  bool LittleEndian;
};

// The Orientation tag (1 to 8) of IFD0 in an APP1 Exif block; 1, upright, when the block has
// none or cannot be read.
int ExifOrientation(std::span<const std::uint8_t> app1) {
  constexpr std::uint8_t kSignature[] = {'E', 'x', 'i', 'f', 0, 0};
  if (app1.size() < sizeof kSignature || std::memcmp(app1.data(), kSignature, sizeof kSignature))
    return 1;
  const std::span<const std::uint8_t> tiff = app1.subspan(sizeof kSignature);
  if (tiff.size() < 8) return 1;
  bool littleEndian;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    littleEndian = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    littleEndian = false;
  } else {
    return 1;
  }
  const TExifReader exif(tiff, littleEndian);
  const std::optional<std::uint32_t> ifd = exif.U32(4);
  const std::optional<std::uint32_t> entries = ifd ? exif.U16(*ifd) : std::nullopt;
  if (exif.U16(2) != 42u || !entries) return 1;
  constexpr std::uint32_t kOrientationTag = 0x0112, kShort = 3;
  for (std::uint32_t i = 0; i < *entries; ++i) {
    const std::uint64_t entry = *ifd + 2ull + 12ull * i;
    const std::optional<std::uint32_t> tag = exif.U16(entry);
    if (!tag) return 1;
    if (*tag != kOrientationTag) continue;
    const std::optional<std::uint32_t> value = exif.U16(entry + 8);
    if (exif.U16(entry + 2) != kShort || exif.U32(entry + 4) != 1u || !value) return 1;
    return *value >= 1 && *value <= 8 ? static_cast<int>(*value) : 1;
  }
  return 1;
}

int ExifOrientation(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
    if (marker->marker != JPEG_APP0 + 1) continue;
    const int orientation = ExifOrientation({marker->data, marker->data_length});
    if (orientation != 1) return orientation;
  }
  return 1;
}

enum class TDecodeEnd { Complete, Cut, Failed, TooBig, NoMemory };

struct TJpegDecode {
  TJpegErrors Errors;
  jpeg_decompress_struct Info{};
  std::span<const std::uint8_t> Bytes;
  J_COLOR_SPACE RowSpace = JCS_UNKNOWN;  // what the library writes into the image's rows
  bool InvertedCmyk = false;
  QImage Image;
  uchar* Pixels = nullptr;
  qsizetype Stride = 0;
  int RowsDone = 0;  // rows complete in Image: decoded and converted to RGB32
  int Orientation = 1;

  TJpegDecode() = default;
  TJpegDecode(const TJpegDecode&) = delete;
  TJpegDecode& operator=(const TJpegDecode&) = delete;
  // Safe on a struct the library never set up: it only frees what the memory manager holds.
  ~TJpegDecode() { jpeg_destroy_decompress(&Info); }
};

// Files with the APP14 "Adobe" marker store CMYK inverted (0 is full ink); YCCK files always
// carry it. Without the marker, CMYK holds the ink itself.
void CmykToRgb32(uchar* row, int width, bool inverted) {
  QRgb* out = reinterpret_cast<QRgb*>(row);
  for (int x = 0; x < width; ++x) {
    const uchar* ink = row + 4 * x;
    int c = ink[0], m = ink[1], y = ink[2], k = ink[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
  }
}

// Packed RGB (3 bytes a pixel) or grey (1) at the start of an RGB32 row, widened from the right
// so that no pixel is overwritten before it is read.
void WidenToRgb32(uchar* row, int width, int components) {
  QRgb* out = reinterpret_cast<QRgb*>(row);
  for (int x = width - 1; x >= 0; --x) {
    const uchar* in = row + components * x;
    out[x] = components == 1 ? qRgb(in[0], in[0], in[0]) : qRgb(in[0], in[1], in[2]);
  }
}

bool AllocateImage(TJpegDecode& decode) {
  decode.Image = NewDecodeImage(static_cast<int>(decode.Info.output_width),
                                static_cast<int>(decode.Info.output_height));
  if (decode.Image.isNull()) return false;
  decode.Pixels = decode.Image.bits();
  decode.Stride = decode.Image.bytesPerLine();
  return true;
}

void ConvertRows(TJpegDecode& decode, int first, int count) {
  const int width = static_cast<int>(decode.Info.output_width);
  for (int y = first; y < first + count; ++y) {
    uchar* row = decode.Pixels + y * decode.Stride;
    if (decode.RowSpace == JCS_CMYK) {
      CmykToRgb32(row, width, decode.InvertedCmyk);
    } else if (decode.RowSpace == JCS_GRAYSCALE) {
      WidenToRgb32(row, width, 1);
    } else if (!kLibraryWritesRgb32) {
      WidenToRgb32(row, width, 3);
    }
  }
}

// The libjpeg calls of a read. Fatal errors leave this function by longjmp, so it holds nothing
// that has a destructor.
TDecodeEnd DecodeSteps(TJpegDecode& decode) {
  jpeg_decompress_struct& info = decode.Info;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, decode.Bytes.data(), static_cast<unsigned long>(decode.Bytes.size()));
  jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  // The saved markers go with the library's image memory when the decompression finishes.
  decode.Orientation = ExifOrientation(info);
  // The header alone gives the size; refuse before the library or we allocate for the pixels.
  if (!ImageSizeAllowed(info.image_width, info.image_height)) return TDecodeEnd::TooBig;

  switch (info.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
      decode.RowSpace = JCS_CMYK;
      decode.InvertedCmyk = info.saw_Adobe_marker;
      break;
    case JCS_GRAYSCALE:
      decode.RowSpace = kLibraryWritesRgb32 ? kRgb32Space : JCS_GRAYSCALE;
      break;
    default:
      decode.RowSpace = kRgb32Space;
      break;
  }
  info.out_color_space = decode.RowSpace;
  info.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&info);
  if (!AllocateImage(decode)) return TDecodeEnd::NoMemory;

  JSAMPROW rows[kRowsPerCall];
  while (info.output_scanline < info.output_height) {
    const int first = static_cast<int>(info.output_scanline);
    const int count = std::min(kRowsPerCall, static_cast<int>(info.output_height) - first);
    for (int i = 0; i < count; ++i) rows[i] = decode.Pixels + (first + i) * decode.Stride;
    const int read = static_cast<int>(jpeg_read_scanlines(&info, rows, count));
    // Only a suspending data source returns no rows; the memory source never suspends.
    if (read <= 0) break;
    ConvertRows(decode, first, read);
    decode.RowsDone = first + read;
  }
  jpeg_finish_decompress(&info);
  return TDecodeEnd::Complete;
}

// A fatal error after some rows is treated like a cut file: what was decoded is kept, the rest
// painted grey and the error becomes a warning, as photo viewers show a damaged photograph.
// (Most such errors come from jpeg_finish_decompress, in markers after the last row.) A fatal
// error before the first row leaves no picture to show.
TDecodeEnd RunDecode(TJpegDecode& decode) {
  if (setjmp(decode.Errors.Jump) != 0)
    return decode.RowsDone > 0 ? TDecodeEnd::Cut : TDecodeEnd::Failed;
  return DecodeSteps(decode);
}

struct TJpegEncode {
  TJpegErrors Errors;
  jpeg_compress_struct Info{};
  QImage Image;  // Format_RGB32
  int Quality = 90;
  // jpeg_mem_dest fills our buffer and, when it is too small, buffers of its own that it hands
  // over only at the end. It frees an outgrown buffer of its own but never ours, so ours is
  // always safe to free here; only a failure after outgrowing it (no memory for the next buffer)
  // loses the library's current one.
  unsigned char* Own = nullptr;
  unsigned char* Output = nullptr;
  unsigned long OutputSize = 0;

  TJpegEncode() = default;
  TJpegEncode(const TJpegEncode&) = delete;
  TJpegEncode& operator=(const TJpegEncode&) = delete;
  ~TJpegEncode() {
    jpeg_destroy_compress(&Info);
    if (Output != Own) std::free(Output);
    std::free(Own);
  }
};

constexpr unsigned long kFirstOutputBuffer = 64 * 1024;

// The libjpeg calls of a write; like DecodeSteps, nothing here has a destructor.
void EncodeSteps(TJpegEncode& encode) {
  jpeg_compress_struct& info = encode.Info;
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &encode.Output, &encode.OutputSize);
  info.image_width = static_cast<JDIMENSION>(encode.Image.width());
  info.image_height = static_cast<JDIMENSION>(encode.Image.height());
  info.input_components = kRgb32Components;
  info.in_color_space = kRgb32Space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, encode.Quality, TRUE);
  // 4:4:4: device pictures are small and drawn with single-pixel detail, which halving the
  // colour resolution would smear; the larger file does not matter at their size.
  for (int c = 0; c < info.num_components; ++c) {
    info.comp_info[c].h_samp_factor = 1;
    info.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&info, TRUE);

  JSAMPROW packed = nullptr;
  if (!kLibraryWritesRgb32) {
    packed = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                       info.image_width * 3, 1)[0];
  }
  JSAMPROW rows[kRowsPerCall];
  while (info.next_scanline < info.image_height) {
    const int first = static_cast<int>(info.next_scanline);
    const int count = kLibraryWritesRgb32
                          ? std::min(kRowsPerCall, static_cast<int>(info.image_height) - first)
                          : 1;
    for (int i = 0; i < count; ++i) {
      // libjpeg only reads input rows; its row type is not const for historical reasons.
      rows[i] = const_cast<JSAMPROW>(encode.Image.constScanLine(first + i));
    }
    if (!kLibraryWritesRgb32) {
      const QRgb* in = reinterpret_cast<const QRgb*>(rows[0]);
      for (int x = 0; x < encode.Image.width(); ++x) {
        packed[3 * x] = static_cast<JSAMPLE>(qRed(in[x]));
        packed[3 * x + 1] = static_cast<JSAMPLE>(qGreen(in[x]));
        packed[3 * x + 2] = static_cast<JSAMPLE>(qBlue(in[x]));
      }
      rows[0] = packed;
    }
    if (jpeg_write_scanlines(&info, rows, count) == 0) break;
  }
  jpeg_finish_compress(&info);
}

bool RunEncode(TJpegEncode& encode) {
  if (setjmp(encode.Errors.Jump) != 0) return false;
  EncodeSteps(encode);
  return true;
}

}  // namespace

TImageRead ReadJpeg(std::span<const std::uint8_t> bytes) {
  TImageRead result;
  if (bytes.size() > ULONG_MAX) {
    result.Error = "JPEG file too large";
    return result;
  }
  TJpegDecode decode;
  decode.Bytes = bytes;
  InstallErrors(reinterpret_cast<j_common_ptr>(&decode.Info), decode.Errors);
  const TDecodeEnd end = RunDecode(decode);
  result.Warnings = WarningsOf(decode.Errors);
  switch (end) {
    case TDecodeEnd::Failed:
      result.Error = QString("JPEG: %1").arg(QString::fromLatin1(decode.Errors.Message));
      return result;
    case TDecodeEnd::TooBig:
      result.Error = QString("JPEG of %1 × %2 pixels")
                         .arg(decode.Info.image_width)
                         .arg(decode.Info.image_height);
      return result;
    case TDecodeEnd::NoMemory:
      result.Error = QString("JPEG: no memory for %1 × %2 pixels")
                         .arg(decode.Info.output_width)
                         .arg(decode.Info.output_height);
      return result;
    case TDecodeEnd::Cut:
      result.Warnings.append(QString::fromLatin1(decode.Errors.Message));
      for (int y = decode.RowsDone; y < decode.Image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(decode.Pixels + y * decode.Stride);
        std::fill(row, row + decode.Image.width(), kMissingRows);
      }
      break;
    case TDecodeEnd::Complete:
      break;
  }
  result.Image = UprightImage(std::move(decode.Image), decode.Orientation);
  return result;
}

std::optional<QByteArray> EncodeJpeg(const QImage& image, int quality, QString* error) {
  if (image.isNull()) {
    if (error) *error = "no picture";
    return std::nullopt;
  }
  TJpegEncode encode;
  encode.Image = FlattenOnWhite(image);
  encode.Quality = quality;
  encode.Own = static_cast<unsigned char*>(std::malloc(kFirstOutputBuffer));
  if (!encode.Own) {
    if (error) *error = "JPEG: no memory";
    return std::nullopt;
  }
  encode.Output = encode.Own;
  encode.OutputSize = kFirstOutputBuffer;
  InstallErrors(reinterpret_cast<j_common_ptr>(&encode.Info), encode.Errors);
  if (!RunEncode(encode)) {
    if (error) *error = QString("JPEG: %1").arg(QString::fromLatin1(encode.Errors.Message));
    return std::nullopt;
  }
  return QByteArray(reinterpret_cast<const char*>(encode.Output),
                    static_cast<qsizetype>(encode.OutputSize));
}
