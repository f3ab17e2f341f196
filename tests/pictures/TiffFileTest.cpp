#include <tiffio.h>

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <random>
#include <vector>

#include "pictures/ImageFile.h"

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

// `pages` written by libtiff into a file, returned as its bytes.
Bytes WriteTiff(const std::vector<TPage>& pages) {
  QTemporaryDir dir;
  const QString path = dir.filePath("sample.tif");
  TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
  EXPECT_NE(tif, nullptr);
  if (!tif) return {};
  for (const TPage& page : pages) {
    const auto samples = static_cast<std::uint16_t>(page.Corner.size());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.Width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.Height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, page.Bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, page.Photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, page.Compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, page.Planar);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, page.Orientation);
    if (page.ExtraSample) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &page.ExtraSample);
    if (page.Photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
    if (page.Photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
    // Palette index 0 is blue, 1 red, the rest grey.
    std::vector<std::uint16_t> red(256, 0x8080), green(256, 0x8080), blue(256, 0x8080);
    red[0] = green[0] = green[1] = blue[1] = 0;
    blue[0] = red[1] = 0xFFFF;
    if (page.Photometric == PHOTOMETRIC_PALETTE) {
      TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    if (page.Tile) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, page.Tile);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, page.Tile);
    } else {
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, page.RowsPerStrip);
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
          for (std::uint32_t s = 0; s < perPixel; ++s) {  // little-endian: 8 bits are the low byte
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
  TIFFClose(tif);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  return Bytes(data.begin(), data.end());
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
