// Reading and writing TIFF files with libtiff, in memory. libtiff decompresses every layout it
// knows (strips and tiles, separate planes, the usual compressions); the samples of the plain
// colour models are turned into colour here, the rest through libtiff's RGBA interface. This file
// keeps libtiff inside the buffer it was given, inside a memory budget, and quiet: what it has to
// say goes into the TImageRead of the read that made it say it.
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "picture/ImageFile.h"

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

// --- Plain samples, decoded here -----------------------------------------------------------------
//
// libtiff's RGBA interface reads unsigned samples of 1, 2, 4, 8 and 16 bits and not much else: it
// refuses other depths, floating point and 16-bit CMYK, reads signed samples as unsigned, leaves
// out the alpha of CMYK and mixes up grey with alpha in separate planes. The plain colour models
// (grey either way round, RGB, palette and CMYK, with or without alpha) are therefore decoded here
// from the samples libtiff decompresses, strip by strip or tile by tile, whatever the compression.
// The RGBA interface keeps what needs libtiff's own colour conversions (subsampled YCbCr, CIE
// L*a*b*, LogLuv) and old-style JPEG, whose layout only it can make out.

// Every sample is put on one scale before the colour model is applied, wide enough for 16-bit
// files to be drawn on white without rounding twice.
constexpr std::uint32_t kFull = 65535;

inline std::uint32_t To8Bits(std::uint64_t value) {
  return static_cast<std::uint32_t>((value * 255 + kFull / 2) / kFull);
}

inline std::uint32_t Times(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::uint32_t>((a * b + kFull / 2) / kFull);
}

// How the samples of a directory make a colour.
struct TLayout {
  std::uint16_t Photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t Bits = 8;
  std::uint16_t Format = SAMPLEFORMAT_UINT;
  std::uint16_t Samples = 1;                  // per pixel, extra samples included
  int Alpha = -1;                             // which sample is alpha, or none
  bool Associated = false;                    // the colour is already multiplied by alpha
  bool Planes = false;                        // each sample in a plane of its own
  double Low = 0, High = 1;                   // the range of floating-point samples
  std::array<const std::uint16_t*, 3> Map{};  // palette: red, green, blue of each index
  bool EightBitMap = false;
};

