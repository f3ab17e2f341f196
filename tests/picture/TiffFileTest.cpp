#include <tiffio.h>

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "picture/ImageFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kWidth = 40, kHeight = 24, kCorner = 4;  // 40 × 24 with a 4 × 4 corner

// One page of a sample file: every pixel is `background` except the first kCorner stored rows
// and columns, which are `corner` (one value per sample, at the sample's bit depth).
struct TPage {
  std::uint16_t Photometric = PHOTOMETRIC_RGB;
  std::vector<std::uint16_t> Corner = {255, 0, 0}, Background = {0, 0, 255};
  std::uint16_t Bits = 8;
  std::uint16_t Compression = COMPRESSION_NONE;
  std::uint16_t Planar = PLANARCONFIG_CONTIG;
  std::uint16_t Orientation = ORIENTATION_TOPLEFT;
  std::uint16_t ExtraSample = 0;   // EXTRASAMPLE_* of a last sample, or none
  std::uint32_t Tile = 0;          // tile side, or strips
  std::uint32_t RowsPerStrip = 5;  // several strips, the last one short
  std::uint32_t Width = kWidth, Height = kHeight;
};

// How a page is stored: the fields that both writers below set alike.
struct TStorage {
  std::uint32_t Width, Height;
  std::uint16_t Samples, Bits, Format, Photometric, Compression, Planar;
  std::optional<std::uint16_t> Extra;  // EXTRASAMPLE_* of a last sample
  std::uint32_t Tile, RowsPerStrip;    // tile side, or strips
};

void SetStorage(TIFF* tif, const TStorage& storage) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, storage.Width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, storage.Height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, storage.Samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, storage.Bits);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, storage.Format);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, storage.Photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, storage.Compression);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, storage.Planar);
  if (storage.Extra) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &*storage.Extra);
  if (storage.Photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
  if (storage.Tile) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, storage.Tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, storage.Tile);
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, storage.RowsPerStrip);
  }
}

// What `write` writes with libtiff into a file, returned as its bytes.
Bytes WrittenTiff(const std::function<void(TIFF*)>& write) {
  QTemporaryDir dir;
  const QString path = dir.filePath("sample.tif");
  TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
  EXPECT_NE(tif, nullptr);
  if (!tif) return {};
  write(tif);
  TIFFClose(tif);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  return Bytes(data.begin(), data.end());
}

// `pages` written by libtiff into a file, returned as its bytes.
Bytes WriteTiff(const std::vector<TPage>& pages) {
  return WrittenTiff([&pages](TIFF* tif) {
    for (const TPage& page : pages) {
      const auto samples = static_cast<std::uint16_t>(page.Corner.size());
      std::optional<std::uint16_t> extra;
      if (page.ExtraSample) extra = page.ExtraSample;
      SetStorage(tif,
                 {page.Width, page.Height, samples, page.Bits, SAMPLEFORMAT_UINT, page.Photometric,
                  page.Compression, page.Planar, extra, page.Tile, page.RowsPerStrip});
      TIFFSetField(tif, TIFFTAG_ORIENTATION, page.Orientation);
      if (page.Photometric == PHOTOMETRIC_YCBCR) {
        TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
      }
      // Palette index 0 is blue, 1 red, the rest grey.
      std::vector<std::uint16_t> red(256, 0x8080), green(256, 0x8080), blue(256, 0x8080);
      red[0] = green[0] = green[1] = blue[1] = 0;
      blue[0] = red[1] = 0xFFFF;
      if (page.Photometric == PHOTOMETRIC_PALETTE) {
        TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
      }
      // The stored samples of the w × h block at (x0, y0), of one plane or all; zero off the image.
      const std::uint32_t planes = page.Planar == PLANARCONFIG_SEPARATE ? samples : 1;
      const std::uint32_t perPixel = samples / planes, sampleBytes = page.Bits / 8;
      const auto block = [&](std::uint32_t x0, std::uint32_t y0, std::uint32_t w, std::uint32_t h,
                             std::uint32_t plane) {
        Bytes out(w * h * perPixel * sampleBytes);
        for (std::uint32_t y = y0; y < std::min(y0 + h, page.Height); ++y) {
          for (std::uint32_t x = x0; x < std::min(x0 + w, page.Width); ++x) {
            const auto& colour = x < kCorner && y < kCorner ? page.Corner : page.Background;
            // Little-endian: 8 bits are the low byte.
            for (std::uint32_t s = 0; s < perPixel; ++s) {
              std::memcpy(&out[(((y - y0) * w + x - x0) * perPixel + s) * sampleBytes],
                          &colour[plane + s], sampleBytes);
            }
          }
        }
        return out;
      };
      for (std::uint32_t p = 0; p < planes; ++p) {
        for (std::uint32_t y = 0; y < page.Height; y += page.Tile ? page.Tile : 1) {
          for (std::uint32_t x = 0; page.Tile && x < page.Width; x += page.Tile) {
            TIFFWriteTile(tif, block(x, y, page.Tile, page.Tile, p).data(), x, y, 0, 0);
          }
          if (!page.Tile) TIFFWriteScanline(tif, block(0, y, page.Width, 1, p).data(), y, p);
        }
      }
      TIFFWriteDirectory(tif);
    }
  });
}

