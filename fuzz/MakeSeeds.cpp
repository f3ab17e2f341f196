// make-seeds OUT: writes a seed corpus for every fuzz target into OUT/<target>/, one valid input
// a file, laid out as the target reads it. Everything is made here, by the project's own
// encoders where they exist and by the codec libraries for the variants ours never write
// (greyscale, progressive, palette, tiles, interlace...), so the fuzzer starts from inputs that
// reach deep into each reader.
#include <gif_lib.h>
#include <tiffio.h>

#include <cstdio>

#include <jpeglib.h>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "devicefiles/FileHeader.h"
#include "irda/DynaIrDA.h"
#include "picture/ImageFile.h"
#include "picture/PictureCodec.h"

using platform::Bytes;

namespace {

QString outRoot;

void Append(Bytes& to, const Bytes& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

Bytes BytesOf(const QByteArray& bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

void Write(const QString& target, const QString& name, const Bytes& bytes) {
  const QString folder = outRoot + "/" + target;
  QDir().mkpath(folder);
  QFile file(folder + "/" + name);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size())) {
    std::fprintf(stderr, "make-seeds: cannot write %s\n", qPrintable(file.fileName()));
    std::exit(1);
  }
}

void Write(const QString& target, const QString& name, const std::optional<QByteArray>& bytes) {
  if (!bytes) {
    std::fprintf(stderr, "make-seeds: no %s/%s\n", qPrintable(target), qPrintable(name));
    std::exit(1);
  }
  Write(target, name, BytesOf(*bytes));
}

// ---- Device files ----------------------------------------------------------------------------

Bytes Header(std::uint8_t type, std::uint8_t mark, const std::string& name, std::int32_t size,
             std::uint32_t checksum = 0x1A2B3C4D) {
  TFileHeader header;
  header.FileSize = size;
  header.AddedMark = mark;
  header.TypeCode = type;
  header.Version = 0x0312;
  header.Checksum = checksum;
  TFileHeader::TName raw{};
  std::copy_n(name.begin(), std::min(name.size(), raw.size()), raw.begin());
  header.Name = raw;
  return header.BuildRaw();
}

Bytes DirectoryReply(const std::vector<Bytes>& headers) {
  Bytes reply;
  platform::AppendLE(reply, static_cast<std::uint32_t>(4 + 32 * headers.size()), 4);
  for (const Bytes& header : headers) Append(reply, header);
  return reply;
}

std::vector<Bytes> Pictures(int count, int from = 0) {
  std::vector<Bytes> headers;
  for (int i = from; i < from + count; ++i) {
    headers.push_back(Header(kTypePicture, i < 4 ? 0 : 0xFF, "pic" + std::to_string(i),
                             static_cast<std::int32_t>(kPictureFileSize), 0));
  }
  return headers;
}

std::vector<Bytes> Languages() {
  return {Header(kTypeLanguage, 0, "English", 3242),
          Header(kTypeLanguage, 0,
                 "Fran\xC3\xA7"
                 "ais",
                 3300),
          Header(kTypeLanguage, 0xFF, "Deutsch", 3100),
          Header(kTypeLanguage, 0xFF, "Espa\xF1ol", 3000),
          Header(kTypeLanguage, 0xFF, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 3500)};
}

void CatalogueSeed(const QString& name, std::uint8_t area, std::int8_t fallback,
                   std::uint16_t defaultIndex, std::uint64_t mask, const Bytes& before,
                   const Bytes& now) {
  Bytes seed{area, static_cast<std::uint8_t>(fallback), 0, 0};
  platform::AppendLE(seed, defaultIndex, 2);
  for (int i = 0; i < 8; ++i) seed.push_back(static_cast<std::uint8_t>(mask >> (8 * i)));
  platform::AppendLE(seed, static_cast<std::uint32_t>(before.size()), 2);
  Append(seed, before);
  Append(seed, now);
  Write("catalogue", name, seed);
}

void CatalogueSeeds() {
  const std::vector<Bytes> languages = Languages();
  // Places 1 and 3 selected; the delete of 3 went out before the link failed.
  std::vector<Bytes> afterOne = languages;
  afterOne.erase(afterOne.begin() + 3);
  CatalogueSeed("languages-one-gone", kTypeLanguage, 0, 2, 0b1010, DirectoryReply(languages),
                DirectoryReply(afterOne));
  CatalogueSeed("languages-none-gone", kTypeLanguage, -1, 9, 0b0110, DirectoryReply(languages),
                DirectoryReply(languages));

  const std::vector<Bytes> pictures = Pictures(20);
  std::vector<Bytes> changed = Pictures(20);
  changed.erase(changed.begin() + 19);
  changed.erase(changed.begin() + 5);
  changed.push_back(Header(kTypePicture, 0xFF, "other", 2592, 0));
  CatalogueSeed("pictures-changed", kTypePicture, 3, 20, 0xC0020, DirectoryReply(pictures),
                DirectoryReply(changed));
  std::vector<Bytes> twice = Pictures(6);
  twice.push_back(Pictures(1, 2).front());
  CatalogueSeed("pictures-duplicate", kTypePicture, 0, 1, 0b100, DirectoryReply(twice),
                DirectoryReply(Pictures(6)));

  // Replies that lie: a length field beyond the reply, one short of a header, and more entries
  // than a catalogue keeps.
  Bytes overclaimed = DirectoryReply(Pictures(3));
  platform::WriteLE32(overclaimed, 0, 4000);
  Bytes cut = DirectoryReply(Pictures(3));
  cut.resize(cut.size() - 5);
  CatalogueSeed("lying-replies", kTypePicture, 0, 1, ~0ull, overclaimed, cut);
  CatalogueSeed("too-many", kTypeFirmware, 0, 256, 1ull << 63, DirectoryReply(Pictures(260)),
                DirectoryReply(Pictures(259)));
  CatalogueSeed("empty", kTypeLanguage, 0, 0, 0, DirectoryReply({}), Bytes{});
}

void FileHeaderSeeds() {
  Write("file-header", "picture-header", Header(kTypePicture, 0xFF, "diver", 2592, 0));
  Write("file-header", "short-header", Bytes{0x20, 0x0A, 0, 0, 1, 0xFF, 4, 0xFF});

  Bytes language = Header(kTypeLanguage, 0,
                          "Fran\xC3\xA7"
                          "ais",
                          32 + 200);
  language.resize(32 + 200, 0x41);
  Write("file-header", "language-package", language);
  Bytes latin = Header(kTypeLanguage, 0, "Espa\xF1ol", 32 + 10);
  latin.resize(32 + 10, 0);
  Write("file-header", "language-single-byte-name", latin);

  // A firmware chain of three parts; the first header says how many follow it.
  Bytes firmware;
  const std::int32_t sizes[] = {32 + 64, 32 + 16, 32};
  for (int part = 0; part < 3; ++part) {
    Bytes header = Header(kTypeFirmware, part == 0 ? 2 : 0, "FW part " + std::to_string(part),
                          sizes[part], 0xBEEF + static_cast<std::uint32_t>(part));
    header.resize(static_cast<std::size_t>(sizes[part]), static_cast<std::uint8_t>(part));
    Append(firmware, header);
  }
  Write("file-header", "firmware-chain", firmware);
  Bytes broken = firmware;
  platform::WriteLE32(broken, 32 + 64, 100);  // the second part runs past the end
  Write("file-header", "firmware-chain-broken", broken);
}

// ---- Pictures --------------------------------------------------------------------------------

// A working picture with every level in bands, a frame and a diagonal.
QImage LevelPicture() {
  QImage picture = MakeWorkingPicture();
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      int level = (x / 32 + y / 20) % 4;
      if (x == 0 || y == 0 || x == kPictureWidth - 1 || y == kPictureHeight - 1) level = 3;
      if (x == y) level = 0;
      picture.setPixel(x, y, LevelToColor(static_cast<std::uint8_t>(level)));
    }
  }
  return picture;
}