// The layout when it is one decoded here; none sends the file to the RGBA interface.
std::optional<TLayout> PlainLayout(TIFF* tif) {
  TLayout layout;
  std::uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (compression == COMPRESSION_OJPEG ||
      !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.Photometric)) {
    return std::nullopt;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.Bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.Format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.Samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  layout.Planes = planar == PLANARCONFIG_SEPARATE;
  if (layout.Format == SAMPLEFORMAT_VOID) layout.Format = SAMPLEFORMAT_UINT;

  int colours = 1;
  if (layout.Photometric == PHOTOMETRIC_RGB) {
    colours = 3;
  } else if (layout.Photometric == PHOTOMETRIC_SEPARATED) {
    std::uint16_t inks = INKSET_CMYK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
    if (inks != INKSET_CMYK) return std::nullopt;
    colours = 4;
  } else if (layout.Photometric != PHOTOMETRIC_MINISBLACK &&
             layout.Photometric != PHOTOMETRIC_MINISWHITE &&
             layout.Photometric != PHOTOMETRIC_PALETTE) {
    return std::nullopt;
  }
  if (layout.Samples < colours) return std::nullopt;
  const bool integers = layout.Format == SAMPLEFORMAT_UINT || layout.Format == SAMPLEFORMAT_INT;
  const bool floats = layout.Format == SAMPLEFORMAT_IEEEFP &&
                      (layout.Bits == 16 || layout.Bits == 32 || layout.Bits == 64);
  if (!(integers && layout.Bits >= 1 && layout.Bits <= 32) && !floats) return std::nullopt;

  if (layout.Photometric == PHOTOMETRIC_PALETTE) {
    // libtiff holds 2^bits entries of each colour, so every index of the file has one.
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (layout.Format != SAMPLEFORMAT_UINT || layout.Bits > 16 ||
        !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
      return std::nullopt;
    }
    layout.Map = {red, green, blue};
    // Some writers fill the map with 8-bit values; libtiff's rule tells them apart.
    const std::size_t entries = std::size_t{1} << layout.Bits;
    layout.EightBitMap =
        std::all_of(red, red + entries, [](std::uint16_t v) { return v < 256; }) &&
        std::all_of(green, green + entries, [](std::uint16_t v) { return v < 256; }) &&
        std::all_of(blue, blue + entries, [](std::uint16_t v) { return v < 256; });
  }
  if (floats) {
    // Samples are 0 to 1 unless the file gives its own range.
    double low = 0, high = 0;
    if (TIFFGetField(tif, TIFFTAG_SMINSAMPLEVALUE, &low) &&
        TIFFGetField(tif, TIFFTAG_SMAXSAMPLEVALUE, &high) && std::isfinite(low) &&
        std::isfinite(high) && high > low) {
      layout.Low = low;
      layout.High = high;
    }
  }

  // Alpha is drawn on white, as for BMP and GIF: the picture is the one a viewer shows on a white
  // page, and the one other programs give when they flatten a picture to grey. An extra sample of
  // unspecified meaning in the first place is taken as unassociated alpha: files of old programs
  // that wrote RGBA that way are alpha in all but name, other readers take it so, and for the
  // masks of all or nothing that they hold, associated or not makes no difference. Palette files
  // have no alpha in practice, and their extra samples are left alone: an index cannot be drawn
  // on white before it is looked up.
  std::uint16_t extras = 0;
  std::uint16_t* kinds = nullptr;
  if (layout.Photometric != PHOTOMETRIC_PALETTE &&
      TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extras, &kinds) && kinds) {
    for (int i = 0; i < extras && colours + i < layout.Samples; ++i) {
      if (kinds[i] == EXTRASAMPLE_ASSOCALPHA || kinds[i] == EXTRASAMPLE_UNASSALPHA ||
          (i == 0 && kinds[i] == EXTRASAMPLE_UNSPECIFIED)) {
        layout.Alpha = colours + i;
        layout.Associated = kinds[i] == EXTRASAMPLE_ASSOCALPHA;
        break;
      }
    }
  }
  return layout;
}

// libtiff hands samples of 16, 24, 32 and 64 bits over in the machine's byte order; every other
// depth as a stream of bits from the most significant one, each row starting on a byte.
std::uint32_t HostSample(const std::uint8_t* at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    const int shift = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 8 * i : 8 * (bytes - 1 - i);
    value |= std::uint32_t{at[i]} << shift;
  }
  return value;
}

std::uint32_t PackedSample(const std::uint8_t* row, std::size_t index, int bits) {
  const std::uint64_t first = std::uint64_t{index} * bits;
  const std::uint8_t* at = row + first / 8;
  const int skip = static_cast<int>(first % 8), bytes = (skip + bits + 7) / 8;
  std::uint64_t gathered = 0;
  for (int i = 0; i < bytes; ++i) gathered = gathered << 8 | at[i];
  return static_cast<std::uint32_t>((gathered >> (8 * bytes - skip - bits)) &
                                    ((std::uint64_t{1} << bits) - 1));
}

float HalfToFloat(std::uint32_t half) {
  const int exponent = static_cast<int>(half >> 10 & 0x1F);
  const float mantissa = static_cast<float>(half & 0x3FF);
  const float magnitude = exponent == 0    ? std::ldexp(mantissa, -24)
                          : exponent == 31 ? (mantissa ? NAN : INFINITY)
                                           : std::ldexp(mantissa + 1024, exponent - 25);
  return half & 0x8000 ? -magnitude : magnitude;
}

// Stored samples onto the common scale. Palette indices stay indices.
class TSampleScale {
 public:
  explicit TSampleScale(const TLayout& layout) : Layout(layout) {
    if (layout.Format == SAMPLEFORMAT_IEEEFP || layout.Bits > 16) return;
    const std::uint32_t top = (1u << layout.Bits) - 1;
    Table.resize(std::size_t{top} + 1);
    for (std::uint32_t stored = 0; stored <= top; ++stored) {
      Table[stored] = static_cast<std::uint16_t>(
          layout.Photometric == PHOTOMETRIC_PALETTE ? stored : Scaled(stored, top));
    }
  }

