// Reading and writing TIFF files with libtiff, in memory. libtiff does the decoding of every
// layout it knows (strips and tiles, any photometric its RGBA interface handles, the usual
// compressions); this file keeps it inside the buffer it was given, inside a memory budget, and
// quiet: what it has to say goes into the TImageRead of the read that made it say it.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "pictures/ImageFile.h"

namespace {

// The biggest single block libtiff may ask for: a little above the RGBA raster of the largest
// image we accept (the raster itself is ours). No strip or tile of an image we would show needs
// more, so a directory that promises more is refused by libtiff instead of being believed.
constexpr tmsize_t kMaxTiffAllocation = kMaxImagePixels * 4 + 16 * 1024 * 1024;

// What libtiff said while one file was open.
struct TTiffMessages {
  QStringList Errors;
  QStringList Warnings;
};

QString FormatMessage(const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  const QString message = QString::fromUtf8(text);
  return module && *module ? QString::fromUtf8(module) + ": " + message : message;
}

int CollectError(TIFF*, void* messages, const char* module, const char* format, va_list args) {
  static_cast<TTiffMessages*>(messages)->Errors << FormatMessage(module, format, args);
  return 1;  // handled: the process-wide handlers do not see it
}

int CollectWarning(TIFF*, void* messages, const char* module, const char* format, va_list args) {
  static_cast<TTiffMessages*>(messages)->Warnings << FormatMessage(module, format, args);
  return 1;
}

// libtiff's default handlers print to the terminal. Every handle we open has its own handlers,
// but a message raised where no handle is known would still take the global path.
void SilenceGlobalHandlers() {
  static const bool silenced = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandlerExt(nullptr);
    TIFFSetWarningHandlerExt(nullptr);
    return true;
  }();
  (void)silenced;
}

// The file libtiff reads or writes: the caller's bytes for reading, a growing buffer for writing.
// Every position is checked against the bytes there are; a read past the end returns short and a
// seek past it fails, which libtiff reports as a damaged file.
struct TMemoryFile {
  const std::uint8_t* ReadData = nullptr;  // reading: the caller's bytes
  std::vector<std::uint8_t> Written;       // writing: the file so far
  std::uint64_t Size = 0;
  std::uint64_t Position = 0;
  bool Writing = false;
};

TMemoryFile& FileOf(thandle_t handle) {
  return *static_cast<TMemoryFile*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  TMemoryFile& file = FileOf(handle);
  if (size < 0) return -1;
  if (file.Position >= file.Size) return 0;
  const std::uint64_t count = std::min<std::uint64_t>(size, file.Size - file.Position);
  const std::uint8_t* data = file.Writing ? file.Written.data() : file.ReadData;
  std::memcpy(buffer, data + file.Position, count);
  file.Position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  TMemoryFile& file = FileOf(handle);
  if (!file.Writing || size < 0) return -1;
  const std::uint64_t end = file.Position + static_cast<std::uint64_t>(size);
  // libtiff may seek beyond the end before writing; the gap is zero-filled by resize.
  if (end > file.Written.size()) {
    try {
      file.Written.resize(end);
    } catch (const std::bad_alloc&) {
      return -1;  // libtiff reports the short write; no exception may cross its C frames
    }
  }
  std::memcpy(file.Written.data() + file.Position, buffer, static_cast<std::size_t>(size));
  file.Position = end;
  file.Size = file.Written.size();
  return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  TMemoryFile& file = FileOf(handle);
  // Relative offsets arrive as unsigned values of signed quantities.
  const auto delta = static_cast<std::int64_t>(offset);
  std::int64_t base = 0;
  switch (whence) {
    case SEEK_SET:
      if (offset > static_cast<toff_t>(std::numeric_limits<std::int64_t>::max())) {
        return static_cast<toff_t>(-1);
      }
      break;
    case SEEK_CUR:
      base = static_cast<std::int64_t>(file.Position);
      break;
    case SEEK_END:
      base = static_cast<std::int64_t>(file.Size);
      break;
    default:
      return static_cast<toff_t>(-1);
  }
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, delta, &target) || target < 0) return static_cast<toff_t>(-1);
  // A file being read has no bytes beyond its end; one being written grows there.
  if (!file.Writing && static_cast<std::uint64_t>(target) > file.Size) {
    return static_cast<toff_t>(-1);
  }
  file.Position = static_cast<std::uint64_t>(target);
  return file.Position;
}

