#include "devicefiles/FileHeader.h"

#include <gtest/gtest.h>

#include <memory>

#include "devicefiles/DeviceName.h"

using platform::Bytes;

namespace {

// `text` padded with zero bytes to the 16 bytes of a name.
TFileHeader::TName NameOf(const std::string& text) {
  TFileHeader::TName name{};
  std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 16), name.begin());
  return name;
}

// 20 0A 00 00 01 FF 04 FF 00 FF 00 01, the name, 12 34 56 78.
Bytes PictureRaw(const std::string& name) {
  Bytes raw{0x20, 0x0A, 0x00, 0x00, 0x01, 0xFF, 0x04, 0xFF, 0x00, 0xFF, 0x00, 0x01};
  const TFileHeader::TName nameBytes = NameOf(name);
  raw.insert(raw.end(), nameBytes.begin(), nameBytes.end());
  raw.insert(raw.end(), {0x12, 0x34, 0x56, 0x78});
  return raw;
}

}  // namespace

TEST(FileHeader, FreshHeaderBuildsZerosAroundSpaceName) {
  const TFileHeader header;
  Bytes expected(12, 0x00);
  expected.insert(expected.end(), 16, 0x20);
  expected.insert(expected.end(), 4, 0x00);
  EXPECT_EQ(header.BuildRaw(), expected);
  EXPECT_EQ(header.Position, 0);
  EXPECT_EQ(header.DirIndex, 0);
  EXPECT_TRUE(header.Image.isNull());
  EXPECT_EQ(header.HolderSize(), QSize(128, 80));
}

TEST(FileHeader, ParseRawTakesOnlySizeMarkTypeAndName) {
  TFileHeader header;
  header.ParseRaw(PictureRaw("diver"));
  EXPECT_EQ(header.FileSize, 2592);
  EXPECT_EQ(header.AddedMark, 0xFF);
  EXPECT_EQ(header.TypeCode, 4);
  EXPECT_EQ(header.NameText(), "diver");
  EXPECT_EQ(header.DefaultFlag, 0);
  EXPECT_EQ(header.AuxByte, 0);
  EXPECT_EQ(header.AuxWord, 0);
  EXPECT_EQ(header.Version, 0);
  EXPECT_EQ(header.Checksum, 0u);
}

TEST(FileHeader, ParseRawOfShortInputReadsMissingBytesAsZero) {
  TFileHeader header;
  header.ParseRaw(Bytes{0x20, 0x0A, 0x00, 0x00, 0x00, 0x07, 0x03, 0x00, 0, 0, 0, 0, 'a', 'b'});
  EXPECT_EQ(header.FileSize, 2592);
  EXPECT_EQ(header.AddedMark, 7);
  EXPECT_EQ(header.TypeCode, 3);
  EXPECT_EQ(header.Name, NameOf("ab"));

  header.ParseRaw(Bytes{0x05, 0x01});
  EXPECT_EQ(header.FileSize, 0x0105);
  EXPECT_EQ(header.TypeCode, 0);
  EXPECT_EQ(header.NameText(), "");
}

TEST(FileHeader, BuildRawPlacesOneByteFieldsInDeviceOrder) {
  TFileHeader header;
  header.FileSize = 2592;
  header.DefaultFlag = 1;
  header.AddedMark = 0xFF;
  header.TypeCode = 4;
  header.AuxByte = 0xFF;
  header.AuxWord = 0xFF00;
  header.Version = 0x0100;
  header.Name = NameOf("diver");
  header.Checksum = 0x78563412;
  EXPECT_EQ(header.BuildRaw(), PictureRaw("diver"));

  header.AddedMark = 2;
  header.TypeCode = 3;
  header.AuxByte = 4;
  const Bytes raw = header.BuildRaw();
  EXPECT_EQ(Bytes(raw.begin() + 4, raw.begin() + 8), (Bytes{1, 2, 3, 4}));
}

TEST(FileHeader, ACopyHoldsEveryFieldAndAnIndependentPicture) {
  auto source = std::make_unique<TFileHeader>();
  source->ParseRaw(PictureRaw("reef"));
  source->DefaultFlag = 1;
  source->Version = 0x0203;
  source->Checksum = 99;
  source->DirIndex = 9;
  source->Position = 3;
  QImage picture(128, 80, QImage::Format_RGB32);
  picture.fill(qRgb(0x40, 0x40, 0x40));
  source->Image = picture;

  TFileHeader copy = *source;
  EXPECT_EQ(copy.Position, 3);
  EXPECT_EQ(copy.DirIndex, 9);
  EXPECT_EQ(copy.BuildRaw(), source->BuildRaw());

  QImage changed = picture;
  changed.fill(Qt::white);
  source->Image = changed;
  source->Image.setPixel(0, 0, qRgb(0, 0, 0));
  source.reset();
  ASSERT_FALSE(copy.Image.isNull());
  EXPECT_EQ(copy.Image.pixel(127, 79), qRgb(0x40, 0x40, 0x40));
  EXPECT_EQ(copy.Image.pixel(0, 0), qRgb(0x40, 0x40, 0x40));
}

TEST(FileHeader, NameIsCutAtFirstZeroByteAndDecodedFromUtf8) {
  TFileHeader header;
  Bytes raw = PictureRaw("ABCDEFGHIJKLMNOP");
  header.ParseRaw(raw);
  EXPECT_EQ(header.NameText(), "ABCDEFGHIJKLMNOP");
  raw[12 + 5] = 0;
  header.ParseRaw(raw);
  EXPECT_EQ(header.NameText(), "ABCDE");

  header.ParseRaw(
      PictureRaw("Fran\xC3\xA7"
                 "ais \xE2\x82\xAC"));
  EXPECT_EQ(header.NameText(), QString::fromUtf8("Fran\xC3\xA7"
                                                 "ais \xE2\x82\xAC"));
  // Picture names are single-byte text: the euro sign has no place there.
  EXPECT_EQ(header.NameSingleByteText(), QString::fromUtf8("Fran\xC3\xA7"
                                                           "ais ?"));

  // An uploaded picture's name is single-byte text, which is no UTF-8: shown as what it is.
  header.Name = DeviceName(QString::fromUtf8("Caf\xC3\xA9_D\xC3\xA9"
                                             "co.bmp")
                               .toLatin1());
  EXPECT_EQ(header.NameSingleByteText(), QString::fromUtf8("Caf\xC3\xA9_D\xC3\xA9"
                                                           "co"));
}