// The offset of the entry for `tag` in the first directory of a little-endian file.
std::size_t EntryOffset(const Bytes& file, std::uint16_t tag) {
  std::uint32_t directory = 0;
  std::uint16_t count = 0;
  std::memcpy(&directory, &file[4], 4);
  std::memcpy(&count, &file[directory], 2);
  for (std::size_t entry = directory + 2; entry < directory + 2 + count * 12u; entry += 12) {
    std::uint16_t entryTag = 0;
    std::memcpy(&entryTag, &file[entry], 2);
    if (entryTag == tag) return entry;
  }
  ADD_FAILURE() << "no tag " << tag;
  return 0;
}

// Sets the entry for `tag` to one LONG `value`.
Bytes WithLong(Bytes file, std::uint16_t tag, std::uint32_t value) {
  const std::size_t entry = EntryOffset(file, tag);
  const std::uint16_t type = TIFF_LONG;
  const std::uint32_t count = 1;
  std::memcpy(&file[entry + 2], &type, 2);
  std::memcpy(&file[entry + 4], &count, 4);
  std::memcpy(&file[entry + 8], &value, 4);
  return file;
}

TImageRead Read(const Bytes& file) {
  return ReadTiff(std::span(file.data(), file.size()));
}

// A file for checking what sample values mean: every row holds `Values` (the samples of its
// pixels in order, each pixel `Repeat` times), stored as the fields say. Samples that are not
// whole bytes are packed from the most significant bit.
struct TSamples {
  std::uint16_t Photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t Bits = 8;
  std::uint16_t Format = SAMPLEFORMAT_UINT;
  std::uint16_t Samples = 1;  // per pixel
  std::vector<double> Values;
  std::optional<std::uint16_t> Extra = std::nullopt;  // EXTRASAMPLE_* of the last sample
  std::uint16_t Compression = COMPRESSION_NONE;
  std::uint16_t Planar = PLANARCONFIG_CONTIG;
  std::uint32_t Tile = 0;  // tile side, or one strip
  std::uint32_t Repeat = 1, Height = 16;
};

// The bits of a half-precision float, for the values the tables use (zero and normal numbers).
std::uint16_t Half(double value) {
  if (value == 0) return 0;
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);  // 0.5 <= fraction < 1
  const auto mantissa = static_cast<std::uint16_t>(std::lround((fraction * 2 - 1) * 1024));
  return static_cast<std::uint16_t>((value < 0 ? 0x8000 : 0) | (exponent + 14) << 10 | mantissa);
}

