// The JPEG reader and writer over files made here with libjpeg: colour spaces, progressive and
// restart-marker files, the Exif orientations, damaged files, and the writer's round trip.
// jpeglib.h uses size_t and FILE without including their headers.
#include <cstdio>

#include <jpeglib.h>

#include <QRandomGenerator>
#include <QtEndian>
#include <cstdlib>
#include <functional>
#include <vector>

#include "picture/ImageFile.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 64, kHeight = 32;
// The sample's quadrants: A top left, B top right, C bottom left, D bottom right. Their edges
// fall on 16-pixel MCU edges, so the colour at a corner is not blurred by its neighbours.
constexpr QRgb kQuadrants[4] = {qRgb(220, 40, 40), qRgb(40, 200, 60), qRgb(30, 60, 210),
                                qRgb(240, 230, 190)};

QImage Pattern() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x)
      image.setPixel(x, y, kQuadrants[(y >= kHeight / 2) * 2 + (x >= kWidth / 2)]);
  }
  return image;
}

int Luma(QRgb c) {
  return qRound(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c));
}

enum class TSpace { YCbCr, Grey, Cmyk, AdobeCmyk, Ycck };

struct TSample {
  TSpace Space = TSpace::YCbCr;
  bool Progressive = false;
  unsigned RestartMcus = 0;
  QByteArray App1 = {};  // written as an APP1 marker when not empty
};

// The pixel's components as the sample's colour space stores them. CMYK is the naive separation
// (black is the missing brightness); Adobe-marked files hold it inverted.
void Components(QRgb rgb, TSpace space, JSAMPLE* out) {
  if (space == TSpace::YCbCr) {
    out[0] = qRed(rgb), out[1] = qGreen(rgb), out[2] = qBlue(rgb);
  } else if (space == TSpace::Grey) {
    out[0] = static_cast<JSAMPLE>(Luma(rgb));
  } else {
    const int k = 255 - std::max({qRed(rgb), qGreen(rgb), qBlue(rgb)});
    const auto ink = [k](int v) {
      return k == 255 ? 0 : qRound((255.0 - v - k) * 255 / (255 - k));
    };
    const int cmyk[4] = {ink(qRed(rgb)), ink(qGreen(rgb)), ink(qBlue(rgb)), k};
    for (int i = 0; i < 4; ++i)
      out[i] = static_cast<JSAMPLE>(space == TSpace::Cmyk ? cmyk[i] : 255 - cmyk[i]);
  }
}

// A JPEG of `image` made the way other programs make them (the library's default error handling
// is enough here: a failure is a broken test).
QByteArray MakeJpeg(const QImage& image, const TSample& sample) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  const bool cmyk = sample.Space >= TSpace::Cmyk;
  info.image_width = image.width();
  info.image_height = image.height();
  info.input_components = cmyk ? 4 : sample.Space == TSpace::Grey ? 1 : 3;
  info.in_color_space = cmyk ? JCS_CMYK : sample.Space == TSpace::Grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (sample.Space == TSpace::Ycck) jpeg_set_colorspace(&info, JCS_YCCK);
  info.write_Adobe_marker = sample.Space == TSpace::AdobeCmyk || sample.Space == TSpace::Ycck;
  if (sample.Progressive) jpeg_simple_progression(&info);
  info.restart_interval = sample.RestartMcus;
  jpeg_start_compress(&info, TRUE);
  if (!sample.App1.isEmpty()) {
    jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(sample.App1.data()),
                      sample.App1.size());
  }
  std::vector<JSAMPLE> row(image.width() * info.input_components);
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < image.width(); ++x)
      Components(image.pixel(x, info.next_scanline), sample.Space, &row[x * info.input_components]);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray file(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  return file;
}

// An Exif block whose IFD0 holds Orientation (and, before it, a tag it must skip).
QByteArray Exif(int orientation, bool bigEndian = false, quint32 ifdOffset = 8,
                quint16 entries = 2) {
  QByteArray block("Exif\0\0", 6);
  const auto put = [&](quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
      block.append(static_cast<char>(value >> shift));
    }
  };
  block.append(bigEndian ? "MM" : "II");
  put(42, 2), put(ifdOffset, 4), put(entries, 2);
  put(0x010F, 2), put(2, 2), put(4, 4), put(0, 4);  // Make, an ASCII string of 4
  put(0x0112, 2), put(3, 2), put(1, 4), put(orientation, 2), put(0, 2);
  put(0, 4);  // no next IFD
  return block;
}

