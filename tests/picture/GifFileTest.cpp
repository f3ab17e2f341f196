// The GIF reader and writer. Every sample file is written here with giflib, a few of them patched
// afterwards into shapes giflib itself refuses to write.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "picture/ImageFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr char kHex[] = "0123456789abcdef";

// Sixteen distinct colours, none of them white: index i of the global map.
QRgb PaletteColor(int i) {
  return qRgb(i * 16, 255 - i * 16, (i * 112) & 0xFF);
}

struct TFrame {
  int Left = 0;
  int Top = 0;
  std::vector<std::string> Rows;  // one hex digit a pixel: its colour index
  bool Interlaced = false;
  bool LocalMap = false;                   // a map of its own: the global colours in reverse order
  int Transparent = NO_TRANSPARENT_COLOR;  // set in a graphics control block before the image
};

struct TGif {
  int Width = 0;
  int Height = 0;
  bool GlobalMap = true;
  std::vector<TFrame> Frames;
};

struct TWritten {
  Bytes File;
  std::vector<std::size_t> FrameStarts;  // where each frame's records begin
};

ColorMapObject* MakeMap(bool reversed) {
  GifColorType colors[16];
  for (int i = 0; i < 16; ++i) {
    const QRgb c = PaletteColor(reversed ? 15 - i : i);
    colors[i] = {static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                 static_cast<GifByteType>(qBlue(c))};
  }
  return GifMakeMapObject(16, colors);
}

int Append(GifFileType* gif, const GifByteType* data, int count) {
  auto* file = static_cast<Bytes*>(gif->UserData);
  file->insert(file->end(), data, data + count);
  return count;
}

TWritten WriteGif(const TGif& sample) {
  TWritten written;
  int error = 0;
  GifFileType* gif = EGifOpen(&written.File, Append, &error);
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = sample.GlobalMap ? MakeMap(false) : nullptr;
  EXPECT_EQ(EGifPutScreenDesc(gif, sample.Width, sample.Height, 8, 0, global), GIF_OK);
  GifFreeMapObject(global);
  for (const TFrame& frame : sample.Frames) {
    written.FrameStarts.push_back(written.File.size());
    if (frame.Transparent != NO_TRANSPARENT_COLOR) {
      GraphicsControlBlock control{};
      control.TransparentColor = frame.Transparent;
      GifByteType block[4];
      EGifGCBToExtension(&control, block);
      EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block), GIF_OK);
    }
    const int width = static_cast<int>(frame.Rows[0].size());
    const int height = static_cast<int>(frame.Rows.size());
    ColorMapObject* local = frame.LocalMap ? MakeMap(true) : nullptr;
    EXPECT_EQ(EGifPutImageDesc(gif, frame.Left, frame.Top, width, height, frame.Interlaced, local),
              GIF_OK);
    GifFreeMapObject(local);
    // An interlaced image is stored in four passes; giflib writes rows in the order given.
    std::vector<int> order;
    for (const auto& [offset, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
      if (!frame.Interlaced) break;
      for (int y = offset; y < height; y += step) order.push_back(y);
    }
    for (int y = 0; !frame.Interlaced && y < height; ++y) order.push_back(y);
    for (const int y : order) {
      std::vector<GifPixelType> line;
      for (const char c : frame.Rows[y])
        line.push_back(static_cast<GifPixelType>(std::strchr(kHex, c) - kHex));
      EXPECT_EQ(EGifPutLine(gif, line.data(), width), GIF_OK);
    }
  }
  EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  return written;
}

// The global map cut to 2^bits entries, or removed with bits 0: shapes giflib will not write.
Bytes ShrinkGlobalMap(Bytes file, int bits) {
  const std::size_t oldSize = 3u << ((file[10] & 7) + 1);
  const std::size_t newSize = bits ? 3u << bits : 0;
  file[10] = bits ? static_cast<std::uint8_t>((file[10] & ~7) | (bits - 1)) : file[10] & 0x7F;
  file.erase(file.begin() + 13 + newSize, file.begin() + 13 + oldSize);
  return file;
}