// One stored sample appended to `row`: whole bytes in the machine's order, as libtiff takes them.
void Append(std::vector<std::uint8_t>& row, std::uint64_t& bit, const TSamples& file,
            double value) {
  std::uint64_t raw = 0;
  if (file.Format == SAMPLEFORMAT_IEEEFP) {
    if (file.Bits == 16) raw = Half(value);
    const float single = static_cast<float>(value);
    if (file.Bits == 32) std::memcpy(&raw, &single, 4);
    if (file.Bits == 64) std::memcpy(&raw, &value, 8);
  } else {
    raw = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
  }
  if (file.Bits % 8 == 0) {
    const int bytes = file.Bits / 8;
    for (int i = 0; i < bytes; ++i) {
      const int shift = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 8 * i : 8 * (bytes - 1 - i);
      row.push_back(static_cast<std::uint8_t>(raw >> shift));
    }
    bit += file.Bits;
    return;
  }
  for (int i = file.Bits - 1; i >= 0; --i, ++bit) {
    if (bit % 8 == 0) row.push_back(0);
    if (raw >> i & 1) row.back() |= static_cast<std::uint8_t>(0x80 >> bit % 8);
  }
}

Bytes WriteSamples(const TSamples& file) {
  const auto pixels = static_cast<std::uint32_t>(file.Values.size() / file.Samples);
  const std::uint32_t width = pixels * file.Repeat;
  const bool separate = file.Planar == PLANARCONFIG_SEPARATE;
  const std::uint32_t planes = separate ? file.Samples : 1;
  // The stored row of `plane` from column x0 on, `columns` wide (zeros past the image).
  const auto row = [&](std::uint32_t plane, std::uint32_t x0, std::uint32_t columns) {
    std::vector<std::uint8_t> bytes;
    std::uint64_t bit = 0;
    for (std::uint32_t x = x0; x < x0 + columns; ++x) {
      for (std::uint32_t s = 0; s < file.Samples; ++s) {
        if (separate && s != plane) continue;
        const double value = x < width ? file.Values[x / file.Repeat * file.Samples + s] : 0;
        Append(bytes, bit, file, value);
      }
    }
    return bytes;
  };
  return WrittenTiff([&](TIFF* tif) {
    SetStorage(tif, {width, file.Height, file.Samples, file.Bits, file.Format, file.Photometric,
                     file.Compression, file.Planar, file.Extra, file.Tile, file.Height});
    for (std::uint32_t plane = 0; plane < planes; ++plane) {
      for (std::uint32_t y = 0; y < file.Height; y += file.Tile ? file.Tile : 1) {
        if (!file.Tile) {
          std::vector<std::uint8_t> line = row(plane, 0, width);
          EXPECT_GE(TIFFWriteScanline(tif, line.data(), y, static_cast<std::uint16_t>(plane)), 0);
          continue;
        }
        for (std::uint32_t x = 0; x < width; x += file.Tile) {
          Bytes tile;
          const std::vector<std::uint8_t> line = row(plane, x, file.Tile);
          for (std::uint32_t r = 0; r < file.Tile; ++r)
            tile.insert(tile.end(), line.begin(), line.end());
          EXPECT_GE(TIFFWriteTile(tif, tile.data(), x, y, 0, static_cast<std::uint16_t>(plane)), 0);
        }
      }
    }
    TIFFWriteDirectory(tif);
  });
}

// Reads `file` and checks the colour of each of its pixels (the first of each repeat) in the
// first row against `want`, within `tolerance` in each component.
void ExpectColours(const TSamples& file, const std::vector<QRgb>& want, int tolerance = 0) {
  const TImageRead read = Read(WriteSamples(file));
  ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
  ASSERT_EQ(read.Image.width(), static_cast<int>(want.size() * file.Repeat));
  for (std::size_t i = 0; i < want.size(); ++i) {
    const QRgb got = read.Image.pixel(static_cast<int>(i * file.Repeat), 0);
    const bool near = std::abs(qRed(got) - qRed(want[i])) <= tolerance &&
                      std::abs(qGreen(got) - qGreen(want[i])) <= tolerance &&
                      std::abs(qBlue(got) - qBlue(want[i])) <= tolerance;
    EXPECT_TRUE(near) << "pixel " << i << " is " << std::hex << got << ", not " << want[i];
  }
}

