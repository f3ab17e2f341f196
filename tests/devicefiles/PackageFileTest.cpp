// Package files as the import describes them, and what it refuses.
#include "devicefiles/PackageFile.h"

#include <gtest/gtest.h>

#include <string>

#include "devicefiles/FileHeader.h"

namespace {

using platform::Bytes;

// A package of `size` bytes (header included, its size field saying `claimed`, or `size`).
Bytes Package(std::uint8_t type, const std::string& name, std::uint32_t checksum = 0,
              std::size_t size = 64, std::uint8_t major = 1, std::uint8_t minor = 0,
              std::uint32_t claimed = 0) {
  Bytes data(size, 0xEE);
  platform::WriteLE32(data, 0, claimed ? claimed : static_cast<std::uint32_t>(size));
  data[5] = 0;
  data[6] = type;
  data[10] = minor;
  data[11] = major;
  for (std::size_t i = 0; i < 16; ++i) data[12 + i] = i < name.size() ? name[i] : 0;
  platform::WriteLE32(data, 28, checksum);
  return data;
}

TEST(PackageFile, FieldsAsTheImportShowsThem) {
  const struct {
    const char* what;
    Bytes data;
    std::uint8_t type;
    const char* name;
    const char* version;
    const char* checksum;
  } cases[] = {
      {"sixteen letters", Package(3, "ABCDEFGHIJKLMNOP"), 3, "ABCDEFGHIJKLMNOP", "V1.0", "0000"},
      {"Deutsch and nine NULs", Package(3, "Deutsch"), 3, "Deutsch", "V1.0", "0000"},
      {"Polish", Package(3, "J\xC4\x99zyk polski"), 3, "J\u0119zyk polski", "V1.0", "0000"},
      {"version", Package(3, "x", 0, 64, 3, 12), 3, "x", "V3.12", "0000"},
      {"checksum ABCD", Package(5, "fw", 0xABCD), 5, "fw", "V1.0", "ABCD"},
      {"checksum 12345", Package(5, "fw", 0x12345), 5, "fw", "V1.0", "12345"},
      {"checksum 0012", Package(5, "fw", 0x12), 5, "fw", "V1.0", "0012"},
      {"checksum FFFFFFFF", Package(5, "fw", 0xFFFFFFFF), 5, "fw", "V1.0", "FFFFFFFF"},
      {"header alone", Package(3, "x", 0, 32), 3, "x", "V1.0", "0000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<TPackageFields> fields = DescribePackage(c.data, c.type);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Name, QString::fromUtf8(c.name));
    EXPECT_EQ(fields->Version, c.version);
    EXPECT_EQ(fields->Checksum, c.checksum);
    EXPECT_EQ(fields->Size, QString("%1 Bytes").arg(c.data.size()));
  }
}

TEST(PackageFile, RefusedLikeAWrongType) {
  Bytes chain = Package(5, "fw", 0, 64);
  chain[5] = 1;  // announces a second part that is not there
  const struct {
    const char* what;
    Bytes data;
    std::uint8_t type;
  } cases[] = {
      {"firmware as a language", Package(5, "fw"), 3},
      {"language as firmware", Package(3, "x"), 5},
      {"empty", {}, 3},
      {"31 bytes", Bytes(31, 3), 3},
      {"size field past the end", Package(3, "x", 0, 64, 1, 0, 65), 3},
      {"size field below the header", Package(3, "x", 0, 64, 1, 0, 12), 3},
      {"a missing firmware part", chain, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(DescribePackage(c.data, c.type));
  }
}

}  // namespace
