// The read direction against the simulated dive computer in this process, through the real bus
// backend on a private bus; the device's request log shows what went over the link.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DemoContent.h"
#include "DeviceSimulator.h"
#include "DeviceStore.h"
#include "support/SimulatorOnBus.h"
#include "transfer/ReadActions.h"

using platform::Bytes;

namespace {

class ReadActionsOverBusTest : public testsupport::SimulatorOnBusTest {
 protected:
  // A device holding `pictures` pictures: the factory five, then added ones.
  void StartDevice(std::size_t pictures = 5, devsim::Faults faults = {}) {
    devsim::SimulatorConfig config;
    config.stateDirectory = bus.Dir() + "/state";  // not a device name, so not on the bus
    config.faults = faults;
    StartSimulator(config, [pictures](devsim::AreaContent& area) {
      for (std::size_t i = area.files.size(); i < pictures; ++i) {
        area.files.push_back(devsim::MakePictureFile("Extra " + std::to_string(i + 1),
                                                     devsim::kAddedMark, devsim::DrawReef()));
      }
    });
  }

  // One transfer of the read direction: connect, the actions, close (as the worker does it).
  void Transfer(TAction action) {
    OpenLink(action);
    ASSERT_TRUE(link->LinkOk) << link->Status;
    sleeps.Clear();
    RunReadActions(*link, info, host);
    waits = sleeps.Waits();
    link->CloseClient();
  }

  std::vector<Bytes> Sent() const {
    std::vector<Bytes> sent;
    for (const devsim::LoggedRequest& r : simulator->Requests()) sent.push_back(r.bytes);
    return sent;
  }

  static Bytes FileRequest(std::uint8_t position) { return {0xFF, 0xC2, 0xFF, 4, position}; }
};

TEST_F(ReadActionsOverBusTest, ReadsAllSevenPicturesInCatalogueOrder) {
  StartDevice(7);
  host.SetPictureCatalogue(7);
  host.rawFiles = {Bytes{1, 2, 3}};  // left from an earlier read
  Transfer(TAction::ReadAllPictures);
  ASSERT_TRUE(link->LinkOk) << link->Status;

  std::vector<Bytes> expected = {{0x10}, {0xFF, 0x37, 4}};
  for (std::uint8_t p = 1; p <= 7; ++p) expected.push_back(FileRequest(p));
  EXPECT_EQ(Sent(), expected);
  EXPECT_EQ(host.rawFiles, simulator->Files(devsim::kPictureArea));
  EXPECT_EQ(host.maximums, (std::vector<int>{1, 9}));
  EXPECT_EQ(host.steps, 9);
  EXPECT_EQ(host.eventRounds, 7);
  EXPECT_EQ(info.Identity, 17);
  EXPECT_EQ(platform::ReadLE16(Bytes(info.AreaReply.begin(), info.AreaReply.end()), 2),
            simulator->DefaultIndex(devsim::kPictureArea));

  std::vector<int> pacing = {20};  // identity: no parameters, no pause after
  for (int request = 0; request < 8; ++request) pacing.insert(pacing.end(), {20, 200});
  EXPECT_EQ(waits, pacing);
  EXPECT_TRUE(host.notices.empty());
}

TEST_F(ReadActionsOverBusTest, DirectoryReadsTakeTheWholeReply) {
  StartDevice();
  Transfer(TAction::ReadPictureDir);
  ASSERT_TRUE(link->LinkOk) << link->Status;
  ASSERT_EQ(info.DirReply.size(), 4u + 32 * 5);
  EXPECT_EQ(platform::ReadLE32(info.DirReply, 0), info.DirReply.size());
  EXPECT_EQ(info.DirParam, 0xFF04FFu);

  Transfer(TAction::ReadLanguages);
  ASSERT_TRUE(link->LinkOk) << link->Status;
  const std::vector<Bytes> sent = Sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[1], (Bytes{0xFF, 0xFA, 0xFF, 4, 0xFF}));
  EXPECT_EQ(sent[3], (Bytes{0xFF, 0x37, 3}));
  EXPECT_EQ(sent[4], (Bytes{0xFF, 0xFA, 0xFF, 3, 0xFF}));
  EXPECT_EQ(info.DirReply.size(), 4u + 32 * simulator->Files(devsim::kLanguageArea).size());
  EXPECT_EQ(waits, (std::vector<int>{20, 20, 200, 20, 200}));
}