// The picture one character a pixel: '.' white, a hex digit for that global map colour.
std::vector<std::string> Describe(const QImage& image) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      char c = pixel == kWhite ? '.' : '?';
      for (int i = 0; i < 16; ++i) {
        if (pixel == PaletteColor(i)) c = kHex[i];
      }
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(GifRead, ComposesTheFirstImageOnAWhiteScreen) {
  struct TCase {
    const char* Name;
    TGif Gif;
    std::vector<std::string> Expected;
  };
  std::vector<std::string> tenRows;
  for (int y = 0; y < 10; ++y) tenRows.push_back(std::string(2, kHex[y]));
  const TCase cases[] = {
      {"global map", {3, 2, true, {{0, 0, {"012", "345"}}}}, {"012", "345"}},
      {"local map over global", {2, 2, true, {{0, 0, {"01", "23"}, false, true}}}, {"fe", "dc"}},
      {"local map only", {2, 1, false, {{0, 0, {"01"}, false, true}}}, {"fe"}},
      {"interlaced", {2, 10, true, {{0, 0, tenRows, true}}}, tenRows},
      {"interlaced, fewer rows than a pass step",
       {1, 3, true, {{0, 0, {"1", "2", "3"}, true}}},
       {"1", "2", "3"}},
      {"transparent index", {4, 1, true, {{0, 0, {"0123"}, false, false, 2}}}, {"01.3"}},
      {"only the first frame",
       {2, 2, true, {{0, 0, {"01", "23"}}, {0, 0, {"45", "67"}}}},
       {"01", "23"}},
      {"smaller image inside the screen", {4, 3, true, {{1, 1, {"ab"}}}}, {"....", ".ab.", "...."}},
      {"image beyond the screen", {3, 2, true, {{1, 1, {"012", "345", "678"}}}}, {"...", ".01"}},
      {"image wholly outside the screen", {2, 2, true, {{5, 0, {"1"}}}}, {"..", ".."}},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.Name);
    const TImageRead read = ReadGif(WriteGif(row.Gif).File);
    EXPECT_TRUE(read.Error.isEmpty()) << read.Error.toStdString();
    EXPECT_TRUE(read.Warnings.isEmpty());
    EXPECT_EQ(read.Image.format(), QImage::Format_RGB32);
    EXPECT_EQ(Describe(read.Image), row.Expected);
  }
}

TEST(GifRead, AnAnimationCostsNoMoreThanItsFirstFrame) {
  const std::vector<std::string> first(400, std::string(400, '1'));
  const std::vector<std::string> second(400, std::string(400, '2'));
  const TWritten two = WriteGif({400, 400, true, {{0, 0, first}, {0, 0, second}}});
  // The second frame's records repeated make 3000 frames, most of a gigapixel to decode.
  const Bytes frame(two.File.begin() + two.FrameStarts[1], two.File.end() - 1);
  Bytes file(two.File.begin(), two.File.end() - 1);
  for (int i = 1; i < 3000; ++i) file.insert(file.end(), frame.begin(), frame.end());
  file.push_back(';');

  const auto start = std::chrono::steady_clock::now();
  const TImageRead read = ReadGif(file);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::milliseconds(250));
  QImage expected(400, 400, QImage::Format_RGB32);
  expected.fill(PaletteColor(1));
  EXPECT_EQ(read.Image, expected);
}

