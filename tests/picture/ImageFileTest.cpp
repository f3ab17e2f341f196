// Image files: recognition by content and by name, BMP in its many shapes, saving that never
// destroys what was there, and device names that cannot leave their folder.
#include "picture/ImageFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> Span(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}

// A BMP by hand: file header, an info header of `headerSize` bytes (12 for the old OS/2 one),
// then `extra` (palette or bit masks) and `pixels`.
Bytes Bmp(int headerSize, int width, int height, int bits, int compression, const Bytes& extra,
          const Bytes& pixels) {
  Bytes file(14 + static_cast<std::size_t>(headerSize), 0);
  file[0] = 'B';
  file[1] = 'M';
  const std::uint32_t offset = static_cast<std::uint32_t>(file.size() + extra.size());
  platform::WriteLE(file.data(), 2, offset + pixels.size(), 4);
  platform::WriteLE(file.data(), 10, offset, 4);
  platform::WriteLE(file.data(), 14, static_cast<std::uint32_t>(headerSize), 4);
  if (headerSize == 12) {
    platform::WriteLE(file.data(), 18, static_cast<std::uint32_t>(width), 2);
    platform::WriteLE(file.data(), 20, static_cast<std::uint32_t>(height), 2);
    platform::WriteLE(file.data(), 22, 1, 2);
    platform::WriteLE(file.data(), 24, static_cast<std::uint32_t>(bits), 2);
  } else {
    platform::WriteLE(file.data(), 18, static_cast<std::uint32_t>(width), 4);
    platform::WriteLE(file.data(), 22, static_cast<std::uint32_t>(height), 4);
    platform::WriteLE(file.data(), 26, 1, 2);
    platform::WriteLE(file.data(), 28, static_cast<std::uint32_t>(bits), 2);
    platform::WriteLE(file.data(), 30, static_cast<std::uint32_t>(compression), 4);
    platform::WriteLE(file.data(), 34, static_cast<std::uint32_t>(pixels.size()), 4);
    if (bits <= 8)
      platform::WriteLE(file.data(), 46, static_cast<std::uint32_t>(extra.size() / 4), 4);
  }
  file.insert(file.end(), extra.begin(), extra.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// 24-bit rows of a 2 × 2 picture, red and green above blue and white, padded to four bytes.
const Bytes kBottomUp24 = {0xFF, 0, 0,    0xFF, 0xFF, 0xFF, 0, 0,   // blue, white (bottom row)
                           0,    0, 0xFF, 0,    0xFF, 0,    0, 0};  // red, green (top row)
const Bytes kTopDown24 = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0};

TEST(ImageFile, BmpInItsShapesReadsUpright) {
  // Palette of four entries (blue, green, red, reserved): red, green, blue, white.
  const Bytes palette = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
  // RLE8: bottom row blue, white; top row red, green; end of line and of bitmap markers.
  const Bytes rle = {1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1};
  // 16-bit 5-6-5 bit fields, bottom row first.
  const Bytes masks = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
  const Bytes fields = {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07};
  const struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"24-bit", Bmp(40, 2, 2, 24, 0, {}, kBottomUp24)},
      {"top-down", Bmp(40, 2, -2, 24, 0, {}, kTopDown24)},
      {"old OS/2 header", Bmp(12, 2, 2, 24, 0, {}, kBottomUp24)},
      {"RLE8 palette", Bmp(40, 2, 2, 8, 1, palette, rle)},
      {"bit fields", Bmp(40, 2, 2, 16, 3, masks, fields)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TImageRead read = ReadBmp(c.file);
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    EXPECT_EQ(read.Image.format(), QImage::Format_RGB32);
    // Five and six bits a component leave the low bits of 255 empty.
    const auto near = [&](QPoint p, QRgb want) {
      const QRgb got = read.Image.pixel(p);
      return std::abs(qRed(got) - qRed(want)) < 8 && std::abs(qGreen(got) - qGreen(want)) < 8 &&
             std::abs(qBlue(got) - qBlue(want)) < 8;
    };
    EXPECT_TRUE(near({0, 0}, qRgb(255, 0, 0)));
    EXPECT_TRUE(near({1, 0}, qRgb(0, 255, 0)));
    EXPECT_TRUE(near({0, 1}, qRgb(0, 0, 255)));
    EXPECT_TRUE(near({1, 1}, qRgb(255, 255, 255)));
  }
}