  // Samples first to first + count − 1 of a stored row.
  void Row(const std::uint8_t* row, std::size_t first, std::size_t count,
           std::uint16_t* out) const {
    const int bits = Layout.Bits;
    if (Layout.Format == SAMPLEFORMAT_IEEEFP) {
      for (std::size_t i = 0; i < count; ++i) out[i] = FromFloat(row, first + i);
    } else if (bits == 8) {
      for (std::size_t i = 0; i < count; ++i) out[i] = Table[row[first + i]];
    } else if (bits == 16) {
      for (std::size_t i = 0; i < count; ++i) out[i] = Table[HostSample(row + 2 * (first + i), 2)];
    } else if (bits < 16) {
      for (std::size_t i = 0; i < count; ++i) out[i] = Table[PackedSample(row, first + i, bits)];
    } else {
      const std::uint32_t top = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t index = first + i;
        const std::uint32_t stored = bits == 32   ? HostSample(row + 4 * index, 4)
                                     : bits == 24 ? HostSample(row + 3 * index, 3)
                                                  : PackedSample(row, index, bits);
        out[i] = static_cast<std::uint16_t>(Scaled(stored, top));
      }
    }
  }

 private:
  // Signed samples run from the most negative (black) to the most positive (white): flipping the
  // sign bit makes them unsigned in the same order.
  std::uint32_t Scaled(std::uint32_t stored, std::uint32_t top) const {
    if (Layout.Format == SAMPLEFORMAT_INT) stored ^= (top >> 1) + 1;
    return static_cast<std::uint32_t>((std::uint64_t{stored} * kFull + top / 2) / top);
  }

  std::uint16_t FromFloat(const std::uint8_t* row, std::size_t index) const {
    double value = 0;
    if (Layout.Bits == 16) {
      value = HalfToFloat(HostSample(row + 2 * index, 2));
    } else if (Layout.Bits == 32) {
      float single = 0;
      std::memcpy(&single, row + 4 * index, 4);
      value = single;
    } else {
      std::memcpy(&value, row + 8 * index, 8);
    }
    const double share = (value - Layout.Low) / (Layout.High - Layout.Low);
    if (!(share > 0)) return 0;  // NaN too
    return share >= 1 ? kFull : static_cast<std::uint16_t>(share * kFull + 0.5);
  }

  const TLayout& Layout;
  std::vector<std::uint16_t> Table;  // integers of up to 16 bits: stored value to scale
};

// One pixel's colour from its samples, `stride` apart.
QRgb PixelColour(const TLayout& layout, const std::uint16_t* s, std::size_t stride) {
  std::uint32_t r = s[0], g = s[0], b = s[0];
  switch (layout.Photometric) {
    case PHOTOMETRIC_MINISWHITE:
      r = g = b = kFull - s[0];
      break;
    case PHOTOMETRIC_RGB:
      g = s[stride];
      b = s[2 * stride];
      break;
    case PHOTOMETRIC_PALETTE: {
      const std::uint32_t scale = layout.EightBitMap ? 257 : 1;
      r = layout.Map[0][s[0]] * scale;
      g = layout.Map[1][s[0]] * scale;
      b = layout.Map[2][s[0]] * scale;
      break;
    }
    case PHOTOMETRIC_SEPARATED: {
      const std::uint32_t white = kFull - s[3 * stride];
      r = Times(kFull - s[0], white);
      g = Times(kFull - s[stride], white);
      b = Times(kFull - s[2 * stride], white);
      break;
    }
    default:
      break;
  }
  if (layout.Alpha >= 0) {
    const std::uint32_t alpha = s[static_cast<std::size_t>(layout.Alpha) * stride];
    const std::uint32_t clear = kFull - alpha;
    if (layout.Associated) {
      // A damaged file may hold colour above its alpha; white is as far as it goes.
      r = std::min(r + clear, kFull);
      g = std::min(g + clear, kFull);
      b = std::min(b + clear, kFull);
    } else {
      r = Times(r, alpha) + clear;
      g = Times(g, alpha) + clear;
      b = Times(b, alpha) + clear;
    }
  }
  return qRgb(static_cast<int>(To8Bits(r)), static_cast<int>(To8Bits(g)),
              static_cast<int>(To8Bits(b)));
}