Bytes PictureFile(const QImage& picture) {
  Bytes file = Header(kTypePicture, 0xFF, "diver", 2592, 0);
  Append(file, EncodePicture(picture));
  return file;
}

void PictureSeeds() {
  const Bytes file = PictureFile(LevelPicture());
  const std::uint8_t kinds[] = {0x00, 0x01, 0x0A, 0x53, 0xFC, 0x24};
  for (const std::uint8_t kind : kinds) {
    Bytes seed{kind};
    Append(seed, file);
    Write("picture-codec", QString("picture-kind-%1").arg(kind, 2, 16, QChar('0')), seed);
  }
  Bytes cut{0x00};
  cut.insert(cut.end(), file.begin(), file.begin() + 1000);
  Write("picture-codec", "picture-cut", cut);
  Bytes longer{0x02};
  Append(longer, file);
  Append(longer, Bytes(100, 0x5A));
  Write("picture-codec", "picture-longer", longer);
}

// ---- Parameter notation ----------------------------------------------------------------------

void NotationSeeds() {
  const char* texts[] = {"b1,w2,i-3,l4",
                         "$1234,$123,$1",
                         "1.5,-2.25e3,+0.5",
                         "'text',''",
                         "5,-1,2147483647",
                         "b$FF,w$FFFF,l$FFFFFFFF",
                         "-2147483648",
                         "'a,b'",
                         "1,",
                         "l-1,b255,w65535",
                         ""};
  int i = 0;
  for (const char* text : texts) {
    Write("notation", QString("notation-%1").arg(i++), platform::BytesOf(text));
  }
}