TEST(ImageFile, BmpChannelsOfAnyWidthSpanTheWholeRange) {
  // Masks after a 40-byte header, as the file stores them.
  const auto masks = [](std::vector<std::uint32_t> values) {
    Bytes bytes(values.size() * 4);
    for (std::size_t i = 0; i < values.size(); ++i) {
      platform::WriteLE(bytes.data(), 4 * i, values[i], 4);
    }
    return bytes;
  };
  const Bytes m565 = masks({0xF800, 0x07E0, 0x001F});
  const Bytes m10 = masks({0x3FF00000, 0x000FFC00, 0x000003FF});
  const Bytes m8888 = masks({0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000});
  constexpr int kRgb = 0, kFields = 3, kAlphaFields = 6;
  // A 1 × 2 picture whose top row is `pixel` and whose bottom one, first in the file, is `below`
  // (black unless alpha makes it otherwise).
  const auto picture = [](int header, int bits, int compression, const Bytes& extra,
                          std::uint32_t pixel, std::uint32_t below = 0) {
    Bytes rows(8, 0);
    platform::WriteLE(rows.data(), 0, below, bits / 8);
    platform::WriteLE(rows.data(), 4, pixel, bits / 8);
    return Bmp(header, 1, 2, bits, compression, extra, rows);
  };
  // 4 bits each with alpha, the masks inside a 124-byte header.
  Bytes v5 = picture(124, 16, kFields, {}, 0x8F00, 0xF000);
  const std::uint32_t m4444[] = {0x0F00, 0x00F0, 0x000F, 0xF000};  // red, green, blue, alpha
  for (int i = 0; i < 4; ++i) platform::WriteLE(v5.data(), 54 + 4 * i, m4444[i], 4);
  const struct {
    const char* what;
    Bytes file;
    QRgb want;
  } cases[] = {
      {"5-5-5, full", picture(40, 16, kRgb, {}, 0x7FFF), qRgb(255, 255, 255)},
      {"5-5-5, middle", picture(40, 16, kRgb, {}, 0x4210), qRgb(132, 132, 132)},
      {"5-6-5, green", picture(40, 16, kFields, m565, 0x07E0), qRgb(0, 255, 0)},
      {"5-6-5, half green", picture(40, 16, kFields, m565, 0x0400), qRgb(0, 130, 0)},
      {"10 bits, full", picture(40, 32, kFields, m10, 0x3FFFFFFF), qRgb(255, 255, 255)},
      {"10 bits, half red", picture(40, 32, kFields, m10, 512u << 20), qRgb(128, 0, 0)},
      {"32 bits, the fourth byte unused", picture(40, 32, kRgb, {}, 0x00112233),
       qRgb(0x11, 0x22, 0x33)},
      {"alpha, half red on white", picture(40, 32, kAlphaFields, m8888, 0x80FF0000, 0xFF000000),
       qRgb(255, 127, 127)},
      {"4 bits with alpha in a long header", v5, qRgb(255, 119, 119)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TImageRead read = ReadBmp(c.file);
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    EXPECT_EQ(read.Image.format(), QImage::Format_RGB32);
    EXPECT_EQ(read.Image.pixel(0, 0), c.want) << std::hex << read.Image.pixel(0, 0);
    EXPECT_EQ(read.Image.pixel(0, 1), qRgb(0, 0, 0));
  }
  // A cut file keeps the rows it has; the rest stays white.
  Bytes cut = picture(40, 16, kRgb, {}, 0x7FFF);
  cut.resize(cut.size() - 4);
  const TImageRead read = ReadBmp(cut);
  EXPECT_EQ(read.Image.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(read.Image.pixel(0, 1), qRgb(0, 0, 0));
}

TEST(ImageFile, DamagedBmpIsRefusedWithoutAllocatingForIt) {
  const Bytes good = Bmp(40, 2, 2, 24, 0, {}, kBottomUp24);
  Bytes huge = good;
  platform::WriteLE(huge.data(), 18, 100000, 4);
  platform::WriteLE(huge.data(), 22, 100000, 4);
  std::mt19937 random(7);
  Bytes noise(4096);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  noise[0] = 'B';
  noise[1] = 'M';
  const struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"header only", Bytes(good.begin(), good.begin() + 20)},
      {"empty", {}},
      {"100000 x 100000", huge},
      {"noise behind the signature", noise},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TImageRead read = ReadBmp(c.file);
    EXPECT_TRUE(read.Image.isNull());
    EXPECT_FALSE(read.Error.isEmpty());
  }
}

TEST(ImageFile, BmpPixelsTheFileDoesNotReachAreWhiteNotThePictureReadBefore) {
  // 32 × 32: 24-bit rows of 96 bytes, 8-bit rows of 32; palette white, red.
  const Bytes palette = {0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0};
  const auto rows24 = [](int count) {
    Bytes rows;
    for (int i = 0; i < 32 * count; ++i) rows.insert(rows.end(), {0, 0, 0xFF});
    return rows;
  };
  // RLE8: two rows of red, a jump over eight pixels of the third, four more red, then the end.
  const Bytes rle = {32, 1, 0, 0, 32, 1, 0, 0, 0, 2, 8, 0, 4, 1, 0, 1};
  const struct {
    const char* what;
    Bytes whole, cut;
    int redAbove;  // red pixels the cut file has above its two bottom rows
  } cases[] = {
      {"24-bit cut after two rows", Bmp(40, 32, 32, 24, 0, {}, rows24(32)),
       Bmp(40, 32, 32, 24, 0, {}, rows24(2)), 0},
      {"8-bit cut after two rows", Bmp(40, 32, 32, 8, 0, palette, Bytes(32 * 32, 1)),
       Bmp(40, 32, 32, 8, 0, palette, Bytes(32 * 2, 1)), 0},
      {"RLE8 ending early", Bmp(40, 32, 32, 8, 0, palette, Bytes(32 * 32, 1)),
       Bmp(40, 32, 32, 8, 1, palette, rle), 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // The whole red picture leaves its memory behind for the next read to be given.
    ASSERT_EQ(ReadBmp(c.whole).Image.pixel(0, 0), qRgb(255, 0, 0));
    const TImageRead read = ReadBmp(c.cut);
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    // The two bottom rows are in the file; the rest of the picture is not.
    EXPECT_EQ(read.Image.pixel(0, 31), qRgb(255, 0, 0));
    EXPECT_EQ(read.Image.pixel(31, 30), qRgb(255, 0, 0));
    int white = 0, red = 0;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 32; ++x) {
        white += read.Image.pixel(x, y) == qRgb(255, 255, 255);
        red += read.Image.pixel(x, y) == qRgb(255, 0, 0);
      }
    }
    EXPECT_EQ(red, c.redAbove);
    EXPECT_EQ(white, 30 * 32 - c.redAbove);
  }
}

