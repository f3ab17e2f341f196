// The write direction against the simulated dive computer in this process, through the real bus
// backend on a private bus; the device's request log and its stored files show what arrived.
#include "transfer/WriteActions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DemoContent.h"
#include "DeviceSimulator.h"
#include "DeviceStore.h"
#include "support/SimulatorOnBus.h"

using platform::Bytes;
using Version = std::pair<std::uint8_t, std::uint8_t>;
using Notices = std::vector<std::pair<TNoticeKind, int>>;

namespace {

struct DeviceSetup {
  Version firmware{5, 1};
  devsim::Faults faults;
  std::size_t factoryPictures = 5;  // of the factory five, the first this many
  std::size_t addedPictures = 0;    // then this many added ones
};

// A picture upload header as the window assembles it.
Bytes PictureHeader() {
  Bytes header = {0x20, 0x0A, 0, 0, 0x00, 0xFF, 0x04, 0xFF, 0x00, 0xFF, 0x00, 0x01};
  for (char c : std::string("Reef            ")) header.push_back(static_cast<std::uint8_t>(c));
  header.insert(header.end(), 4, 0);
  return header;
}

Bytes LanguagePackage(std::size_t contentSize) {
  devsim::FileHeader header;
  header.TypeCode = devsim::kLanguageArea;
  header.Name = "Kiswahili";
  Bytes content(contentSize);
  for (std::size_t i = 0; i < contentSize; ++i) content[i] = static_cast<std::uint8_t>(i * 7);
  return devsim::MakeFile(header, content);
}

// The log in short: one letter per request kind, runs counted ("C21" for 21 content packets).
std::string Shape(const std::vector<Bytes>& sent) {
  auto letter = [](const Bytes& r) -> char {
    if (r == Bytes{0x10}) return 'I';
    if (r.size() < 2 || r[0] != 0xFF) return '?';
    switch (r[1]) {
      case 0x37:
        return 'A';
      case 0xFA:
        return 'D';
      case 0xF5:
        return 'B';
      case 0xD0:
        return 'X';
      case 0xE9:
        return 'E';
      case 0x57:
        return 'S';
      case 0xD2:
        return r.size() > 2 && r[2] < 3 ? "HCL"[r[2]] : '?';
      default:
        return '?';
    }
  };
  std::string shape;
  for (std::size_t i = 0; i < sent.size();) {
    std::size_t run = 1;
    while (i + run < sent.size() && letter(sent[i + run]) == letter(sent[i])) ++run;
    if (!shape.empty()) shape += ' ';
    shape += letter(sent[i]);
    if (run > 1) shape += std::to_string(run);
    i += run;
  }
  return shape;
}

class WriteActionsTest : public testsupport::SimulatorOnBusTest {
 protected:
  // A fresh device with its own state folder, so a firmware write's restart leaves no trace.
  void StartDevice(const DeviceSetup& setup = {}) {
    if (simulator) simulator->Stop();
    devsim::SimulatorConfig config;
    config.stateDirectory = bus.Dir() + "/state" + std::to_string(++devices);
    config.firmware = setup.firmware;
    config.restartMs = 10;
    config.faults = setup.faults;
    StartSimulator(config, [&setup](devsim::AreaContent& area) {
      area.files.resize(setup.factoryPictures);
      for (std::size_t i = 0; i < setup.addedPictures; ++i) {
        area.files.push_back(devsim::MakePictureFile("Added " + std::to_string(i + 1),
                                                     devsim::kAddedMark, devsim::DrawFish()));
      }
    });
  }

  // One write transfer as the worker runs it; `sent` gets this transfer's requests.
  void Transfer(TAction action) {
    OpenLink(action);
    ASSERT_TRUE(link->LinkOk) << link->Status;
    const std::size_t before = simulator->Requests().size();
    sleeps.Clear();
    RunWriteActions(*link, info, host);
    waits = sleeps.Waits();
    linkOk = link->LinkOk;
    // Packets get no answer, so the device may still be reading them: one answered request
    // after the action makes sure it has logged them all.
    const bool synced = linkOk && link->ExecuteCommand(CommandTable()[kIdentityCommand]);
    const std::vector<devsim::LoggedRequest> log = simulator->Requests();
    sent.clear();
    for (std::size_t i = before; i + (synced ? 1 : 0) < log.size(); ++i) {
      sent.push_back(log[i].bytes);
    }
    link->CloseClient();
  }

  void ResetHost() { host = testsupport::RecordingTransferHost(); }