// ---- Command replies -------------------------------------------------------------------------

// The script steps of `reply` cut into chunks of at most `chunk` bytes (below 255, which is a
// failed receive), then how the script ends.
Bytes Script(const Bytes& reply, std::size_t chunk, std::uint8_t end) {
  Bytes script;
  for (std::size_t at = 0; at < reply.size(); at += chunk) {
    const std::size_t n = std::min(chunk, reply.size() - at);
    script.push_back(static_cast<std::uint8_t>(n));
    script.insert(script.end(), reply.begin() + static_cast<std::ptrdiff_t>(at),
                  reply.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  script.push_back(end);
  return script;
}

void CommandSeed(const QString& name, std::size_t command, std::uint8_t settings,
                 const Bytes& params, const Bytes& script) {
  Bytes seed{static_cast<std::uint8_t>(command), settings,
             static_cast<std::uint8_t>(params.size())};
  Append(seed, params);
  Append(seed, script);
  Write("command-receive", name, seed);
}

void CommandSeeds() {
  const Bytes identity = platform::BytesOf("ORVANEL WRIST 2 V3.12 SN 004711");
  CommandSeed("identity", kIdentityCommand, 0, {}, Script(identity, 254, 0));
  CommandSeed("battery", kBatteryCommand, 0x10, {}, Script(Bytes{0x0C, 0x80, 0x01}, 254, 0));
  CommandSeed("area", kAreaCommand, 0, {kTypePicture}, Script(Bytes{6, 0, 3, 0, 20, 0}, 254, 0));

  Bytes directory = DirectoryReply(Pictures(20));
  CommandSeed("directory", kDirectoryCommand, 0, {kTypePicture}, Script(directory, 200, 0));
  CommandSeed("directory-small-chunks", kDirectoryCommand, 0x80, {kTypePicture},
              Script(directory, 13, 0));
  CommandSeed("directory-cut-prefix", kDirectoryCommand, 0x40, {kTypeLanguage},
              Script(DirectoryReply(Languages()), 2, 0));
  Bytes file;
  platform::AppendLE(file, static_cast<std::uint32_t>(4 + kPictureFileSize), 4);
  Append(file, PictureFile(LevelPicture()));
  CommandSeed("file", kFileCommand, 0xC0, {0xFF, kTypePicture, 3}, Script(file, 254, 0));
  Bytes overlong = file;
  platform::WriteLE32(overlong, 0, 100);  // more comes than announced
  CommandSeed("file-overlong", kFileCommand, 0, {0xFF, kTypePicture, 1}, Script(overlong, 254, 0));
  Bytes absurd = file;
  platform::WriteLE32(absurd, 0, 0x7FFFFFF0);
  CommandSeed("file-absurd-length", kFileCommand, 0, {0xFF, kTypePicture, 1},
              Script(absurd, 100, 0));
  CommandSeed("file-failing", kFileCommand, 0x10, {0xFF, kTypePicture, 1},
              Script(Bytes(file.begin(), file.begin() + 600), 254, 255));
  CommandSeed("file-short-prefix", kFileCommand, 0x04, {0xFF, kTypePicture, 1},
              Script(Bytes{0x10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 3, 0));
  for (const std::size_t command : {kBlockCommand, kDefaultCommand, kDeleteCommand, kCleanUpCommand,
                                    std::size_t{0}, std::size_t{13}}) {
    CommandSeed(QString("no-reply-%1").arg(command), command, 0, {kTypePicture, 2},
                Script(Bytes{0x06}, 254, 0));
  }
  CommandSeed("send-fails", kIdentityCommand, 0x20, {}, Script(identity, 254, 0));
}

// ---- Image files -----------------------------------------------------------------------------

// A colour test card: gradients, a grey ramp and a bright corner.
QImage ColourCard(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int r = 255 * x / std::max(width - 1, 1);
      const int g = 255 * y / std::max(height - 1, 1);
      image.setPixel(x, y, y < height / 4 ? qRgb(r, r, r) : qRgb(r, g, (r + g) / 2));
    }
  }
  return image;
}

std::vector<std::pair<QString, QImage>> SampleImages() {
  return {{"levels", LevelPicture()},
          {"card", ColourCard(37, 23)},
          {"dot", ColourCard(1, 1)},
          {"strip", ColourCard(200, 3)}};
}

// Qt's own writer for the BMP layouts EncodeBmp never writes.
std::optional<QByteArray> QtBmp(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "bmp");
  if (!writer.write(image)) return std::nullopt;
  return bytes;
}

