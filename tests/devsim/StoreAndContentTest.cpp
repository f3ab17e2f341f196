// The state folder, the factory content, the sample package files and the picture canvas.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "DemoContent.h"
#include "DeviceStore.h"
#include "devsim/BusClient.h"

namespace devsim {
namespace {

using devsimtest::TempDir;

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Re-seals an area file after a test changed its body, so that the structural checks behind
// the hash are reached.
void Reseal(Bytes& data) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i + 4 < data.size(); ++i) hash = (hash ^ data[i]) * 16777619u;
  platform::WriteLE32(data, data.size() - 4, hash);
}

TEST(DeviceStoreTest, FreshFolderGetsTheFactoryContentAndKeepsWhatIsSaved) {
  TempDir dir;
  DeviceStore store(dir / "state");
  DeviceMemory memory;
  std::string error;
  ASSERT_TRUE(store.Load(memory, 4, 9, error)) << error;
  EXPECT_EQ(memory[0].files, DemoLanguages());
  EXPECT_EQ(memory[1].files, DemoPictures());
  EXPECT_EQ(memory[2].files.front()[11], 4);
  EXPECT_EQ(memory[2].files.front()[10], 9);

  memory[1].files.pop_back();
  memory[1].defaultIndex = 3;
  ASSERT_TRUE(store.Save(kPictureArea, memory[1], error)) << error;
  EXPECT_FALSE(std::filesystem::exists(store.AreaPath(kPictureArea) + ".tmp"));
  DeviceMemory again;
  ASSERT_TRUE(store.Load(again, 5, 1, error)) << error;
  EXPECT_EQ(again[1].files, memory[1].files);
  EXPECT_EQ(again[1].defaultIndex, 3);
  EXPECT_EQ(again[2].files.front()[11], 4);  // the stored firmware wins over the default
}

TEST(DeviceStoreTest, DamagedFilesAreReportedAndLeftUntouched) {
  const Bytes good = DeviceStore::Serialize(kPictureArea, {DemoPictures(), 2});
  AreaContent content;
  std::string error;
  ASSERT_TRUE(DeviceStore::Parse(kPictureArea, good, content, error)) << error;
  EXPECT_FALSE(DeviceStore::Parse(kLanguageArea, good, content, error));

  // Every truncation and every single flipped bit is caught.
  for (std::size_t size = 0; size < good.size(); size += 97) {
    EXPECT_FALSE(
        DeviceStore::Parse(kPictureArea, Bytes(good.begin(), good.begin() + size), content, error))
        << size;
  }
  for (std::size_t at = 0; at < good.size(); at += 101) {
    Bytes bad = good;
    bad[at] ^= 0x04;
    EXPECT_FALSE(DeviceStore::Parse(kPictureArea, bad, content, error)) << at;
  }
  // Sealed but lying: a count beyond the files, a file length past the end, a default beyond
  // the count, a header size that disagrees with the stored length.
  const std::vector<std::pair<std::size_t, std::uint8_t>> lies = {
      {14, 6}, {16 + 1, 0xFF}, {12, 9}, {16 + 4 + 1, 0x0B}};
  for (const auto& [at, value] : lies) {
    Bytes bad = good;
    bad[at] = value;
    Reseal(bad);
    EXPECT_FALSE(DeviceStore::Parse(kPictureArea, bad, content, error)) << at;
  }

  TempDir dir;
  DeviceStore store(dir.Path());
  Bytes damaged = good;
  damaged.resize(good.size() / 2);
  WriteFileBytes(store.AreaPath(kPictureArea), damaged);
  DeviceMemory memory;
  EXPECT_FALSE(store.Load(memory, 5, 1, error));
  EXPECT_NE(error.find("pictures.area"), std::string::npos) << error;
  EXPECT_EQ(ReadFileBytes(store.AreaPath(kPictureArea)), damaged);
}

// A chain's first part can announce 255 more, and the installed chain is stored part by part:
// the state it leaves must load again.
TEST(DeviceStoreTest, AFirmwareChainOfEveryAnnouncedPartLoadsAgain) {
  const AreaContent firmware{
      SplitFirmwareParts(MakeFirmwareFile(6, 0, "256 parts", std::vector<std::size_t>(256, 1))), 1};
  ASSERT_EQ(firmware.files.size(), kMaxFirmwareParts);
  AreaContent loaded;
  std::string error;
  ASSERT_TRUE(DeviceStore::Parse(kFirmwareArea, DeviceStore::Serialize(kFirmwareArea, firmware),
                                 loaded, error))
      << error;
  EXPECT_EQ(loaded.files, firmware.files);
}