  int devices = 0;
  std::vector<Bytes> sent;
  bool linkOk = false;
};

TEST_F(WriteActionsTest, PictureGoesOutAsHeaderFortySevenContentPacketsAndALastPacket) {
  StartDevice();
  info.HeaderPacket = PictureHeader();
  info.PixelData = devsim::DrawReef();
  Transfer(TAction::WritePicture);
  ASSERT_TRUE(linkOk) << link->Status;

  // The ready wait after the last packet is what tells a picture that reached the device from
  // one whose last packets were lost.
  EXPECT_EQ(Shape(sent), "I A H C21 I C21 I C5 L I3");
  EXPECT_EQ(sent[1], (Bytes{0xFF, 0x37, 4}));
  ASSERT_EQ(sent[2].size(), 2u + 33);
  EXPECT_EQ(Bytes(sent[2].begin() + 2, sent[2].begin() + 15),
            (Bytes{0x00, 0x20, 0x0A, 0, 0, 0x00, 0xFF, 0x04, 0xFF, 0x00, 0xFF, 0x00, 0x01}));
  EXPECT_EQ(sent[sent.size() - 4].size(), 2u + 23);
  EXPECT_EQ(info.Identity, 17);
  Bytes file = PictureHeader();
  file.insert(file.end(), info.PixelData.begin(), info.PixelData.end());
  EXPECT_EQ(simulator->Files(devsim::kPictureArea).back(), file);
  EXPECT_EQ(host.maximums, (std::vector<int>{1, 50}));
  EXPECT_EQ(host.eventRounds, 47 + 3);  // after every content packet, before every ready poll
  EXPECT_EQ(std::count(waits.begin(), waits.end(), 200),
            50);  // area command and every packet; quiet polls have none
  EXPECT_TRUE(host.notices.empty());
}

TEST_F(WriteActionsTest, LanguageIsMarkedAddedAndAwaitsTheReadyAnswer) {
  StartDevice();
  const Bytes package = devsim::MakeLanguageFile("Polski", devsim::kFactoryMark, 3242);
  info.Package = package;
  Transfer(TAction::WriteLanguage);
  ASSERT_TRUE(linkOk) << link->Status;

  // The device answers busy twice after an upload, then ready.
  EXPECT_EQ(Shape(sent), "I A H C21 I C21 I C17 L I3");
  EXPECT_EQ(sent[1], (Bytes{0xFF, 0x37, 3}));
  EXPECT_EQ(sent[2][3 + 5], 0xFF);
  EXPECT_EQ(sent[sent.size() - 4].size(), 2u + 25);  // kind byte and 24 content bytes
  EXPECT_EQ(host.maximums, (std::vector<int>{1, 64}));
  EXPECT_EQ(info.Identity, 17);
  Bytes stored = package;
  stored[5] = devsim::kAddedMark;
  EXPECT_EQ(simulator->Files(devsim::kLanguageArea).back(), stored);
}

TEST_F(WriteActionsTest, ShortContentEndsWithExactlyOneLastPacket) {
  StartDevice();
  struct Case {
    std::size_t content;
    const char* shape;
    std::size_t lastPacket;  // with its kind byte
  };
  for (const Case& c :
       {Case{0, "I A H L I3", 1}, Case{54, "I A H L I3", 55}, Case{108, "I A H C L I3", 55}}) {
    SCOPED_TRACE("content " + std::to_string(c.content));
    info.Package = LanguagePackage(c.content);
    Transfer(TAction::WriteLanguage);
    ASSERT_TRUE(linkOk) << link->Status;
    EXPECT_EQ(Shape(sent), c.shape);
    EXPECT_EQ(sent[sent.size() - 4].size(), 2 + c.lastPacket);
    EXPECT_EQ(simulator->Files(devsim::kLanguageArea).back().size(), 32 + c.content);
  }
}

TEST_F(WriteActionsTest, FirmwareVersionGate) {
  struct Case {
    Version file, device;
    bool passes;
  };
  for (const Case& c :
       {Case{{2, 1}, {6, 2}, true}, Case{{2, 0}, {2, 1}, false}, Case{{3, 0}, {2, 9}, true},
        Case{{4, 9}, {5, 1}, false}, Case{{1, 7}, {5, 1}, true}, Case{{2, 1}, {5, 1}, true}}) {
    SCOPED_TRACE(std::to_string(c.file.first) + "." + std::to_string(c.file.second) + " on " +
                 std::to_string(c.device.first) + "." + std::to_string(c.device.second));
    StartDevice({.firmware = c.device, .faults = {}});
    ResetHost();
    info.Package = devsim::MakeFirmwareFile(c.file.first, c.file.second, "FW", {6000});
    Transfer(TAction::WriteFirmware);
    EXPECT_TRUE(linkOk) << link->Status;
    EXPECT_EQ(sent[1], (Bytes{0xFF, 0xFA, 0xFF, 5, 0xFF}));
    EXPECT_EQ(simulator->FirmwareVersion(), c.passes ? c.file : c.device);
    if (c.passes) {
      EXPECT_EQ(Shape(sent), "I D B I H I C101 I C10 L");  // a quiet poll after packet 101
      EXPECT_EQ(host.lastPartFlags, std::vector<bool>{true});
      EXPECT_TRUE(host.notices.empty());
      // The steps alone stop short of the maximum (121): the bar is filled once the part is out.
      EXPECT_EQ(host.position, host.maximums.back());
    } else {
      EXPECT_EQ(Shape(sent), "I D");
      EXPECT_EQ(host.notices, (Notices{{TNoticeKind::Warning, 65168}}));
      EXPECT_EQ(host.cursorRestores, 1);
      EXPECT_TRUE(host.lastPartFlags.empty());
    }
  }
}

TEST_F(WriteActionsTest, SameVersionAsksAndTheBatteryMustShowFiveSegments) {
  StartDevice();
  info.Package = devsim::MakeFirmwareFile(5, 1, "FW 5.1 reissue", {4000});
  Transfer(TAction::WriteFirmware);
  EXPECT_EQ(Shape(sent), "I D");
  EXPECT_EQ(host.questions, std::vector<int>{65184});
  EXPECT_EQ(host.cursorRestores, 1);

  simulator->SetBattery(4);
  host.yesNoAnswers = {true};
  Transfer(TAction::WriteFirmware);
  EXPECT_TRUE(linkOk);
  EXPECT_EQ(Shape(sent), "I D B");
  EXPECT_EQ(host.notices, (Notices{{TNoticeKind::Warning, 65215}}));
  EXPECT_EQ(host.cursorRestores, 2);
  EXPECT_EQ(host.position, 0);

  simulator->SetBattery(5);
  host.yesNoAnswers = {true};
  Transfer(TAction::WriteFirmware);
  EXPECT_TRUE(linkOk) << link->Status;
  EXPECT_EQ(Shape(sent), "I D B I H I C74 L");
  EXPECT_EQ(host.lastPartFlags, std::vector<bool>{true});
}

TEST_F(WriteActionsTest, FirmwarePartsFollowEachOtherWithReadyWaitsAndNoLongPauses) {
  StartDevice();
  const Bytes package = devsim::MakeFirmwareFile(6, 0, "FW 6.0 3 parts", {5000, 3500, 2222});
  info.Package = package;
  Transfer(TAction::WriteFirmware);
  ASSERT_TRUE(linkOk) << link->Status;

  EXPECT_EQ(Shape(sent), "I D B I H I C92 L I3 H I C64 L I3 H I C41 L");
  EXPECT_EQ(host.lastPartFlags, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(host.maximums, (std::vector<int>{1, 10818 / 54 + 10}));
  EXPECT_EQ(host.position, host.maximums.back());
  EXPECT_EQ(std::count(waits.begin(), waits.end(), 200), 1);  // only after the directory read
  EXPECT_EQ(waits.size(), 1 + sent.size());
  EXPECT_EQ(simulator->FirmwareVersion(), (Version{6, 0}));
  EXPECT_EQ(simulator->Files(devsim::kFirmwareArea), devsim::SplitFirmwareParts(package));
}

TEST_F(WriteActionsTest, DeletesGoFromTheHighestPositionDown) {
  StartDevice({.faults = {}, .factoryPictures = 3, .addedPictures = 3});
  const std::vector<Bytes> before = simulator->Files(devsim::kPictureArea);
  host.deleteList = {0xAB0404FF, 0xCD0604FF};  // the top byte means nothing
  Transfer(TAction::DeleteFiles);
  ASSERT_TRUE(linkOk) << link->Status;

  EXPECT_EQ(Shape(sent), "I X2 I3");
  EXPECT_EQ(sent[1], (Bytes{0xFF, 0xD0, 0xFF, 4, 6, 0}));
  EXPECT_EQ(sent[2], (Bytes{0xFF, 0xD0, 0xFF, 4, 4, 0}));
  EXPECT_EQ(host.maximums, (std::vector<int>{1, 3}));
  EXPECT_EQ(simulator->Files(devsim::kPictureArea),
            (std::vector<Bytes>{before[0], before[1], before[2], before[4]}));
}

TEST_F(WriteActionsTest, DefaultsCleanUpAndCodesWithoutAWrite) {
  StartDevice();
  host.defaultPosition = 3;
  Transfer(TAction::SetStartupPicture);
  EXPECT_EQ(sent, (std::vector<Bytes>{{0x10}, {0xFF, 0x57, 0xFF, 4, 3}}));
  EXPECT_EQ(simulator->DefaultIndex(devsim::kPictureArea), 3);
  host.defaultPosition = 2;
  Transfer(TAction::SetDefaultLanguage);
  EXPECT_EQ(sent.back(), (Bytes{0xFF, 0x57, 0xFF, 3, 2}));
  EXPECT_EQ(simulator->DefaultIndex(devsim::kLanguageArea), 2);

  for (const TAction action : {TAction::ReadLanguages, TAction::ReadPictureDir, TAction::None})
    Transfer(action);
  EXPECT_EQ(Shape(sent), "I");
  Transfer(TAction::ReadAllPictures);
  EXPECT_EQ(host.notices, (Notices{{TNoticeKind::Notice, 65183}}));

  Transfer(TAction::CleanUpMemory);
  EXPECT_TRUE(linkOk) << link->Status;
  EXPECT_EQ(Shape(sent), "I E I3");
  EXPECT_EQ(sent[1], (Bytes{0xFF, 0xE9, 0, 0, 0, 0}));
  EXPECT_EQ(host.terminateRequests, 1);

  // The program ends even when the device is lost during the clean-up.
  simulator->SetFaults({.dropAfter = 2});
  Transfer(TAction::CleanUpMemory);
  EXPECT_FALSE(linkOk);
  EXPECT_EQ(host.terminateRequests, 2);
}

TEST_F(WriteActionsTest, LostLinkOrStopRequestEndsThePictureAtOnce) {
  // Request 25 is the quiet poll after content packet 21; the device drops the link there.
  StartDevice({.faults = {.dropAfter = 25}});
  info.HeaderPacket = PictureHeader();
  info.PixelData = devsim::DrawReef();
  Transfer(TAction::WritePicture);
  EXPECT_FALSE(linkOk);
  EXPECT_EQ(Shape(sent), "I A H C21 I");
  EXPECT_EQ(host.steps, 24);  // nothing tried after the failed poll
  EXPECT_EQ(simulator->Files(devsim::kPictureArea).size(), 5u);

  simulator->SetFaults({});
  ResetHost();
  host.stopAfterSteps = 10;
  Transfer(TAction::WritePicture);
  EXPECT_EQ(Shape(sent), "I A H C7");
  EXPECT_EQ(simulator->Files(devsim::kPictureArea).size(), 5u);
}

TEST_F(WriteActionsTest, PackagesThatClaimMoreThanTheyHoldAreRefusedUnsent) {
  StartDevice();
  const Bytes language = devsim::MakeLanguageFile("Polski", devsim::kFactoryMark, 3242);
  const Bytes firmware = devsim::MakeFirmwareFile(6, 0, "FW", {500, 300, 200});
  Bytes smallFileSize = language;
  smallFileSize[0] = 31;
  smallFileSize[1] = 0;
  Bytes extraPart = firmware;
  extraPart[5] = 3;
  Bytes smallPart = firmware;
  platform::WriteLE32(smallPart, 532, 16);
  Bytes bigPicture = PictureHeader();
  bigPicture[0] = 0x21;

  struct Case {
    const char* what;
    TAction action;
    Bytes package, header, pixels;
  };
  const std::vector<Case> cases = {
      {"truncated language",
       TAction::WriteLanguage,
       Bytes(language.begin(), language.end() - 1),
       {},
       {}},
      {"FileSize below the header", TAction::WriteLanguage, smallFileSize, {}, {}},
      {"shorter than a header", TAction::WriteLanguage, Bytes(20, 0x20), {}, {}},
      {"short pixel data", TAction::WritePicture, {}, PictureHeader(), Bytes(2559, 0)},
      {"header claims more pixels", TAction::WritePicture, {}, bigPicture, Bytes(2560, 0)},
      {"last part cut short",
       TAction::WriteFirmware,
       Bytes(firmware.begin(), firmware.end() - 1),
       {},
       {}},
      {"more parts announced than held", TAction::WriteFirmware, extraPart, {}, {}},
      {"part size below the header", TAction::WriteFirmware, smallPart, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetHost();
    info = TDeviceInfo{};
    info.Package = c.package;
    info.HeaderPacket = c.header;
    info.PixelData = c.pixels;
    Transfer(c.action);
    EXPECT_TRUE(linkOk) << link->Status;
    EXPECT_EQ(Shape(sent), "I");
    EXPECT_EQ(host.notices, (Notices{{TNoticeKind::Error, 65168}}));
    EXPECT_EQ(host.cursorRestores, c.action == TAction::WriteFirmware ? 1 : 0);
  }

  // SendContent keeps to its source whoever calls it.
  link->LinkOk = true;
  link->CreateDataSocket(devsim::kDefaultDeviceId);
  link->ConnectDevice(false);
  ASSERT_TRUE(link->LinkOk) << link->Status;
  TRequestPrimitives requests(*link, host);
  ResetHost();
  EXPECT_FALSE(SendContent(requests, 10, 1, 20, Bytes(9)));
  EXPECT_FALSE(SendContent(requests, 0, 11, 20, Bytes(9)));
  EXPECT_FALSE(SendContent(requests, 5, 0, 20, Bytes(9)));
  EXPECT_EQ(host.steps, 0);
  link->CloseClient();
}

}  // namespace
