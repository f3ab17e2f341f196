// The device model without sockets: request framing, uploads, deletes, defaults, busy polls
// and firmware chains.
#include <gtest/gtest.h>

#include "DemoContent.h"
#include "DeviceModel.h"
#include "devsim/BusClient.h"

namespace devsim {
namespace {

using devsimtest::BlockPackets;
using devsimtest::DefaultRequest;
using devsimtest::DeleteRequest;

DeviceMemory DemoMemory() {
  DeviceMemory memory;
  memory[0].files = DemoLanguages();
  memory[1].files = DemoPictures();
  memory[2].files = DemoFirmware(5, 1);
  return memory;
}

Bytes LanguageWithContent(std::size_t size) {
  FileHeader header;
  header.TypeCode = kLanguageArea;
  header.AddedMark = kAddedMark;
  header.Name = "Test";
  return MakeFile(header, Bytes(size, 0x5A));
}

class DeviceModelTest : public ::testing::Test {
 protected:
  DeviceModelTest() : model(DemoMemory(), DeviceSettings{}) { model.BeginConnection(); }

  Frame FrameOf(const Bytes& data) const { return model.FrameRequest(data.data(), data.size()); }
  Reply Send(const Bytes& request) {
    const Frame frame = FrameOf(request);
    EXPECT_EQ(frame.status, FrameStatus::kComplete) << platform::ToHex(request);
    EXPECT_EQ(frame.length, request.size()) << platform::ToHex(request);
    return model.Handle(request);
  }
  Reply SendAll(const std::vector<Bytes>& packets) {
    Reply last;
    for (const Bytes& packet : packets) last = Send(packet);
    return last;
  }
  const AreaContent& Pictures() const { return model.Memory()[1]; }