int CloseProc(thandle_t) {
  return 0;
}
toff_t SizeProc(thandle_t handle) {
  return FileOf(handle).Size;
}
// The bytes being read are handed to libtiff as a mapped file: it then takes strips straight out
// of them instead of copying each one, checking every strip against the size first. libtiff never
// writes through a mapping (its own are read-only); a file being written is never mapped.
int MapProc(thandle_t handle, void** base, toff_t* size) {
  TMemoryFile& file = FileOf(handle);
  if (file.Writing || file.Size == 0) return 0;
  *base = const_cast<std::uint8_t*>(file.ReadData);
  *size = file.Size;
  return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

struct TTiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TTiffHandle = std::unique_ptr<TIFF, TTiffCloser>;

// Opens `file` with the handlers pointing at `messages` and libtiff's allocations capped.
TTiffHandle OpenMemory(TMemoryFile& file, const char* mode, TTiffMessages& messages) {
  SilenceGlobalHandlers();
  std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(TIFFOpenOptionsAlloc(),
                                                                           &TIFFOpenOptionsFree);
  if (!options) {
    messages.Errors << "out of memory";
    return nullptr;
  }
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxTiffAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &CollectError, &messages);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &CollectWarning, &messages);
  return TTiffHandle(TIFFClientOpenExt("memory", mode, &file, &ReadProc, &WriteProc, &SeekProc,
                                       &CloseProc, &SizeProc, &MapProc, &UnmapProc, options.get()));
}

QString TiffError(const TTiffMessages& messages, const QString& fallback) {
  return "TIFF: " + (messages.Errors.isEmpty() ? fallback : messages.Errors.join("; "));
}

// libtiff's raster holds R, G, B, A in the bytes of each word from the lowest, with the colour
// premultiplied by alpha. As QImage's 0xffRRGGBB, drawn on white.
inline std::uint32_t AbgrToRgb32OnWhite(std::uint32_t abgr) {
  const std::uint32_t transparency = 255 - TIFFGetA(abgr);
  // A damaged file may hold colour above its alpha; white is as far as it goes.
  const std::uint32_t r = std::min<std::uint32_t>(TIFFGetR(abgr) + transparency, 255);
  const std::uint32_t g = std::min<std::uint32_t>(TIFFGetG(abgr) + transparency, 255);
  const std::uint32_t b = std::min<std::uint32_t>(TIFFGetB(abgr) + transparency, 255);
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// The raster rewritten in place. In blocks of a fixed count, which the compiler turns into vector
// code at -O2 (a loop of unknown length it leaves scalar, three times slower on a photograph).
void ConvertRaster(std::uint32_t* pixels, std::size_t count) {
  constexpr std::size_t kBlock = 64;
  std::size_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    for (std::size_t j = 0; j < kBlock; ++j) pixels[i + j] = AbgrToRgb32OnWhite(pixels[i + j]);
  }
  for (; i < count; ++i) pixels[i] = AbgrToRgb32OnWhite(pixels[i]);
}

// The RGBA interface flips rows and columns but does not turn the picture: for the orientations
// whose rows are the picture's columns it leaves the rows as stored, and they are turned here.
QImage Transpose(const QImage& stored, int orientation) {
  const int width = stored.height(), height = stored.width();
  QImage upright(width, height, QImage::Format_RGB32);
  if (upright.isNull()) return upright;
  const bool rowsFromRight =
      orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;
  const bool columnsFromBottom =
      orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(upright.scanLine(y));
    const int column = columnsFromBottom ? height - 1 - y : y;
    for (int x = 0; x < width; ++x) {
      const int row = rowsFromRight ? width - 1 - x : x;
      line[x] = reinterpret_cast<const QRgb*>(stored.constScanLine(row))[column];
    }
  }
  return upright;
}

}  // namespace