QRgb Grey(int value) {
  return qRgb(value, value, value);
}

}  // namespace

TEST(TiffRead, EveryLayoutGivesTheUprightPictureInRgb32) {
  const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
  const QRgb black = qRgb(0, 0, 0), grey = qRgb(200, 200, 200), light = qRgb(0, 128, 255);
  const TPage rgb, palette{PHOTOMETRIC_PALETTE, {1}, {0}};
  const TPage minIsBlack{PHOTOMETRIC_MINISBLACK, {0}, {200}};
  const TPage minIsWhite{PHOTOMETRIC_MINISWHITE, {0}, {200}};
  const TPage deep{PHOTOMETRIC_RGB, {65535, 0, 0}, {0, 0x8080, 65535}, 16};
  const TPage cmyk{PHOTOMETRIC_SEPARATED, {0, 255, 255, 0}, {255, 255, 0, 0}};
  const TPage ycbcr{PHOTOMETRIC_YCBCR, {0, 128, 128}, {200, 128, 128}};
  const TPage alpha{.Corner = {255, 0, 0, 255},
                    .Background = {0, 0, 255, 0},
                    .ExtraSample = EXTRASAMPLE_UNASSALPHA};
  const TPage planes{.Compression = COMPRESSION_LZW, .Planar = PLANARCONFIG_SEPARATE};
  const TPage green{.Corner = {0, 255, 0}, .Background = {0, 255, 0}, .Width = 8, .Height = 8};
  // Where the first stored pixels are seen, and the size, for each orientation tested.
  const QRect topLeft(0, 0, kCorner, kCorner), bottomLeft(0, kHeight - kCorner, kCorner, kCorner);
  const QRect turnedRight(kHeight - kCorner, 0, kCorner, kCorner);
  const QRect turnedLeft(0, kWidth - kCorner, kCorner, kCorner);
  const QRect topRight(kWidth - kCorner, 0, kCorner, kCorner);
  const QRect bottomRight(kWidth - kCorner, kHeight - kCorner, kCorner, kCorner);
  const QRect turnedBottomRight(kHeight - kCorner, kWidth - kCorner, kCorner, kCorner);
  const QSize size(kWidth, kHeight), turned(kHeight, kWidth);
  struct TRow {
    const char* Name;
    std::vector<TPage> Pages;
    QRgb Corner, Background;
    QRect CornerAt;
    QSize Size;
    int Tolerance = 0;
  };
  const std::vector<TRow> rows = {
      {"rgb", {rgb}, red, blue, topLeft, size},
      {"grey min-is-black", {minIsBlack}, black, grey, topLeft, size},
      {"grey min-is-white", {minIsWhite}, white, qRgb(55, 55, 55), topLeft, size},
      {"palette", {palette}, red, blue, topLeft, size},
      {"16 bits", {deep}, red, light, topLeft, size},
      {"tiled", {{.Tile = 16}}, red, blue, topLeft, size},
      {"separate planes, LZW", {planes}, red, blue, topLeft, size},
      {"deflate", {{.Compression = COMPRESSION_ADOBE_DEFLATE}}, red, blue, topLeft, size},
      {"packbits", {{.Compression = COMPRESSION_PACKBITS}}, red, blue, topLeft, size},
      {"cmyk", {cmyk}, red, blue, topLeft, size},
      {"ycbcr", {ycbcr}, black, grey, topLeft, size, 2},
      {"alpha drawn on white", {alpha}, red, white, topLeft, size},
      {"bottom up", {{.Orientation = ORIENTATION_BOTLEFT}}, red, blue, bottomLeft, size},
      {"turned right", {{.Orientation = ORIENTATION_RIGHTTOP}}, red, blue, turnedRight, turned},
      {"turned left", {{.Orientation = ORIENTATION_LEFTBOT}}, red, blue, turnedLeft, turned},
      {"mirrored", {{.Orientation = ORIENTATION_TOPRIGHT}}, red, blue, topRight, size},
      {"upside down", {{.Orientation = ORIENTATION_BOTRIGHT}}, red, blue, bottomRight, size},
      {"mirrored on the diagonal",
       {{.Orientation = ORIENTATION_LEFTTOP}},
       red,
       blue,
       topLeft,
       turned},
      {"mirrored on the other diagonal",
       {{.Orientation = ORIENTATION_RIGHTBOT}},
       red,
       blue,
       turnedBottomRight,
       turned},
      {"turned, grey in tiles",
       {{PHOTOMETRIC_MINISWHITE,
         {0},
         {200},
         8,
         COMPRESSION_NONE,
         PLANARCONFIG_CONTIG,
         ORIENTATION_RIGHTTOP,
         0,
         16}},
       white,
       qRgb(55, 55, 55),
       turnedRight,
       turned},
      {"first of two pages", {rgb, green}, red, blue, topLeft, size},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const TImageRead read = Read(WriteTiff(row.Pages));
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    EXPECT_EQ(read.Image.format(), QImage::Format_RGB32);
    ASSERT_EQ(read.Image.size(), row.Size);
    int wrong = 0;
    for (int y = 0; y < row.Size.height(); ++y) {
      for (int x = 0; x < row.Size.width(); ++x) {
        const QRgb want = row.CornerAt.contains(x, y) ? row.Corner : row.Background;
        const QRgb got = read.Image.pixel(x, y);
        if (std::abs(qRed(got) - qRed(want)) > row.Tolerance ||
            std::abs(qGreen(got) - qGreen(want)) > row.Tolerance ||
            std::abs(qBlue(got) - qBlue(want)) > row.Tolerance) {
          if (++wrong == 1) ADD_FAILURE() << "(" << x << ", " << y << ") is " << std::hex << got;
        }
      }
    }
  }
}