// A 4 × 3 8-bit BMP compressed with RLE8: runs, an absolute run, end of line and end of file.
Bytes Rle8Bmp() {
  const Bytes pixels = {4, 1, 0, 4, 2, 3, 1, 2, 0, 0,  // a run of four; an absolute run
                        2, 2, 2, 0, 0, 0,              // two, then end of line
                        0, 1};                         // end of file
  Bytes file = {'B', 'M'};
  const std::uint32_t offset = 14 + 40 + 4 * 4;
  platform::AppendLE(file, offset + static_cast<std::uint32_t>(pixels.size()), 4);
  platform::AppendLE(file, 0, 4);
  platform::AppendLE(file, offset, 4);
  platform::AppendLE(file, 40, 4);
  platform::AppendLE(file, 4, 4);  // width
  platform::AppendLE(file, 3, 4);  // height
  platform::AppendLE(file, 1, 2);
  platform::AppendLE(file, 8, 2);
  platform::AppendLE(file, 1, 4);  // BI_RLE8
  platform::AppendLE(file, static_cast<std::uint32_t>(pixels.size()), 4);
  platform::AppendLE(file, 2835, 4);
  platform::AppendLE(file, 2835, 4);
  platform::AppendLE(file, 4, 4);
  platform::AppendLE(file, 0, 4);
  for (const QRgb c : {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}) {
    file.push_back(static_cast<std::uint8_t>(qBlue(c)));
    file.push_back(static_cast<std::uint8_t>(qGreen(c)));
    file.push_back(static_cast<std::uint8_t>(qRed(c)));
    file.push_back(0);
  }
  Append(file, pixels);
  return file;
}

void BmpSeeds() {
  for (const auto& [name, image] : SampleImages()) Write("read-bmp", name, EncodeBmp(image));
  const QImage card = ColourCard(37, 23);
  Write("read-bmp", "indexed", QtBmp(card.convertToFormat(QImage::Format_Indexed8)));
  Write("read-bmp", "mono", QtBmp(card.convertToFormat(QImage::Format_Mono)));
  QImage alpha = card.convertToFormat(QImage::Format_ARGB32);
  alpha.setPixel(3, 3, qRgba(10, 20, 30, 40));
  Write("read-bmp", "alpha", QtBmp(alpha));
  // A top-down file: the same rows with the height negative.
  Bytes topDown = BytesOf(*EncodeBmp(card));
  platform::WriteLE32(topDown, 22, static_cast<std::uint32_t>(-23));
  Write("read-bmp", "top-down", topDown);
  Write("read-bmp", "rle8", Rle8Bmp());
}

// libjpeg's own writer for the layouts EncodeJpeg never writes.
struct TJpegLayout {
  J_COLOR_SPACE Input = JCS_RGB;
  J_COLOR_SPACE Stored = JCS_UNKNOWN;  // the file's colour space, when not the default
  bool Progressive = false;
  bool Arithmetic = false;
  int Restart = 0;  // restart interval in rows
  Bytes App1;       // an Exif block
};