TEST_F(ReadActionsOverBusTest, IdentityDecidesWhetherTheActionRuns) {
  StartDevice();
  simulator->SetIdentity(25);
  Transfer(TAction::ReadPictureDir);
  EXPECT_TRUE(link->LinkOk) << link->Status;
  EXPECT_EQ(Sent().size(), 2u);

  // Another device answered: told once, the program ends, the action never starts.
  simulator->SetIdentity(18);
  Transfer(TAction::ReadPictureDir);
  EXPECT_FALSE(link->LinkOk);
  EXPECT_EQ(host.notices, (std::vector<std::pair<TNoticeKind, int>>{{TNoticeKind::Error, 65182}}));
  EXPECT_EQ(host.terminateRequests, 1);
  EXPECT_EQ(Sent().size(), 3u);

  // No answer at all is a failed link to retry, not a wrong device.
  host.notices.clear();
  host.terminateRequests = 0;
  simulator->SetIdentity(17);
  simulator->SetFaults(devsim::Faults{.dropAfter = 1});
  Transfer(TAction::ReadPictureDir);
  EXPECT_FALSE(link->LinkOk);
  EXPECT_TRUE(host.notices.empty());
  EXPECT_EQ(host.terminateRequests, 0);
}

TEST_F(ReadActionsOverBusTest, LinkLostInTheThirdFileStopsTheReadAndARetryStartsClean) {
  StartDevice(7, devsim::Faults{.dropAfter = 5});  // identity, area, files 1 and 2, file 3
  host.SetPictureCatalogue(7);
  Transfer(TAction::ReadAllPictures);
  EXPECT_FALSE(link->LinkOk);
  const std::vector<Bytes> files = simulator->Files(devsim::kPictureArea);
  const std::vector<Bytes> firstTwo(files.begin(), files.begin() + 2);
  EXPECT_EQ(Sent().back(), FileRequest(3));
  EXPECT_EQ(Sent().size(), 5u);
  EXPECT_EQ(host.rawFiles, firstTwo);  // nothing for file 3, nothing repeated

  simulator->SetFaults({});
  Transfer(TAction::ReadAllPictures);
  ASSERT_TRUE(link->LinkOk) << link->Status;
  EXPECT_EQ(host.rawFiles, files);
  EXPECT_EQ(Sent().size(), 5u + 9u);
}

TEST_F(ReadActionsOverBusTest, ShortAreaReplyFailsTheLinkBeforeAnyFile) {
  StartDevice(5, devsim::Faults{.shortReply = 2});
  host.SetPictureCatalogue(5);
  Transfer(TAction::ReadAllPictures);
  EXPECT_FALSE(link->LinkOk);
  EXPECT_EQ(Sent().size(), 2u);
  EXPECT_TRUE(host.rawFiles.empty());
  EXPECT_EQ(waits, (std::vector<int>{20, 20, 200}));
}

TEST_F(ReadActionsOverBusTest, OnlyReadCodesAreActedOn) {
  StartDevice();
  Transfer(TAction::None);
  EXPECT_TRUE(host.notices.empty());
  Transfer(TAction::WritePicture);  // a write code in the read direction
  EXPECT_TRUE(link->LinkOk);
  EXPECT_EQ(host.notices, (std::vector<std::pair<TNoticeKind, int>>{{TNoticeKind::Notice, 65183}}));
  EXPECT_EQ(Sent().size(), 2u);  // the two identity commands
}

}  // namespace