TEST(GifRead, DamagedFiles) {
  // Pseudo-random indices compress poorly, so the cuts below land far apart.
  std::mt19937 random(7);
  std::vector<std::string> noise(32);
  for (std::string& row : noise) {
    for (int x = 0; x < 32; ++x) row += kHex[random() % 16];
  }
  const TWritten sample = WriteGif({32, 32, true, {{0, 0, noise}}});
  const Bytes& file = sample.File;
  const std::size_t image = sample.FrameStarts[0];
  auto cut = [&](std::size_t length) { return Bytes(file.begin(), file.begin() + length); };
  // giflib cannot write an image of 65535 x 65535; a small one's descriptor is patched instead.
  const TWritten small = WriteGif({4, 4, true, {{0, 0, {"1"}}}});
  Bytes hugeImage = small.File;
  std::fill_n(hugeImage.begin() + static_cast<std::ptrdiff_t>(small.FrameStarts[0]) + 5, 4, 0xFF);
  Bytes garbage(1000);
  for (std::uint8_t& byte : garbage) byte = static_cast<std::uint8_t>(random());
  const std::string white(32, '.');

  struct TCase {
    const char* Name;
    Bytes File;
    bool Refused;
    bool Warned;
    std::string FirstRow = {};  // of a picture read all the same
    std::string LastRow = {};
  };
  const TCase cases[] = {
      {"zero length", {}, true, false},
      {"random bytes", garbage, true, false},
      {"cut in the signature", cut(3), true, false},
      {"cut in the screen descriptor", cut(10), true, false},
      {"cut in the colour map", cut(30), true, false},
      {"cut in the image descriptor", cut(image + 5), true, false},
      {"cut before any pixel data", cut(image + 11), true, false},
      {"cut half way through the pixels", cut((image + file.size()) / 2), false, true, noise[0],
       white},
      {"no trailer", cut(file.size() - 1), false, false, noise[0], noise[31]},
      {"screen of 65535 x 65535", WriteGif({65535, 65535, true, {{0, 0, {"1"}}}}).File, true,
       false},
      {"image of 65535 x 65535", hugeImage, true, false},
      {"no colour map", ShrinkGlobalMap(WriteGif({2, 1, true, {{0, 0, {"01"}}}}).File, 0), true,
       false},
      {"index beyond the colour map",
       ShrinkGlobalMap(WriteGif({2, 1, true, {{0, 0, {"05"}}}}).File, 2), false, true, "0.", "0."},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.Name);
    const TImageRead read = ReadGif(row.File);
    EXPECT_EQ(read.Image.isNull(), row.Refused);
    EXPECT_EQ(read.Error.isEmpty(), !row.Refused) << read.Error.toStdString();
    EXPECT_EQ(read.Warnings.isEmpty(), !row.Warned) << read.Warnings.join("; ").toStdString();
    if (row.Refused) continue;
    const std::vector<std::string> rows = Describe(read.Image);
    EXPECT_EQ(rows.front(), row.FirstRow);
    EXPECT_EQ(rows.back(), row.LastRow);
  }
}

namespace {

int GlobalMapSize(const Bytes& file) {
  std::span<const std::uint8_t> rest(file);
  auto input = [](GifFileType* gif, GifByteType* target, int wanted) {
    auto* rest = static_cast<std::span<const std::uint8_t>*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(wanted, rest->size());
    std::copy_n(rest->begin(), count, target);
    *rest = rest->subspan(count);
    return static_cast<int>(count);
  };
  int error = 0;
  GifFileType* gif = DGifOpen(&rest, input, &error);
  const int size = gif && gif->SColorMap ? gif->SColorMap->ColorCount : -1;
  DGifCloseFile(gif, &error);
  return size;
}

QImage LevelPicture(QImage::Format format) {
  const QRgb levels[] = {qRgb(0, 0, 0), qRgb(0x40, 0x40, 0x40), qRgb(0xA0, 0xA0, 0xA4),
                         qRgb(0xC0, 0xDC, 0xC0)};
  QImage picture(128, 80, format);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, levels[(x / 3 + y) % 4]);
  }
  return picture;
}

}  // namespace

TEST(GifWrite, RoundTrips) {
  QImage oneColour(5, 3, QImage::Format_RGB32);
  oneColour.fill(Qt::black);
  QImage withAlpha = LevelPicture(QImage::Format_ARGB32);
  withAlpha.setPixel(7, 7, qRgba(0, 0, 0, 0));
  QImage gradient(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) gradient.setPixel(x, y, qRgb(x * 4, y * 4, 128));
  }

  struct TCase {
    const char* Name;
    QImage Picture;
    int PaletteSize;
    bool Exact;  // otherwise reduced to at most 256 colours
  };
  const TCase cases[] = {
      {"four level colours", LevelPicture(QImage::Format_RGB32), 4, true},
      {"one colour", oneColour, 2, true},
      {"alpha drawn on white", withAlpha, 8, true},
      {"4096 colours", gradient, 256, false},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.Name);
    QString error;
    const std::optional<QByteArray> encoded = EncodeGif(row.Picture, &error);
    ASSERT_TRUE(encoded) << error.toStdString();
    EXPECT_TRUE(encoded->startsWith("GIF89a"));
    const Bytes file(encoded->begin(), encoded->end());
    EXPECT_EQ(GlobalMapSize(file), row.PaletteSize);
    const TImageRead read = ReadGif(file);
    ASSERT_EQ(read.Image.size(), row.Picture.size());
    if (row.Exact) {
      EXPECT_EQ(read.Image, FlattenOnWhite(row.Picture));
    }
  }
}

TEST(GifWrite, RefusesWhatAGifCannotHold) {
  for (const QImage& picture : {QImage(), QImage(65536, 1, QImage::Format_RGB32)}) {
    QString error;
    EXPECT_FALSE(EncodeGif(picture, &error));
    EXPECT_FALSE(error.isEmpty());
  }
}