Bytes LibJpeg(const QImage& image, const TJpegLayout& layout) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  const int components = layout.Input == JCS_GRAYSCALE ? 1 : layout.Input == JCS_CMYK ? 4 : 3;
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = components;
  info.in_color_space = layout.Input;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 80, TRUE);
  if (layout.Stored != JCS_UNKNOWN) jpeg_set_colorspace(&info, layout.Stored);
  if (layout.Progressive) jpeg_simple_progression(&info);
  info.arith_code = layout.Arithmetic;
  info.restart_in_rows = layout.Restart;
  jpeg_start_compress(&info, TRUE);
  if (!layout.App1.empty()) {
    jpeg_write_marker(&info, JPEG_APP0 + 1, layout.App1.data(),
                      static_cast<unsigned int>(layout.App1.size()));
  }
  std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width() * components));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      JSAMPLE* out = row.data() + x * components;
      if (components == 1) {
        out[0] = static_cast<JSAMPLE>(qGray(c));
      } else if (components == 3) {
        out[0] = static_cast<JSAMPLE>(qRed(c));
        out[1] = static_cast<JSAMPLE>(qGreen(c));
        out[2] = static_cast<JSAMPLE>(qBlue(c));
      } else {
        out[0] = static_cast<JSAMPLE>(qRed(c));
        out[1] = static_cast<JSAMPLE>(qGreen(c));
        out[2] = static_cast<JSAMPLE>(qBlue(c));
        out[3] = static_cast<JSAMPLE>(255 - qGray(c) / 4);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// An Exif block whose first directory holds the orientation, in either byte order.
Bytes ExifOrientation(int orientation, bool littleEndian) {
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  const auto put = [&](std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
      const int shift = 8 * (littleEndian ? i : width - 1 - i);
      block.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  };
  block.push_back(littleEndian ? 'I' : 'M');
  block.push_back(littleEndian ? 'I' : 'M');
  put(42, 2);
  put(8, 4);
  put(2, 2);  // two entries: a resolution unit, then the orientation
  put(0x0128, 2), put(3, 2), put(1, 4), put(2, 2), put(0, 2);
  put(0x0112, 2), put(3, 2), put(1, 4), put(static_cast<std::uint32_t>(orientation), 2), put(0, 2);
  put(0, 4);
  return block;
}

void JpegSeeds() {
  for (const auto& [name, image] : SampleImages()) Write("read-jpeg", name, EncodeJpeg(image));
  const QImage card = ColourCard(37, 23);
  Write("read-jpeg", "card-low-quality", EncodeJpeg(card, 20));
  Write("read-jpeg", "grey", LibJpeg(card, {.Input = JCS_GRAYSCALE}));
  Write("read-jpeg", "progressive", LibJpeg(card, {.Progressive = true}));
  Write("read-jpeg", "arithmetic", LibJpeg(card, {.Arithmetic = true}));
  Write("read-jpeg", "restarts", LibJpeg(card, {.Restart = 1}));
  Write("read-jpeg", "cmyk", LibJpeg(card, {.Input = JCS_CMYK}));
  Write("read-jpeg", "ycck", LibJpeg(card, {.Input = JCS_CMYK, .Stored = JCS_YCCK}));
  Write("read-jpeg", "exif-6", LibJpeg(card, {.App1 = ExifOrientation(6, true)}));
  Write("read-jpeg", "exif-5", LibJpeg(card, {.App1 = ExifOrientation(5, false)}));
  Write("read-jpeg", "exif-3", LibJpeg(ColourCard(8, 8), {.App1 = ExifOrientation(3, true)}));
  Bytes cut = LibJpeg(card, {.Progressive = true});
  cut.resize(cut.size() * 2 / 3);
  Write("read-jpeg", "progressive-cut", cut);
}

// libtiff's own writer for the layouts EncodeTiff never writes, straight to the seed file.
struct TTiffLayout {
  std::uint16_t Photometric = PHOTOMETRIC_RGB;
  std::uint16_t Bits = 8;
  std::uint16_t Compression = COMPRESSION_NONE;
  std::uint16_t Planar = PLANARCONFIG_CONTIG;
  std::uint16_t Orientation = ORIENTATION_TOPLEFT;
  bool Alpha = false;
  std::uint32_t Tile = 0;  // tile side, or strips of three rows
};

void LibTiff(const QString& name, const QImage& image, const TTiffLayout& layout) {
  const QString folder = outRoot + "/read-tiff";
  QDir().mkpath(folder);
  TIFF* tif = TIFFOpen(QString(folder + "/" + name).toLocal8Bit().constData(), "w");
  if (!tif) {
    std::fprintf(stderr, "make-seeds: cannot write TIFF %s\n", qPrintable(name));
    std::exit(1);
  }
  const bool colour = layout.Photometric == PHOTOMETRIC_RGB;
  const std::uint16_t samples =
      static_cast<std::uint16_t>((colour ? 3 : 1) + (layout.Alpha ? 1 : 0));
  const auto width = static_cast<std::uint32_t>(image.width());
  const auto height = static_cast<std::uint32_t>(image.height());
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.Bits);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.Photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.Compression);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, layout.Planar);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, layout.Orientation);
  if (layout.Alpha) {
    const std::uint16_t extra = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (layout.Photometric == PHOTOMETRIC_PALETTE) {
    std::vector<std::uint16_t> red(256), green(256), blue(256);
    for (int i = 0; i < 256; ++i) {
      red[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i * 257);
      green[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>((255 - i) * 257);
      blue[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>((i * 7 % 256) * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  if (layout.Tile) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, layout.Tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, layout.Tile);
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
  }

  // The value of sample `s` of pixel (x, y) at the layout's depth.
  const auto sample = [&](int x, int y, int s) -> std::uint32_t {
    const QRgb c = image.pixel(x, y);
    const int value = !colour  ? qGray(c)
                      : s == 0 ? qRed(c)
                      : s == 1 ? qGreen(c)
                      : s == 2 ? qBlue(c)
                               : 255;
    return static_cast<std::uint32_t>(value) * ((1u << layout.Bits) - 1) / 255;
  };
  const int planes = layout.Planar == PLANARCONFIG_SEPARATE ? samples : 1;
  const int perPixel = layout.Planar == PLANARCONFIG_SEPARATE ? 1 : samples;
  // Pixels packed at the layout's depth, most significant bits first.
  const auto pack = [&](int x0, int y, int count, int plane, std::vector<std::uint8_t>& out) {
    std::fill(out.begin(), out.end(), 0);
    std::size_t bit = 0;
    for (int x = x0; x < x0 + count; ++x) {
      for (int s = 0; s < perPixel; ++s) {
        const std::uint32_t v =
            x < image.width() && y < image.height() ? sample(x, y, planes > 1 ? plane : s) : 0;
        for (int b = layout.Bits - 1; b >= 0; --b, ++bit) {
          if (v >> b & 1) out[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
        }
      }
    }
  };
  bool ok = true;
  if (layout.Tile) {
    const int side = static_cast<int>(layout.Tile);
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
    std::vector<std::uint8_t> row(tile.size() / static_cast<std::size_t>(side));
    for (int plane = 0; plane < planes; ++plane) {
      for (int ty = 0; ty < image.height(); ty += side) {
        for (int tx = 0; tx < image.width(); tx += side) {
          for (int y = 0; y < side; ++y) {
            pack(tx, ty + y, side, plane, row);
            std::copy(row.begin(), row.end(),
                      tile.begin() + static_cast<std::ptrdiff_t>(y * row.size()));
          }
          ok &= TIFFWriteTile(tif, tile.data(), static_cast<std::uint32_t>(tx),
                              static_cast<std::uint32_t>(ty), 0,
                              static_cast<std::uint16_t>(plane)) >= 0;
        }
      }
    }
  } else {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
    for (int plane = 0; plane < planes; ++plane) {
      for (int y = 0; y < image.height(); ++y) {
        pack(0, y, image.width(), plane, row);
        ok &= TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y),
                                static_cast<std::uint16_t>(plane)) >= 0;
      }
    }
  }
  ok &= TIFFWriteDirectory(tif) != 0;
  TIFFClose(tif);
  if (!ok) {
    std::fprintf(stderr, "make-seeds: TIFF %s not written\n", qPrintable(name));
    std::exit(1);
  }
}

void TiffSeeds() {
  for (const auto& [name, image] : SampleImages()) Write("read-tiff", name, EncodeTiff(image));
  const QImage card = ColourCard(37, 23);
  LibTiff("grey", card, {.Photometric = PHOTOMETRIC_MINISBLACK});
  LibTiff("grey-4bit-packbits", card,
          {.Photometric = PHOTOMETRIC_MINISWHITE, .Bits = 4, .Compression = COMPRESSION_PACKBITS});
  LibTiff("bilevel", card, {.Photometric = PHOTOMETRIC_MINISBLACK, .Bits = 1});
  LibTiff("palette", card, {.Photometric = PHOTOMETRIC_PALETTE, .Compression = COMPRESSION_LZW});
  LibTiff("planar", card, {.Planar = PLANARCONFIG_SEPARATE});
  LibTiff("tiled", card, {.Compression = COMPRESSION_DEFLATE, .Tile = 16});
  LibTiff("sixteen-bit", card, {.Bits = 16});
  LibTiff("alpha", card, {.Alpha = true});
  LibTiff("orientation-6", card, {.Orientation = ORIENTATION_RIGHTTOP});
  LibTiff("orientation-3", card, {.Orientation = ORIENTATION_BOTRIGHT});
}

// giflib's own writer for what EncodeGif never writes: interlace, transparency, a local colour
// map, an image smaller than the screen and a second frame.
Bytes LibGif(const QImage& image, bool interlaced) {
  struct TOut {
    Bytes Data;
  } out;
  const auto append = [](GifFileType* gif, const GifByteType* data, int count) -> int {
    auto* target = static_cast<TOut*>(gif->UserData);
    target->Data.insert(target->Data.end(), data, data + count);
    return count;
  };
  int error = 0;
  GifFileType* gif = EGifOpen(&out, append, &error);
  if (!gif) std::exit(1);
  EGifSetGifVersion(gif, true);
  std::vector<GifColorType> colours(16);
  for (int i = 0; i < 16; ++i) {
    colours[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(i * 17),
                                            static_cast<GifByteType>(255 - i * 17),
                                            static_cast<GifByteType>(i * 5)};
  }
  ColorMapObject* global = GifMakeMapObject(16, colours.data());
  ColorMapObject* local = GifMakeMapObject(8, colours.data() + 8);
  const int width = image.width(), height = image.height();
  bool ok = EGifPutScreenDesc(gif, width + 4, height + 2, 8, 0, global) == GIF_OK;
  for (int frame = 0; frame < 2 && ok; ++frame) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.DelayTime = 10;
    control.TransparentColor = frame == 0 ? 2 : NO_TRANSPARENT_COLOR;
    GifByteType block[4];
    EGifGCBToExtension(&control, block);
    ok &= EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block) == GIF_OK;
    // giflib forgets its copy of a local colour map when the next image has none.
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
    ok &= EGifPutImageDesc(gif, 2, 1, width, height, interlaced, frame == 0 ? local : nullptr) ==
          GIF_OK;
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    // Interlaced files store their rows by passes; the rows written here are the stored ones.
    for (int y = 0; y < height && ok; ++y) {
      for (int x = 0; x < width; ++x) {
        line[static_cast<std::size_t>(x)] =
            static_cast<GifPixelType>(qGray(image.pixel(x, y)) / (frame == 0 ? 32 : 16));
      }
      ok &= EGifPutLine(gif, line.data(), width) == GIF_OK;
    }
  }
  ok &= EGifCloseFile(gif, &error) == GIF_OK;
  GifFreeMapObject(global);
  GifFreeMapObject(local);
  if (!ok) std::exit(1);
  return out.Data;
}

void GifSeeds() {
  for (const auto& [name, image] : SampleImages()) Write("read-gif", name, EncodeGif(image));
  const QImage card = ColourCard(37, 23);
  Write("read-gif", "photo-quantised", EncodeGif(ColourCard(64, 48)));
  Write("read-gif", "frames", LibGif(card, false));
  Write("read-gif", "interlaced", LibGif(card, true));
  Bytes cut = LibGif(ColourCard(30, 30), false);
  cut.resize(cut.size() / 2);
  Write("read-gif", "cut", cut);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-seeds OUT\n");
    return 2;
  }
  outRoot = QString::fromLocal8Bit(argv[1]);
  CatalogueSeeds();
  FileHeaderSeeds();
  PictureSeeds();
  NotationSeeds();
  CommandSeeds();
  BmpSeeds();
  JpegSeeds();
  TiffSeeds();
  GifSeeds();
  return 0;
}
