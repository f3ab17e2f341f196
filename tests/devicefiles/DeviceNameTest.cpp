// How a picture's PC name becomes its 16-byte device name.
#include <gtest/gtest.h>

#include <string>

#include "devicefiles/DeviceName.h"

namespace {

std::string Text(const TFileHeader::TName& name) {
  return std::string(name.begin(), name.end());
}

// `kept` padded with zero bytes to the sixteen of a device name.
std::string Padded(const std::string& kept) {
  return kept + std::string(16 - kept.size(), '\0');
}

TEST(DeviceNameTest, DropsOnlyAnExtensionAndNeverEmptiesAName) {
  const struct {
    const char* why;
    QByteArray text;
    std::string name;
  } cases[] = {
      {"a file name loses its extension", "diver.bmp", Padded("diver")},
      {"sixteen letters fill the name", "underwater_scene.bmp", "underwater_scene"},
      {"a longer name is cut", "a_very_long_picture_name.bmp", "a_very_long_pict"},
      {"a text picture: typed name and type", "Nome del file.BMP", Padded("Nome del file")},
      {"a four-letter extension", "reef.jpeg", Padded("reef")},
      {"only the last extension", "wreck.tar.gz", Padded("wreck.tar")},
      {"a device picture written back", "Turtle", Padded("Turtle")},
      {"a four-letter device name", "Fish", Padded("Fish")},
      {"words after a dot are no extension", "Mr. Fish", Padded("Mr. Fish")},
      {"nor is a dot with more after it", "Dive.flagpole", Padded("Dive.flagpole")},
      {"nothing but an extension", ".bmp", Padded(".bmp")},
      {"the empty preview's name", "---", Padded("---")},
      {"a long name without extension", "a_very_long_name_without_one", "a_very_long_name"},
      {"four before the marker go", "abcdefg\x13xyz", Padded("abc")},
      {"a marker that would leave nothing", "ab\x13", Padded("ab\x13")},
      {"nothing to name it after", "", Padded("")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Text(DeviceName(c.text)), c.name);
  }
}

}  // namespace