TEST(TiffRead, SampleValuesGiveTheirGrey) {
  constexpr std::uint16_t kWhite0 = PHOTOMETRIC_MINISWHITE, kBlack0 = PHOTOMETRIC_MINISBLACK;
  constexpr std::uint16_t kInt = SAMPLEFORMAT_INT, kFloat = SAMPLEFORMAT_IEEEFP;
  struct TRow {
    const char* Name;
    std::uint16_t Photometric, Bits, Format;
    std::vector<double> Stored;
    std::vector<int> Grey;
  };
  const std::vector<TRow> rows = {
      {"white is zero, 1 bit", kWhite0, 1, SAMPLEFORMAT_UINT, {0, 1}, {255, 0}},
      {"white is zero, 2 bits", kWhite0, 2, SAMPLEFORMAT_UINT, {0, 1, 2, 3}, {255, 170, 85, 0}},
      {"white is zero, 4 bits", kWhite0, 4, SAMPLEFORMAT_UINT, {0, 5, 10, 15}, {255, 170, 85, 0}},
      {"white is zero, 8 bits", kWhite0, 8, SAMPLEFORMAT_UINT, {0, 55, 255}, {255, 200, 0}},
      {"white is zero, 16 bits", kWhite0, 16, SAMPLEFORMAT_UINT, {0, 0x8080, 65535}, {255, 127, 0}},
      {"black is zero, 3 bits", kBlack0, 3, SAMPLEFORMAT_UINT, {0, 3, 7}, {0, 109, 255}},
      {"black is zero, 12 bits", kBlack0, 12, SAMPLEFORMAT_UINT, {0, 1000, 4095}, {0, 62, 255}},
      {"white is zero, 12 bits", kWhite0, 12, SAMPLEFORMAT_UINT, {0, 1000, 4095}, {255, 193, 0}},
      {"black is zero, 24 bits",
       kBlack0,
       24,
       SAMPLEFORMAT_UINT,
       {0, 0x808080, 0xFFFFFF},
       {0, 128, 255}},
      {"black is zero, 32 bits",
       kBlack0,
       32,
       SAMPLEFORMAT_UINT,
       {0, 0x80000000u, 0xFFFFFFFFu},
       {0, 128, 255}},
      // Signed samples run from the most negative, black, to the most positive, white.
      {"signed, 8 bits", kBlack0, 8, kInt, {-128, -1, 0, 127}, {0, 127, 128, 255}},
      {"signed, 16 bits", kBlack0, 16, kInt, {-32768, 0, 32767}, {0, 128, 255}},
      {"signed, white is zero", kWhite0, 16, kInt, {-32768, 0, 32767}, {255, 127, 0}},
      {"signed, 32 bits", kBlack0, 32, kInt, {-2147483648.0, 0, 2147483647}, {0, 128, 255}},
      // Floating point runs from 0 to 1; beyond is as far as it goes, and NaN is black.
      {"float, 32 bits", kBlack0, 32, kFloat, {-1, 0, 0.25, 1, 2, NAN}, {0, 0, 64, 255, 255, 0}},
      {"float, 16 bits", kBlack0, 16, kFloat, {0, 0.5, 1, 4}, {0, 128, 255, 255}},
      {"float, 64 bits", kBlack0, 64, kFloat, {0, 0.75, 1}, {0, 191, 255}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    std::vector<QRgb> want;
    for (const int grey : row.Grey) want.push_back(Grey(grey));
    ExpectColours({row.Photometric, row.Bits, row.Format, 1, row.Stored}, want);
  }
}

TEST(TiffRead, OddDepthsReadInEveryLayout) {
  // 12-bit red, green, blue and a grey, in strips and tiles, contiguous and in planes.
  const std::vector<double> rgb = {4095, 0, 0, 0, 4095, 0, 0, 0, 4095, 1000, 1000, 1000};
  const std::vector<QRgb> want = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), Grey(62)};
  const TSamples strips{.Photometric = PHOTOMETRIC_RGB, .Bits = 12, .Samples = 3, .Values = rgb};
  struct TRow {
    const char* Name;
    std::uint16_t Compression, Planar;
    std::uint32_t Tile, Repeat;
  };
  const std::vector<TRow> rows = {
      {"strips", COMPRESSION_NONE, PLANARCONFIG_CONTIG, 0, 1},
      {"strips, LZW", COMPRESSION_LZW, PLANARCONFIG_CONTIG, 0, 1},
      {"planes", COMPRESSION_NONE, PLANARCONFIG_SEPARATE, 0, 1},
      {"tiles", COMPRESSION_NONE, PLANARCONFIG_CONTIG, 16, 5},  // two tiles across, one cut
      {"tiles in planes, deflate", COMPRESSION_ADOBE_DEFLATE, PLANARCONFIG_SEPARATE, 16, 5},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TSamples file = strips;
    file.Compression = row.Compression;
    file.Planar = row.Planar;
    file.Tile = row.Tile;
    file.Repeat = row.Repeat;
    ExpectColours(file, want);
  }
}