TImageRead ReadTiff(std::span<const std::uint8_t> bytes) {
  TImageRead result;
  TTiffMessages messages;
  TMemoryFile file;
  file.ReadData = bytes.data();
  file.Size = bytes.size();
  // Opening reads the header and the first directory only; later pages are never looked at. Not
  // "rm": libtiff 4.5.0 refuses uncompressed tiles read through ReadProc (its raw buffer is
  // rounded up and then compared with the tile size); the mapped path has no such trouble.
  TTiffHandle tif = OpenMemory(file, "r", messages);
  if (!tif) {
    result.Error = TiffError(messages, "not a TIFF file");
    result.Warnings = messages.Warnings;
    return result;
  }
  const auto finish = [&](const QString& error) {
    tif.reset();  // messages raised while closing belong to this read too
    result.Error = error;
    result.Warnings = messages.Warnings;
    return result;
  };

  std::uint32_t width = 0, height = 0;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
  if (!ImageSizeAllowed(width, height)) {
    return finish(QString("TIFF of %1 × %2 pixels").arg(width).arg(height));
  }

  char reason[1024] = "";
  TIFFRGBAImage rgba{};
  if (!TIFFRGBAImageOK(tif.get(), reason) || !TIFFRGBAImageBegin(&rgba, tif.get(), 1, reason)) {
    return finish(TiffError(messages, QString::fromUtf8(reason)));
  }
  // Orientations 5 to 8 are read as stored and turned afterwards; libtiff handles 1 to 4.
  const int orientation = rgba.orientation;
  const bool transposed = orientation >= ORIENTATION_LEFTTOP && orientation <= ORIENTATION_LEFTBOT;
  if (transposed) rgba.orientation = ORIENTATION_TOPLEFT;
  rgba.req_orientation = ORIENTATION_TOPLEFT;

  // libtiff writes its raster straight into the image's memory, which is then converted in place:
  // a 32-bit QImage has rows of exactly width words, the layout the raster needs.
  QImage image = NewDecodeImage(static_cast<int>(rgba.width), static_cast<int>(rgba.height));
  if (image.isNull() || image.bytesPerLine() != static_cast<qsizetype>(rgba.width) * 4) {
    TIFFRGBAImageEnd(&rgba);
    return finish("TIFF: out of memory");
  }
  auto* raster = reinterpret_cast<std::uint32_t*>(image.bits());
  const int got = TIFFRGBAImageGet(&rgba, raster, rgba.width, rgba.height);
  TIFFRGBAImageEnd(&rgba);
  if (!got) return finish(TiffError(messages, "damaged image data"));
  ConvertRaster(raster, static_cast<std::size_t>(rgba.width) * rgba.height);

  if (transposed) {
    image = Transpose(image, orientation);
    if (image.isNull()) return finish("TIFF: out of memory");
  }
  result.Image = std::move(image);
  return finish({});
}

std::optional<QByteArray> EncodeTiff(const QImage& image, QString* error) {
  const auto fail = [error](const QString& text) -> std::optional<QByteArray> {
    if (error) *error = text;
    return std::nullopt;
  };
  if (image.isNull()) return fail("TIFF: no picture");
  const QImage flat = FlattenOnWhite(image);
  const auto width = static_cast<std::uint32_t>(flat.width());
  const auto height = static_cast<std::uint32_t>(flat.height());

  TTiffMessages messages;
  TMemoryFile file;
  file.Writing = true;
  TTiffHandle tif = OpenMemory(file, "w", messages);
  if (!tif) return fail(TiffError(messages, "cannot start the file"));

  // LZW with horizontal differencing: lossless, a few percent of the raw size for the flat colours
  // of a device picture, and the compression that TIFF readers have supported longest.
  const std::uint32_t rowBytes = width * 3;
  // Strips of about 64 KiB: small enough for any reader to buffer, big enough for LZW to pay off.
  const std::uint32_t rowsPerStrip = std::max<std::uint32_t>(1, 64 * 1024 / rowBytes);
  TIFF* t = tif.get();
  const bool fieldsSet =
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(t, TIFFTAG_IMAGELENGTH, height) &&
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3) && TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8) &&
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
      TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
      TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
      TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
      TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
      // The resolution fields are required of a baseline RGB file; the picture has no real one.
      TIFFSetField(t, TIFFTAG_XRESOLUTION, 72.0) && TIFFSetField(t, TIFFTAG_YRESOLUTION, 72.0) &&
      TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (!fieldsSet) return fail(TiffError(messages, "cannot describe the image"));

  // The predictor rewrites the row it is given, so each row is packed into a scratch buffer.
  std::vector<std::uint8_t> row(rowBytes);
  for (std::uint32_t y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(flat.constScanLine(static_cast<int>(y)));
    for (std::uint32_t x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(qRed(line[x]));
      row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(line[x]));
      row[3 * x + 2] = static_cast<std::uint8_t>(qBlue(line[x]));
    }
    if (TIFFWriteScanline(t, row.data(), y, 0) < 0) {
      return fail(TiffError(messages, "cannot write the image data"));
    }
  }
  if (!TIFFWriteDirectory(t)) return fail(TiffError(messages, "cannot write the directory"));
  tif.reset();
  if (!messages.Errors.isEmpty()) return fail(TiffError(messages, {}));
  return QByteArray(reinterpret_cast<const char*>(file.Written.data()),
                    static_cast<qsizetype>(file.Written.size()));
}
