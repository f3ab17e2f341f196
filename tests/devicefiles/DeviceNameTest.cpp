// How a picture's PC name becomes its 16-byte device name.
#include <gtest/gtest.h>

#include <string>

#include "devicefiles/DeviceName.h"

namespace {

std::string Text(const TFileHeader::TName& name) {
  return std::string(name.begin(), name.end());
}

TEST(DeviceNameTest, DropsTheExtensionAndPadsOrCutsToSixteenBytes) {
  EXPECT_EQ(Text(DeviceName("diver.bmp")), std::string("diver") + std::string(11, '\0'));
  EXPECT_EQ(Text(DeviceName("underwater_scene.bmp")), "underwater_scene");
  EXPECT_EQ(Text(DeviceName("a_very_long_picture_name.bmp")), "a_very_long_pict");
  // A text picture's name: the typed name plus the chosen type's extension.
  EXPECT_EQ(Text(DeviceName("Nome del file.BMP")),
            std::string("Nome del file") + std::string(3, '\0'));
}

TEST(DeviceNameTest, ShortTextsAndTheMarkerCharacter) {
  EXPECT_EQ(Text(DeviceName("---")), std::string(16, '\0'));
  EXPECT_EQ(Text(DeviceName("")), std::string(16, '\0'));
  // Everything from four characters before the first 0x13 on is zeroed.
  EXPECT_EQ(Text(DeviceName("abcdefg\x13xyz")), std::string("abc") + std::string(13, '\0'));
}

}  // namespace