TEST(TiffRead, CmykInEveryStorageGivesItsColour) {
  // White, red, blue, half black, and cyan under half black: ink, 0 for none.
  const std::vector<double> ink8 = {0, 0, 0, 0, 0, 255, 255, 0, 255, 255,
                                    0, 0, 0, 0, 0, 128, 255, 0, 0,   128};
  std::vector<double> ink16;
  for (const double v : ink8) ink16.push_back(v * 257);
  const std::vector<QRgb> want = {Grey(255), qRgb(255, 0, 0), qRgb(0, 0, 255), Grey(127),
                                  qRgb(0, 127, 127)};
  struct TRow {
    const char* Name;
    std::uint16_t Bits, Compression, Planar;
    int Tolerance = 0;
  };
  const std::vector<TRow> rows = {
      {"plain", 8, COMPRESSION_NONE, PLANARCONFIG_CONTIG},
      {"16 bits", 16, COMPRESSION_NONE, PLANARCONFIG_CONTIG},
      {"planes", 8, COMPRESSION_NONE, PLANARCONFIG_SEPARATE},
      {"16 bits in planes", 16, COMPRESSION_NONE, PLANARCONFIG_SEPARATE},
      {"LZW", 8, COMPRESSION_LZW, PLANARCONFIG_CONTIG},
      {"deflate", 8, COMPRESSION_ADOBE_DEFLATE, PLANARCONFIG_CONTIG},
      {"deflate, 16 bits in planes", 16, COMPRESSION_ADOBE_DEFLATE, PLANARCONFIG_SEPARATE},
      {"packbits", 8, COMPRESSION_PACKBITS, PLANARCONFIG_CONTIG},
      {"JPEG", 8, COMPRESSION_JPEG, PLANARCONFIG_CONTIG, 6},
      {"JPEG in planes", 8, COMPRESSION_JPEG, PLANARCONFIG_SEPARATE, 6},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    // Each colour 16 pixels wide, so JPEG's blocks hold one colour each.
    ExpectColours({.Photometric = PHOTOMETRIC_SEPARATED,
                   .Bits = row.Bits,
                   .Samples = 4,
                   .Values = row.Bits == 8 ? ink8 : ink16,
                   .Compression = row.Compression,
                   .Planar = row.Planar,
                   .Repeat = 16},
                  want, row.Tolerance);
  }
}