// The common case straight from the bytes: 8-bit grey or RGB without alpha, in one plane. The
// general path's work per sample would double the time a photograph takes; the colours are the
// same. False for every other layout.
bool EightBitRow(const TLayout& layout, const std::uint8_t* row, std::size_t count, QRgb* out) {
  if (layout.Bits != 8 || layout.Format != SAMPLEFORMAT_UINT || layout.Alpha >= 0 ||
      layout.Planes) {
    return false;
  }
  const std::size_t step = layout.Samples;
  switch (layout.Photometric) {
    case PHOTOMETRIC_RGB:
      for (std::size_t i = 0; i < count; ++i, row += step) out[i] = qRgb(row[0], row[1], row[2]);
      return true;
    case PHOTOMETRIC_MINISBLACK:
      for (std::size_t i = 0; i < count; ++i, row += step)
        out[i] = 0xFF000000u | row[0] * 0x010101u;
      return true;
    case PHOTOMETRIC_MINISWHITE:
      for (std::size_t i = 0; i < count; ++i, row += step) {
        out[i] = 0xFF000000u | (255u - row[0]) * 0x010101u;
      }
      return true;
    default:
      return false;
  }
}

// Columns converted at a time: the samples of a row of any width in a buffer of fixed size.
constexpr std::size_t kColumnsPerPass = 1024;

// The picture of a plain layout as stored, not yet turned; null with `error` set when it cannot be
// read. Every chunk (strip or tile, one per plane) is decoded into a buffer of its full size, and
// every sample read lies inside the rows that libtiff says the chunk holds.
QImage ReadPlain(TIFF* tif, const TLayout& layout, std::uint32_t width, std::uint32_t height,
                 QString& error) {
  const bool tiled = TIFFIsTiled(tif);
  std::uint32_t chunkWidth = width, chunkHeight = height;
  if (tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &chunkWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &chunkHeight);
  } else {
    std::uint32_t rowsPerStrip = height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    chunkHeight = std::clamp<std::uint32_t>(rowsPerStrip, 1, height);
  }
  const std::uint32_t planes = layout.Planes ? layout.Samples : 1;
  const std::uint32_t perPixel = layout.Samples / planes;
  const std::uint64_t rowBytes = tiled ? TIFFTileRowSize64(tif) : TIFFScanlineSize64(tif);
  const std::uint64_t chunkBytes = tiled ? TIFFTileSize64(tif) : TIFFVStripSize64(tif, chunkHeight);
  const std::uint64_t packedRow = (std::uint64_t{chunkWidth} * perPixel * layout.Bits + 7) / 8;
  if (chunkWidth == 0 || chunkHeight == 0 || rowBytes < packedRow ||
      chunkBytes / chunkHeight < rowBytes) {
    error = "TIFF: strips or tiles that do not fit the image";
    return {};
  }
  if (chunkBytes > static_cast<std::uint64_t>(kMaxTiffAllocation) / planes) {
    error = "TIFF: strips or tiles too large";
    return {};
  }
  QImage image = NewDecodeImage(static_cast<int>(width), static_cast<int>(height));
  std::vector<std::vector<std::uint8_t>> chunks;
  std::vector<std::uint16_t> samples;
  try {
    chunks.assign(planes, std::vector<std::uint8_t>(chunkBytes));
    samples.resize(kColumnsPerPass * layout.Samples);
  } catch (const std::bad_alloc&) {
    image = QImage();
  }
  if (image.isNull()) {
    error = "TIFF: out of memory";
    return {};
  }

  const TSampleScale scale(layout);
  // Contiguous samples lie pixel by pixel; separate ones plane by plane, a pass's worth each.
  const std::size_t pixelStride = layout.Planes ? 1 : layout.Samples;
  const std::size_t sampleStride = layout.Planes ? kColumnsPerPass : 1;
  for (std::uint64_t y0 = 0; y0 < height; y0 += chunkHeight) {
    const auto rows = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkHeight, height - y0));
    for (std::uint64_t x0 = 0; x0 < width; x0 += chunkWidth) {
      const auto columns =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkWidth, width - x0));
      for (std::uint32_t plane = 0; plane < planes; ++plane) {
        const auto x = static_cast<std::uint32_t>(x0), y = static_cast<std::uint32_t>(y0);
        std::uint8_t* chunk = chunks[plane].data();
        const auto size = static_cast<tmsize_t>(chunkBytes);
        const tmsize_t got =
            tiled ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, plane), chunk, size)
                  : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, plane), chunk, size);
        if (got < 0) {
          error = "damaged image data";
          return {};
        }
        // What a short chunk lacks reads as zeros, the same on every read.
        std::fill(chunk + got, chunk + chunkBytes, std::uint8_t{0});
      }
      for (std::uint32_t r = 0; r < rows; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y0 + r))) + x0;
        if (EightBitRow(layout, chunks[0].data() + r * rowBytes, columns, line)) continue;
        for (std::uint32_t first = 0; first < columns; first += kColumnsPerPass) {
          const std::size_t count = std::min<std::size_t>(kColumnsPerPass, columns - first);
          for (std::uint32_t plane = 0; plane < planes; ++plane) {
            const std::uint8_t* row = chunks[plane].data() + r * rowBytes;
            scale.Row(row, first * perPixel, count * perPixel,
                      samples.data() + plane * kColumnsPerPass);
          }
          for (std::size_t i = 0; i < count; ++i) {
            line[first + i] = PixelColour(layout, samples.data() + i * pixelStride, sampleStride);
          }
        }
      }
    }
  }
  return image;
}