  DeviceModel model;
};

TEST_F(DeviceModelTest, FramesEveryRequestByItsKnownLength) {
  const std::vector<std::pair<Bytes, std::size_t>> cases = {
      {{0x10}, 1},       {{0x00}, 1},       {{0x14}, 1},           {{0xE8}, 1},
      {{0xE1}, 1},       {{0xFF, 0xF5}, 2}, {{0xFF, 0xE8}, 2},     {{0xFF, 0xE3}, 2},
      {{0xFF, 0x37}, 3}, {{0xFF, 0xFA}, 5}, {{0xFF, 0xC2}, 5},     {{0xFF, 0x57}, 5},
      {{0xFF, 0xD0}, 6}, {{0xFF, 0xE9}, 6}, {{0xFF, 0xD2, 0}, 35}, {{0xFF, 0xD2, 1}, 57},
  };
  for (const auto& [prefix, length] : cases) {
    Bytes request = prefix;
    request.resize(length, 0);
    for (std::size_t have = 1; have < length; ++have) {
      EXPECT_EQ(model.FrameRequest(request.data(), have).status, FrameStatus::kIncomplete);
    }
    const Frame frame = FrameOf(request);
    EXPECT_EQ(frame.status, FrameStatus::kComplete) << platform::ToHex(prefix);
    EXPECT_EQ(frame.length, length) << platform::ToHex(prefix);
    request.push_back(0x10);  // the next request's first byte is not part of it
    EXPECT_EQ(FrameOf(request).length, length);
  }
}

TEST_F(DeviceModelTest, RefusesToFrameWhatItCannotFollow) {
  for (const Bytes& request : std::vector<Bytes>{{0x42},
                                                 {0x11},
                                                 {0xFF, 0x00},
                                                 {0xFF, 0xFF},
                                                 {0xFF, 0xD2, 0x03},
                                                 {0xFF, 0xD2, 0x02}}) {  // no header packet yet
    EXPECT_EQ(FrameOf(request).status, FrameStatus::kInvalid) << platform::ToHex(request);
  }
}

TEST_F(DeviceModelTest, LastPacketLengthFollowsTheHeaderPacket) {
  const Bytes file = LanguageWithContent(54 + 20);
  Send(BlockPackets(file)[0]);
  EXPECT_EQ(FrameOf({0xFF, 0xD2, 0x02}).length, 3u + 54);  // at most one block
  Send(BlockPackets(file)[1]);
  EXPECT_EQ(FrameOf({0xFF, 0xD2, 0x02}).length, 3u + 20);
}

TEST_F(DeviceModelTest, StoresAWrittenFileAsSentAndIsBusyForTheConfiguredPolls) {
  const Bytes file = MakePictureFile("Turtle", kAddedMark, DrawFish());
  std::vector<Bytes> packets = BlockPackets(file);
  ASSERT_EQ(packets.size(), 1u + 47 + 1);
  EXPECT_EQ(packets.back().size(), 3u + 22);
  // A quiet poll between content packets is answered as ready.
  packets.insert(packets.begin() + 22, Bytes{0x10});
  const Reply last = SendAll(packets);
  EXPECT_EQ(last.changedAreas, std::vector<std::uint8_t>{kPictureArea});
  ASSERT_EQ(Pictures().files.size(), 6u);
  EXPECT_EQ(Pictures().files.back(), file);
  EXPECT_EQ(Send({0x10}).bytes, Bytes{0});
  EXPECT_EQ(Send({0x10}).bytes, Bytes{0});
  EXPECT_EQ(Send({0x10}).bytes, Bytes{17});
}

TEST_F(DeviceModelTest, HeaderOnlyFileIsCompletedByAnEmptyLastPacket) {
  FileHeader header;
  header.TypeCode = kLanguageArea;
  header.AddedMark = kAddedMark;
  const Bytes file = MakeFile(header, {});
  EXPECT_EQ(BlockPackets(file).back(), (Bytes{0xFF, 0xD2, 0x02}));
  SendAll(BlockPackets(file));
  EXPECT_EQ(model.Memory()[0].files.back(), file);
}

TEST_F(DeviceModelTest, AbsurdOrUnknownHeaderPacketsEndTheLink) {
  for (const std::uint32_t size : {0xFFFFFFFFu, kMaxFileSize + 1, 31u, 0u}) {
    Bytes packet{0xFF, 0xD2, 0x00};
    packet.resize(35, 0);
    platform::WriteLE32(packet, 3, size);
    packet[3 + 6] = kPictureArea;
    const Reply reply = Send(packet);
    EXPECT_TRUE(reply.endConnection) << size;
    EXPECT_FALSE(reply.notes.empty());
  }
  Bytes unknownArea = BlockPackets(MakePictureFile("x", kAddedMark, DrawFish()))[0];
  unknownArea[3 + 6] = 9;
  EXPECT_TRUE(Send(unknownArea).endConnection);
  EXPECT_EQ(Pictures().files.size(), 5u);
}

TEST_F(DeviceModelTest, DiscardsUploadsThatDoNotAddUp) {
  const Bytes file = LanguageWithContent(60);
  const std::vector<Bytes> packets = BlockPackets(file);  // header, one content, last of 6
  // A second content packet where only 6 bytes remain runs past the announced size.
  Send(packets[0]);
  Send(packets[1]);
  Reply reply = Send(packets[1]);
  EXPECT_FALSE(reply.notes.empty());
  EXPECT_EQ(FrameOf({0xFF, 0xD2, 0x02}).status, FrameStatus::kInvalid);
  // A last packet that arrives while more than one block is missing leaves the file short.
  Send(packets[0]);
  Bytes early{0xFF, 0xD2, 0x02};
  early.resize(3 + 54, 0xAA);
  reply = Send(early);
  EXPECT_FALSE(reply.notes.empty());
  EXPECT_EQ(model.Memory()[0].files.size(), 4u);
  // A content packet without a header is ignored, not stored.
  EXPECT_FALSE(Send(packets[1]).notes.empty());
  EXPECT_EQ(model.Memory()[0].files.size(), 4u);
}

TEST_F(DeviceModelTest, LinkEndingMidUploadDiscardsIt) {
  const std::vector<Bytes> packets = BlockPackets(MakePictureFile("x", kAddedMark, DrawFish()));
  Send(packets[0]);
  Send(packets[1]);
  EXPECT_NE(model.EndConnection(), "");
  model.BeginConnection();
  EXPECT_EQ(Pictures().files.size(), 5u);
  EXPECT_EQ(FrameOf({0xFF, 0xD2, 0x02}).status, FrameStatus::kInvalid);
}

TEST_F(DeviceModelTest, FactoryUploadGoesBeforeTheAddedItemsAndTheDefaultFollows) {
  Send(DefaultRequest(4, 5));
  SendAll(BlockPackets(MakePictureFile("Anchor", kFactoryMark, DrawCompass())));
  ASSERT_EQ(Pictures().files.size(), 6u);
  EXPECT_EQ(ParseHeader(Pictures().files[3]).Name, "Anchor");
  EXPECT_EQ(ParseHeader(Pictures().files[5]).Name, "Dive flag");
  EXPECT_EQ(Pictures().defaultIndex, 6);
}

TEST_F(DeviceModelTest, FullAreaReadsTheUploadButDoesNotStoreIt) {
  DeviceMemory memory = DemoMemory();
  memory[1].files.resize(kMaxFilesPerArea, MakePictureFile("f", kAddedMark, DrawFish()));
  DeviceModel full(memory, DeviceSettings{});
  full.BeginConnection();
  Reply last;
  for (const Bytes& packet : BlockPackets(MakePictureFile("one more", kAddedMark, DrawReef()))) {
    ASSERT_EQ(full.FrameRequest(packet.data(), packet.size()).length, packet.size());
    last = full.Handle(packet);
  }
  EXPECT_TRUE(last.changedAreas.empty());
  EXPECT_FALSE(last.notes.empty());
  EXPECT_EQ(full.Memory()[1].files.size(), kMaxFilesPerArea);
}

TEST_F(DeviceModelTest, DeleteShiftsLaterItemsAndTheDefaultStaysOnItsFile) {
  SendAll(BlockPackets(MakePictureFile("Turtle", kAddedMark, DrawReef())));
  Send(DefaultRequest(4, 6));  // Turtle
  Send(DeleteRequest(4, 4));   // Fish
  ASSERT_EQ(Pictures().files.size(), 5u);
  EXPECT_EQ(ParseHeader(Pictures().files[3]).Name, "Dive flag");
  EXPECT_EQ(ParseHeader(Pictures().files[4]).Name, "Turtle");
  EXPECT_EQ(Pictures().defaultIndex, 5);
  // Deleting the default picture hands the default to the second one.
  Send(DeleteRequest(4, 5));
  EXPECT_EQ(Pictures().defaultIndex, 2);
  // Deleting after the default leaves it alone.
  Send(DeleteRequest(4, 4));
  EXPECT_EQ(Pictures().defaultIndex, 2);
  EXPECT_EQ(Pictures().files.size(), 3u);
}

// Where the default lands when its item is deleted, checked against where the tool's own
// catalogue puts the mark (first language; the picture second before the delete, never the one
// going away), so the two agree without a read-back.
TEST_F(DeviceModelTest, DeletedDefaultLandsWhereTheToolsCatalogueMarksIt) {
  const struct {
    const char* what;
    std::uint8_t area;
    int factory, added;
    std::uint16_t defaultBefore;
    std::uint8_t deleted;
    std::uint16_t expected;
  } cases[] = {
      {"last added language", kLanguageArea, 3, 1, 4, 4, 1},
      {"only language", kLanguageArea, 0, 1, 1, 1, 0},
      {"last picture", kPictureArea, 3, 2, 5, 5, 2},
      {"third picture of three", kPictureArea, 0, 3, 3, 3, 2},
      {"second picture", kPictureArea, 1, 2, 2, 2, 1},
      {"first picture, its successor moves up", kPictureArea, 0, 3, 1, 1, 1},
      {"only picture", kPictureArea, 0, 1, 1, 1, 0},
      {"default after the deleted picture", kPictureArea, 0, 4, 4, 2, 3},
      {"default before the deleted picture", kPictureArea, 0, 4, 1, 3, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t slot = *AreaSlot(c.area);
    DeviceMemory memory = DemoMemory();
    memory[slot].files.clear();
    for (int i = 0; i < c.factory + c.added; ++i) {
      const std::uint8_t mark = i < c.factory ? kFactoryMark : kAddedMark;
      const std::string name = "item " + std::to_string(i + 1);
      memory[slot].files.push_back(c.area == kLanguageArea
                                       ? MakeLanguageFile(name, mark, 100)
                                       : MakePictureFile(name, mark, DrawFish()));
    }
    memory[slot].defaultIndex = c.defaultBefore;
    DeviceModel device(memory, DeviceSettings{});
    device.BeginConnection();
    EXPECT_EQ(device.Handle(DeleteRequest(c.area, c.deleted)).changedAreas,
              std::vector<std::uint8_t>{c.area});
    EXPECT_EQ(device.Memory()[slot].defaultIndex, c.expected);
  }
}

TEST_F(DeviceModelTest, RefusesDeletesOfFactoryItemsMissingItemsAndFirmware) {
  for (const Bytes& request : {DeleteRequest(4, 1), DeleteRequest(4, 0), DeleteRequest(4, 6),
                               DeleteRequest(3, 1), DeleteRequest(5, 1), DeleteRequest(7, 1)}) {
    const Reply reply = Send(request);
    EXPECT_FALSE(reply.notes.empty()) << platform::ToHex(request);
    EXPECT_TRUE(reply.changedAreas.empty());
  }
  EXPECT_EQ(Pictures().files.size(), 5u);
  EXPECT_EQ(model.Memory()[0].files.size(), 4u);
  // Even a refused delete keeps the device busy for a moment, like the real thing.
  EXPECT_EQ(Send({0x10}).bytes, Bytes{0});
}

TEST_F(DeviceModelTest, DefaultMustNameAnExistingItem) {
  EXPECT_FALSE(Send(DefaultRequest(3, 0)).notes.empty());
  EXPECT_FALSE(Send(DefaultRequest(3, 5)).notes.empty());
  EXPECT_EQ(model.Memory()[0].defaultIndex, 1);
  EXPECT_EQ(Send(DefaultRequest(3, 4)).changedAreas, std::vector<std::uint8_t>{kLanguageArea});
  EXPECT_EQ(Send(devsimtest::AreaRequest(3)).bytes, (Bytes{4, 0, 4, 0}));
}

TEST_F(DeviceModelTest, MissingFilesAndAreasGetEmptyButWellFormedReplies) {
  EXPECT_EQ(Send(devsimtest::FileRequest(4, 6)).bytes, (Bytes{4, 0, 0, 0}));
  EXPECT_EQ(Send(devsimtest::FileRequest(4, 0)).bytes, (Bytes{4, 0, 0, 0}));
  EXPECT_EQ(Send(devsimtest::DirectoryRequest(9)).bytes, (Bytes{4, 0, 0, 0}));
  EXPECT_EQ(Send(devsimtest::AreaRequest(9)).bytes, (Bytes{0, 0, 0, 0}));
}

TEST_F(DeviceModelTest, FirmwareChainReplacesTheFirmwareOnlyWhenComplete) {
  const std::vector<Bytes> parts =
      SplitFirmwareParts(MakeFirmwareFile(6, 0, "chain", {300, 200, 100}));
  ASSERT_EQ(parts.size(), 3u);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const Reply last = SendAll(BlockPackets(parts[i]));
    EXPECT_EQ(last.restart, i == 2);
    EXPECT_EQ(model.FirmwareVersion(), (i == 2 ? std::pair<std::uint8_t, std::uint8_t>{6, 0}
                                               : std::pair<std::uint8_t, std::uint8_t>{5, 1}));
  }
  EXPECT_EQ(model.Memory()[2].files, parts);
}

TEST_F(DeviceModelTest, InterruptedFirmwareChainLeavesTheOldFirmware) {
  const Bytes before = model.Memory()[2].files.front();
  const std::vector<Bytes> parts = SplitFirmwareParts(MakeFirmwareFile(6, 0, "c", {100, 100}));
  SendAll(BlockPackets(parts[0]));
  EXPECT_NE(model.EndConnection(), "");
  EXPECT_EQ(model.Memory()[2].files, std::vector<Bytes>{before});
}

}  // namespace
}  // namespace devsim