TEST(TiffRead, AlphaIsDrawnOnWhite) {
  // Opaque, transparent and half transparent pixels of one colour: grey 100, or red for RGB and
  // CMYK. Associated alpha holds the colour already multiplied: 100 × 128 / 255 = 50.
  constexpr std::uint16_t kAssociated = EXTRASAMPLE_ASSOCALPHA;
  constexpr std::uint16_t kUnassociated = EXTRASAMPLE_UNASSALPHA;
  constexpr std::uint16_t kUnspecified = EXTRASAMPLE_UNSPECIFIED;
  const std::vector<double> grey = {100, 255, 100, 0, 100, 128};
  const std::vector<double> greyAssociated = {100, 255, 0, 0, 50, 128};
  const std::vector<double> rgb = {255, 0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 128};
  const std::vector<double> cmyk = {0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 0, 255, 255, 0, 128};
  const std::vector<QRgb> greys = {Grey(100), Grey(255), Grey(177)};
  const std::vector<QRgb> reds = {qRgb(255, 0, 0), Grey(255), qRgb(255, 127, 127)};
  struct TRow {
    const char* Name;
    std::uint16_t Photometric, Samples, Extra;
    std::vector<double> Values;
    std::vector<QRgb> Want;
    std::uint16_t Bits = 8, Planar = PLANARCONFIG_CONTIG;
  };
  const std::uint16_t kGrey = PHOTOMETRIC_MINISBLACK, kRgb = PHOTOMETRIC_RGB;
  const std::vector<TRow> rows = {
      {"grey, unassociated", kGrey, 2, kUnassociated, grey, greys},
      {"grey, associated", kGrey, 2, kAssociated, greyAssociated, greys},
      {"grey, unspecified", kGrey, 2, kUnspecified, grey, greys},
      {"grey in planes", kGrey, 2, kUnassociated, grey, greys, 8, PLANARCONFIG_SEPARATE},
      {"grey, associated, in planes", kGrey, 2, kAssociated, greyAssociated, greys, 8,
       PLANARCONFIG_SEPARATE},
      {"grey, 16 bits", kGrey, 2, kUnassociated, grey, greys, 16},
      {"rgb, unassociated", kRgb, 4, kUnassociated, rgb, reds},
      {"rgb, unspecified, in planes", kRgb, 4, kUnspecified, rgb, reds, 8, PLANARCONFIG_SEPARATE},
      {"cmyk", PHOTOMETRIC_SEPARATED, 5, kUnassociated, cmyk, reds},
      {"cmyk in planes, 16 bits", PHOTOMETRIC_SEPARATED, 5, kUnassociated, cmyk, reds, 16,
       PLANARCONFIG_SEPARATE},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    std::vector<double> values = row.Values;
    if (row.Bits == 16) {
      for (double& v : values) v *= 257;
    }
    ExpectColours({.Photometric = row.Photometric,
                   .Bits = row.Bits,
                   .Samples = row.Samples,
                   .Values = values,
                   .Extra = row.Extra,
                   .Planar = row.Planar},
                  row.Want);
  }
}