// The picture through libtiff's RGBA interface, as stored, not yet turned.
QImage ReadThroughRgba(TIFF* tif, QString& error) {
  char reason[1024] = "";
  TIFFRGBAImage rgba{};
  if (!TIFFRGBAImageOK(tif, reason) || !TIFFRGBAImageBegin(&rgba, tif, 1, reason)) {
    error = QString::fromUtf8(reason);
    return {};
  }
  // Rows as stored, top first: the turning is done afterwards for every layout alike.
  rgba.orientation = ORIENTATION_TOPLEFT;
  rgba.req_orientation = ORIENTATION_TOPLEFT;
  // libtiff writes its raster straight into the image's memory, which is then converted in place:
  // a 32-bit QImage has rows of exactly width words, the layout the raster needs.
  QImage image = NewDecodeImage(static_cast<int>(rgba.width), static_cast<int>(rgba.height));
  if (image.isNull() || image.bytesPerLine() != static_cast<qsizetype>(rgba.width) * 4) {
    TIFFRGBAImageEnd(&rgba);
    error = "TIFF: out of memory";
    return {};
  }
  auto* raster = reinterpret_cast<std::uint32_t*>(image.bits());
  const int got = TIFFRGBAImageGet(&rgba, raster, rgba.width, rgba.height);
  TIFFRGBAImageEnd(&rgba);
  if (!got) {
    error = "damaged image data";
    return {};
  }
  ConvertRaster(raster, static_cast<std::size_t>(rgba.width) * rgba.height);
  return image;
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
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);

  QString error;
  const std::optional<TLayout> layout = PlainLayout(tif.get());
  QImage image = layout ? ReadPlain(tif.get(), *layout, width, height, error)
                        : ReadThroughRgba(tif.get(), error);
  if (image.isNull()) return finish(TiffError(messages, error));
  image = UprightImage(std::move(image), orientation);
  if (image.isNull()) return finish("TIFF: out of memory");
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