TEST(ImageFile, RecognisedByContentFirstAndByNameOnlyWithoutASignature) {
  const struct {
    std::string head;
    const char* name;
    std::optional<TImageFormat> format;
  } cases[] = {
      {"\xFF\xD8\xFF\xE0", "a.bmp", TImageFormat::Jpeg},
      {"GIF89a", "a.jpg", TImageFormat::Gif},
      {"GIF87a", "a", TImageFormat::Gif},
      {std::string("II*\0", 4), "a.gif", TImageFormat::Tiff},
      {std::string("MM\0*", 4), "a.gif", TImageFormat::Tiff},
      {"BM", "a.tif", TImageFormat::Bmp},
      {"xyz", "a.JPEG", TImageFormat::Jpeg},
      {"xyz", "a.Tiff", TImageFormat::Tiff},
      {"xyz", "a.txt", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::span<const std::uint8_t> head(reinterpret_cast<const std::uint8_t*>(c.head.data()),
                                             c.head.size());
    std::optional<TImageFormat> format = FormatBySignature(head);
    if (!format) format = FormatByExtension(c.name);
    EXPECT_EQ(format, c.format);
  }
}

TEST(ImageFile, FilesAreReadWhateverTheirNameAndRefusedWhenEmptyOrUnknown) {
  QTemporaryDir dir;
  const Bytes bmp = Bmp(40, 2, 2, 24, 0, {}, kBottomUp24);
  const struct {
    const char* name;
    Bytes content;
    bool read;
  } cases[] = {
      {"photo.jpg", bmp, true},  // a BMP under a JPEG name
      {"noname", bmp, true},
      {"empty.bmp", {}, false},
      {"notes.bmp", {'h', 'e', 'l', 'l', 'o'}, false},
      {"notes.txt", {'h', 'e', 'l', 'l', 'o'}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile file(dir.filePath(c.name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(c.content.data()),
               static_cast<qint64>(c.content.size()));
    file.close();
    const TImageRead read = ReadImageFile(file.fileName());
    EXPECT_EQ(!read.Image.isNull(), c.read) << read.Error.toStdString();
  }
  EXPECT_TRUE(ReadImageFile(dir.filePath("missing.bmp")).Image.isNull());
}

TEST(ImageFile, SavedBmpHas24BitsAndAFailedSaveLeavesTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("reef.bmp");
  QImage picture(128, 80, QImage::Format_RGB32);
  picture.fill(qRgb(0x40, 0x40, 0x40));
  ASSERT_TRUE(SaveImageFile(picture, path, TImageFormat::Bmp));
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray bytes = saved.readAll();
  EXPECT_EQ(platform::ReadLE(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             static_cast<std::size_t>(bytes.size()), 28, 2),
            24u);
  EXPECT_EQ(ReadBmp(Span(bytes)).Image.pixel(3, 3), qRgb(0x40, 0x40, 0x40));

  QString error;
  EXPECT_FALSE(SaveImageFile(QImage(), path, TImageFormat::Bmp, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(QFileInfo(path).size(), bytes.size());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"reef.bmp"});
  EXPECT_FALSE(SaveImageFile(picture, dir.filePath("no/such/folder/x.bmp"), TImageFormat::Bmp));
}

TEST(ImageFile, DeviceNamesBecomeFileNamesInsideTheirFolder) {
  const struct {
    std::string bytes;
    const char* name;
  } cases[] = {
      {std::string("Sea\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), "Sea"},
      {"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOP"},
      {"../../etc/passwd", "___.._etc_passwd"},
      {".hidden", "_hidden"},
      {std::string("a\0/b", 4), "a"},
      {".", "_"},
      {"..", "__"},
      {std::string("\0abc", 4), "_"},
      {"back\\slash\x01", "back_slash_"},
      {"Caf\xE9", "Caf\u00e9"},
      {"Caf\xC3\xA9", "Caf\u00e9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString name = SafeFileName(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()));
    EXPECT_EQ(name, QString::fromUtf8(c.name));
    EXPECT_EQ(QDir("/base").filePath(name + ".bmp").section('/', 0, 1), "/base");
  }
}

}  // namespace