TEST(TiffRead, DamagedFilesAreRefusedSilently) {
  const Bytes good = WriteTiff({{.Compression = COMPRESSION_LZW}});
  std::uint32_t directory = 0;
  std::memcpy(&directory, &good[4], 4);
  const auto Cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
  // One strip, so that the offset and the rows per strip are single values in their entries.
  const Bytes oneStrip = WriteTiff({{.RowsPerStrip = kHeight}});
  Bytes huge = WithLong(oneStrip, TIFFTAG_ROWSPERSTRIP, 100000);
  huge = WithLong(WithLong(huge, TIFFTAG_IMAGEWIDTH, 100000), TIFFTAG_IMAGELENGTH, 100000);
  std::mt19937 random(7);
  Bytes noise(4096);
  for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
  Bytes headerThenNoise = noise;
  std::memcpy(headerThenNoise.data(), "II*\0\x08\0\0\0", 8);
  struct TRow {
    const char* Name;
    Bytes File;
    const char* Reason = "";
  };
  const std::vector<TRow> rows = {
      {"zero length", {}},
      {"cut in the header", Cut(5)},
      {"cut after the header", Cut(8)},
      // libtiff writes the directory after the pixels: these cuts lose it, or some of its entries.
      {"cut before the directory", Cut(directory - 10)},
      {"cut in the directory entries", Cut(directory + 20)},
      {"cut in the directory values", Cut(good.size() - 40)},
      {"random bytes", noise},
      {"header, then random bytes", headerThenNoise},
      // Refused on the size in the header, before anything is allocated for the pixels.
      {"100000 × 100000", huge, "100000 × 100000"},
      {"strip beyond the end", WithLong(oneStrip, TIFFTAG_STRIPOFFSETS,
                                        static_cast<std::uint32_t>(oneStrip.size()) + 1000)},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    testing::internal::CaptureStderr();
    const TImageRead read = Read(row.File);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(read.Image.isNull());
    EXPECT_FALSE(read.Error.isEmpty());
    EXPECT_TRUE(read.Error.contains(row.Reason)) << read.Error.toStdString();
    EXPECT_EQ(printed, "");
  }
}

TEST(TiffRead, WarningsGoToTheReadNotTheTerminal) {
  // An entry with a tag libtiff does not know: it warns, and reads the image all the same.
  Bytes file = WriteTiff({TPage{}});
  const std::uint16_t unknown = 65000;
  std::memcpy(&file[EntryOffset(file, TIFFTAG_PLANARCONFIG)], &unknown, 2);
  testing::internal::CaptureStderr();
  const TImageRead read = Read(file);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(read.Image.isNull()) << read.Error.toStdString();
  EXPECT_FALSE(read.Warnings.isEmpty());
}

TEST(TiffWrite, RoundTripKeepsTheLevelColoursExactly) {
  const QRgb levels[] = {qRgb(0x00, 0x00, 0x00), qRgb(0x40, 0x40, 0x40), qRgb(0xA0, 0xA0, 0xA4),
                         qRgb(0xC0, 0xDC, 0xC0)};
  QImage picture(131, 77, QImage::Format_RGB32);  // odd sizes: rows that fill no strip evenly
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, levels[(x / 3 + y) % 4]);
  }
  QString error;
  const std::optional<QByteArray> file = EncodeTiff(picture, &error);
  ASSERT_TRUE(file) << error.toStdString();
  const TImageRead read = ReadTiff(std::span(reinterpret_cast<const std::uint8_t*>(file->data()),
                                             static_cast<std::size_t>(file->size())));
  EXPECT_EQ(read.Image, picture);
  EXPECT_TRUE(read.Warnings.isEmpty()) << read.Warnings.join("; ").toStdString();

  EXPECT_FALSE(EncodeTiff(QImage(), &error));
  EXPECT_FALSE(error.isEmpty());
}