std::span<const std::uint8_t> Bytes(const QByteArray& file) {
  return {reinterpret_cast<const std::uint8_t*>(file.constData()),
          static_cast<std::size_t>(file.size())};
}

bool Near(QRgb actual, QRgb expected, int tolerance) {
  return qAlpha(actual) == 255 && std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
         std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
         std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

// Checks the colours near the image's corners: `order` names the sample quadrant (A to D) that
// must show at the top left, top right, bottom left and bottom right.
void ExpectCorners(const QImage& image, const char* order, bool grey = false) {
  const int right = image.width() - 5, bottom = image.height() - 5;
  const QPoint corners[4] = {{4, 4}, {right, 4}, {4, bottom}, {right, bottom}};
  for (int i = 0; i < 4; ++i) {
    if (order[i] == '?') continue;
    QRgb expected = kQuadrants[order[i] - 'A'];
    if (grey) expected = qRgb(Luma(expected), Luma(expected), Luma(expected));
    const QRgb actual = image.pixel(corners[i]);
    EXPECT_TRUE(Near(actual, expected, 6))
        << "corner " << i << ": " << std::hex << actual << " instead of " << expected;
  }
}

}  // namespace

TEST(JpegRead, ColourSpacesAndCodingsEndAsUprightRgb32) {
  struct TRow {
    const char* Name;
    TSample Sample;
  };
  const TRow rows[] = {
      {"ordinary", {}},
      {"greyscale", {.Space = TSpace::Grey}},
      {"plain CMYK", {.Space = TSpace::Cmyk}},
      {"inverted CMYK with the Adobe marker", {.Space = TSpace::AdobeCmyk}},
      {"YCCK", {.Space = TSpace::Ycck}},
      {"progressive", {.Progressive = true}},
      {"restart marker after every MCU", {.RestartMcus = 1}},
      {"progressive with restart markers", {.Progressive = true, .RestartMcus = 2}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const TImageRead read = ReadJpeg(Bytes(MakeJpeg(Pattern(), row.Sample)));
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    EXPECT_TRUE(read.Warnings.isEmpty()) << read.Warnings.join("; ").toStdString();
    EXPECT_EQ(read.Image.format(), QImage::Format_RGB32);
    EXPECT_EQ(read.Image.size(), QSize(kWidth, kHeight));
    ExpectCorners(read.Image, "ABCD", row.Sample.Space == TSpace::Grey);
  }
}

TEST(JpegRead, ExifOrientationTurnsThePictureUpright) {
  struct TRow {
    int Orientation;
    bool BigEndian;
    const char* Corners;  // the stored quadrants at the upright picture's corners
  };
  const TRow rows[] = {
      {1, false, "ABCD"}, {2, false, "BADC"}, {3, false, "DCBA"}, {4, false, "CDAB"},
      {5, false, "ACBD"}, {6, false, "CADB"}, {7, false, "DBCA"}, {8, false, "BDAC"},
      {6, true, "CADB"},  {8, true, "BDAC"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "orientation " << row.Orientation
                                    << (row.BigEndian ? " big-endian" : " little-endian"));
    const TImageRead read =
        ReadJpeg(Bytes(MakeJpeg(Pattern(), {.App1 = Exif(row.Orientation, row.BigEndian)})));
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    EXPECT_EQ(read.Image.format(), QImage::Format_RGB32);
    EXPECT_EQ(read.Image.size(),
              row.Orientation >= 5 ? QSize(kHeight, kWidth) : QSize(kWidth, kHeight));
    ExpectCorners(read.Image, row.Corners);
  }
}

TEST(JpegRead, DamagedFilesGiveWhatCanBeDecodedOrAnError) {
  const QByteArray good = MakeJpeg(Pattern(), {});
  const qsizetype scanStart = good.indexOf("\xFF\xDA") + 2 + 12;  // SOS of three components
  const qsizetype sof = good.indexOf("\xFF\xC0");
  enum TExpect { Error, ImageWithWarning, Image };
  struct TRow {
    const char* Name;
    std::function<QByteArray()> File;
    TExpect Expect;
    const char* Corners = nullptr;    // checked when given ('?' for a corner left undecoded)
    const char* ErrorSays = nullptr;  // checked when given
  };
  const TRow rows[] = {
      {"cut inside the header", [&] { return good.first(sof + 6); }, Error},
      {"cut where the scan starts", [&] { return good.first(scanStart); }, ImageWithWarning},
      {"cut in the lower half of the scan",
       [&] { return good.first(scanStart + (good.size() - scanStart) * 3 / 4); }, ImageWithWarning,
       "AB??"},
      {"end marker missing", [&] { return good.first(good.size() - 2); }, ImageWithWarning, "ABCD"},
      {"empty", [] { return QByteArray(); }, Error},
      {"random bytes",
       [] {
         QByteArray noise(4000, 0);
         QRandomGenerator random(7);
         for (char& c : noise) c = static_cast<char>(random.bounded(256));
         return noise;
       },
       Error},
      // The library fails on a second frame header once every row is out; the rows stay.
      {"second frame header after the scan",
       [&] { return good.first(good.size() - 2) + "\xFF\xC0\x00\x02" + good.last(2); },
       ImageWithWarning, "ABCD"},
      {"header claims 60000 × 60000",
       [&] {
         QByteArray file = good;
         qToBigEndian<quint16>(60000, file.data() + sof + 5);
         qToBigEndian<quint16>(60000, file.data() + sof + 7);
         return file;
       },
       Error, nullptr, "60000 × 60000"},
      {"Exif offset outside the block",
       [] { return MakeJpeg(Pattern(), {.App1 = Exif(6, false, 0xFFFFFFF0)}); }, Image, "ABCD"},
      {"Exif entries running past the block",
       [] { return MakeJpeg(Pattern(), {.App1 = Exif(6, true, 8, 0xFFFF).first(30)}); }, Image,
       "ABCD"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const TImageRead read = ReadJpeg(Bytes(row.File()));
    if (row.Expect == Error) {
      EXPECT_TRUE(read.Image.isNull());
      EXPECT_FALSE(read.Error.isEmpty());
      if (row.ErrorSays) {
        EXPECT_TRUE(read.Error.contains(row.ErrorSays)) << read.Error.toStdString();
      }
      continue;
    }
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    EXPECT_EQ(read.Image.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(read.Warnings.isEmpty(), row.Expect == Image)
        << read.Warnings.join("; ").toStdString();
    if (row.Corners) ExpectCorners(read.Image, row.Corners);
  }
}

TEST(JpegWrite, LevelColoursSurviveTheRoundTrip) {
  const QRgb levels[4] = {qRgb(0x00, 0x00, 0x00), qRgb(0x40, 0x40, 0x40), qRgb(0xA0, 0xA0, 0xA4),
                          qRgb(0xC0, 0xDC, 0xC0)};
  QImage stripes(kWidth, kHeight, QImage::Format_RGB32);
  for (int x = 0; x < kWidth; ++x) {
    for (int y = 0; y < kHeight; ++y) stripes.setPixel(x, y, levels[x / 16]);
  }
  for (QImage::Format format :
       {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8}) {
    SCOPED_TRACE(format);
    QString error;
    const std::optional<QByteArray> file = EncodeJpeg(stripes.convertToFormat(format), 90, &error);
    ASSERT_TRUE(file) << error.toStdString();
    // Baseline, and every component at full resolution (4:4:4).
    const qsizetype sof = file->indexOf("\xFF\xC0");
    ASSERT_GE(sof, 0);
    ASSERT_EQ(file->at(sof + 9), 3);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(file->at(sof + 11 + 3 * c), 0x11);

    const TImageRead read = ReadJpeg(Bytes(*file));
    ASSERT_FALSE(read.Image.isNull()) << read.Error.toStdString();
    for (int i = 0; i < 4; ++i) {
      const QRgb actual = read.Image.pixel(16 * i + 8, kHeight / 2);
      EXPECT_TRUE(Near(actual, levels[i], 3)) << std::hex << actual << " for " << levels[i];
    }
  }
  QString error;
  EXPECT_FALSE(EncodeJpeg(QImage(), 90, &error));
  EXPECT_FALSE(error.isEmpty());
}