TEST(DemoContentTest, FactoryPicturesAreRealDrawingsFactoryFirst) {
  const std::vector<Bytes> pictures = DemoPictures();
  ASSERT_GE(pictures.size(), 5u);
  int factory = 0;
  bool seenAdded = false;
  std::set<Bytes> distinct;
  for (const Bytes& file : pictures) {
    const FileHeader header = ParseHeader(file);
    ASSERT_EQ(file.size(), kPictureFileSize);
    EXPECT_EQ(header.FileSize, kPictureFileSize);
    EXPECT_EQ(header.TypeCode, kPictureArea);
    EXPECT_FALSE(header.Name.empty());
    if (header.AddedMark == kFactoryMark) {
      EXPECT_FALSE(seenAdded) << "factory pictures come first";
      ++factory;
    } else {
      EXPECT_EQ(header.AddedMark, kAddedMark);
      seenAdded = true;
    }
    const GreyCanvas canvas = GreyCanvas::Decode(Bytes(file.begin() + 32, file.end()));
    std::set<int> levels;
    for (int y = 0; y < kPictureHeight; ++y) {
      for (int x = 0; x < kPictureWidth; ++x) levels.insert(canvas.Level(x, y));
    }
    EXPECT_EQ(levels.size(), 4u) << header.Name;
    distinct.insert(file);
  }
  EXPECT_GE(factory, 3);
  EXPECT_TRUE(seenAdded);
  EXPECT_EQ(distinct.size(), pictures.size());
}

TEST(DemoContentTest, LanguagesAreThreeFactoryAndAnAddedOneWithANonAsciiName) {
  const std::vector<Bytes> languages = DemoLanguages();
  ASSERT_GE(languages.size(), 4u);
  const std::vector<std::string> factory = {"Italiano", "English", "Deutsch"};
  for (std::size_t i = 0; i < languages.size(); ++i) {
    const FileHeader header = ParseHeader(languages[i]);
    EXPECT_EQ(header.TypeCode, kLanguageArea);
    EXPECT_EQ(header.FileSize, languages[i].size());
    EXPECT_EQ(header.Checksum, ByteSum(languages[i], 32));
    if (i < 3) {
      EXPECT_EQ(header.Name, factory[i]);
      EXPECT_EQ(header.AddedMark, kFactoryMark);
    } else {
      EXPECT_EQ(header.AddedMark, kAddedMark);
      EXPECT_TRUE(std::any_of(header.Name.begin(), header.Name.end(),
                              [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    }
  }
}

TEST(DemoContentTest, CanvasPacksTheLeftmostPixelIntoTheTopBits) {
  GreyCanvas canvas(0);
  canvas.Set(1, 0, 1);
  canvas.Set(2, 0, 2);
  canvas.Set(127, 79, 3);
  const Bytes data = canvas.Encode();
  ASSERT_EQ(data.size(), kPixelDataSize);
  EXPECT_EQ(data[0], 0x18);
  EXPECT_EQ(data[2559], 0x03);
  EXPECT_EQ(GreyCanvas::Decode(data).Encode(), data);
  // Short pixel data is decoded as far as it goes; the rest stays black.
  EXPECT_EQ(GreyCanvas::Decode(Bytes(3, 0xFF)).Level(11, 0), 3);
  EXPECT_EQ(GreyCanvas::Decode(Bytes(3, 0xFF)).Level(12, 0), 0);
}

TEST(SamplesTest, WritesLanguageAndFirmwarePackages) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WriteSamples(dir / "samples", error)) << error;
  std::set<std::string> names;
  std::set<std::size_t> sizes;
  int chained = 0;
  int older = 0;
  int firmwareFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "samples")) {
    const Bytes data = ReadFileBytes(entry.path().string());
    ASSERT_GE(data.size(), kHeaderSize) << entry.path();
    const FileHeader header = ParseHeader(data);
    EXPECT_LE(header.Name.size(), kNameSize);
    if (entry.path().extension() == ".bin") {
      EXPECT_EQ(header.TypeCode, kLanguageArea) << entry.path();
      EXPECT_EQ(header.FileSize, data.size());
      EXPECT_EQ(header.Checksum, ByteSum(data, 32));
      names.insert(header.Name);
      sizes.insert(data.size());
      continue;
    }
    ASSERT_EQ(entry.path().extension(), ".enc");
    ++firmwareFiles;
    EXPECT_EQ(header.TypeCode, kFirmwareArea);
    const std::vector<Bytes> parts = SplitFirmwareParts(data);
    ASSERT_EQ(parts.size(), header.AddedMark + 1u) << entry.path();
    std::size_t total = 0;
    for (const Bytes& part : parts) {
      EXPECT_EQ(part[6], kFirmwareArea);
      EXPECT_EQ(ParseHeader(part).Checksum, ByteSum(part, 32));
      total += part.size();
    }
    EXPECT_EQ(total, data.size());
    if (parts.size() == 3) ++chained;
    if (header.Version < 0x0501) ++older;
  }
  EXPECT_TRUE(names.count("Polski"));
  EXPECT_TRUE(names.count("Русский"));
  EXPECT_TRUE(names.count("日本語"));
  EXPECT_TRUE(sizes.count(3242));
  EXPECT_GE(sizes.size(), 4u);
  EXPECT_GE(firmwareFiles, 3);
  EXPECT_EQ(chained, 1);
  EXPECT_GE(older, 1);
}

}  // namespace
}  // namespace devsim
