// The transfer session without a window, against the simulated dive computer on a private bus:
// retries that must find out what a failed attempt left on the device, writes that send
// nothing, and what the results do to the catalogue.
#include "transfer/TransferSession.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <string>
#include <vector>

#include "DemoContent.h"
#include "devsim/BusClient.h"
#include "picture/PictureCodec.h"
#include "support/PumpEvents.h"
#include "support/RecordingSessionView.h"
#include "support/SimulatorOnBus.h"

using platform::Bytes;

namespace {

// Factory Diver, Compass and Reef, then the added Fish, Dive flag and Keepme.
void ThreeAddedPictures(devsim::AreaContent& area) {
  area.files = devsim::DemoPictures();
  area.files.push_back(
      devsim::MakePictureFile("Keepme", devsim::kAddedMark, devsim::DrawDiveFlag()));
}

std::vector<std::string> Names(const std::vector<Bytes>& files) {
  std::vector<std::string> names;
  for (const Bytes& file : files) names.push_back(devsim::ParseHeader(file).Name);
  return names;
}

class TransferSessionTest : public testsupport::SimulatorOnBusTest {
 protected:
  template <typename EditPictures>
  void Start(devsim::SimulatorConfig config, EditPictures edit) {
    config.stateDirectory = state.path().toStdString();
    StartSimulator(config, edit);
    session.SetDeviceId(devsim::kDefaultDeviceId);
  }

  // Runs one action to its end, retries included.
  void Run(TTransferRequest request) {
    request.Results = &view;
    ASSERT_TRUE(session.Start(std::move(request)));
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !session.Busy(); }));
  }

  void ReadPictures() {
    Run({.Action = TAction::ReadPictureDir});
    Run({.Action = TAction::ReadAllPictures});
  }

  std::vector<std::string> CatalogueNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < session.Catalogue().CatalogueCount(); ++i)
      names.push_back(session.Catalogue().Entry(i)->NameText().toStdString());
    return names;
  }

  QTemporaryDir state;
  testsupport::RecordingSessionView view;
  TTransferSession session{view};
};

// Requests of the delete connection: identity (1), the deletes of Dive flag (2) and Fish (3),
// then the ready polls (4...). The link drops when the device has read request N, unhandled.
TEST_F(TransferSessionTest, RetriedDeleteRemovesExactlyTheSelectedFiles) {
  for (const int dropAt : {2, 3, 4}) {
    SCOPED_TRACE("dropped at request " + std::to_string(dropAt));
    Start({}, ThreeAddedPictures);
    ReadPictures();
    ASSERT_EQ(session.Catalogue().CatalogueCount(), 6);
    devsim::Faults faults;
    faults.dropAfter = dropAt;
    faults.once = true;
    simulator->SetFaults(faults);

    Run({.Action = TAction::DeleteFiles, .Entries = {3, 4}});  // Fish and Dive flag
    const std::vector<std::string> kept = {"Diver", "Compass", "Reef", "Keepme"};
    EXPECT_EQ(Names(simulator->Files(4)), kept);
    EXPECT_EQ(CatalogueNames(), kept);
    EXPECT_EQ(view.ends.back(), TTransferEnd::Succeeded);
    ASSERT_EQ(view.deleted.size(), 1u);
    EXPECT_EQ(view.deleted[0], (std::vector<int>{4, 3}));
    EXPECT_EQ(session.Catalogue().FileCount(), 4);
    simulator->Stop();
    simulator.reset();
    view = {};
  }
}

TEST_F(TransferSessionTest, DeleteRetryAfterTheDeviceChangedOtherwiseLeavesDoubtfulFilesAlone) {
  Start({}, ThreeAddedPictures);
  ReadPictures();
  // Another program has added a second "Fish" since the read: which one the user meant is
  // unknowable, so only Dive flag goes, and the page is to be read again.
  simulator->Stop();
  devsim::DeviceStore store(state.path().toStdString());
  devsim::DeviceMemory memory;
  std::string error;
  ASSERT_TRUE(store.Load(memory, 5, 1, error));
  devsim::AreaContent& pictures = memory[*devsim::AreaSlot(4)];
  pictures.files.push_back(devsim::MakePictureFile("Fish", devsim::kAddedMark, devsim::DrawFish()));
  ASSERT_TRUE(store.Save(4, pictures, error));
  devsim::Faults faults;
  faults.dropAfter = 2;
  faults.once = true;
  devsim::SimulatorConfig config;
  config.faults = faults;
  config.busDirectory = bus.Dir();
  config.stateDirectory = state.path().toStdString();
  simulator = std::make_unique<devsim::DeviceSimulator>(config);
  ASSERT_TRUE(simulator->Start(&error)) << error;

  Run({.Action = TAction::DeleteFiles, .Entries = {3, 4}});
  EXPECT_EQ(Names(simulator->Files(4)),
            (std::vector<std::string>{"Diver", "Compass", "Reef", "Fish", "Keepme", "Fish"}));
  EXPECT_EQ(view.outdated, 1);
  EXPECT_TRUE(view.deleted.empty());
}

// 3242 bytes: identity, area, header, 59 content packets with two quiet polls, the last packet
// (request 65), then the ready polls. The device has stored the file when the link drops at 66.
TEST_F(TransferSessionTest, WriteRetriedAfterOnlyItsReadyWaitFailedLeavesOneCopy) {
  Start({}, [](devsim::AreaContent&) {});
  Run({.Action = TAction::ReadLanguages});
  const int before = session.Catalogue().CatalogueCount();
  devsim::Faults faults;
  faults.dropAfter = 66;
  faults.once = true;
  simulator->SetFaults(faults);

  Run({.Action = TAction::WriteLanguage, .Package = devsim::MakeLanguageFile("Polski", 0, 3242)});
  const std::vector<Bytes> languages = simulator->Files(3);
  EXPECT_EQ(std::count_if(languages.begin(), languages.end(),
                          [](const Bytes& f) { return devsim::ParseHeader(f).Name == "Polski"; }),
            1);
  EXPECT_EQ(session.Retries(), 1);
  EXPECT_EQ(view.ends.back(), TTransferEnd::Succeeded);
  EXPECT_EQ(view.languagesWritten, 1);
  EXPECT_EQ(session.Catalogue().CatalogueCount(), before + 1);
  // The retry looked before it wrote: one directory read, no second header packet.
  int headerPackets = 0;
  for (const auto& request : simulator->Requests())
    headerPackets += request.bytes.size() > 2 && request.bytes[1] == 0xD2 && request.bytes[2] == 0;
  EXPECT_EQ(headerPackets, 1);
}

TEST_F(TransferSessionTest, RefusedLanguageWriteListsNothingAndKeepsTheCatalogue) {
  Start({}, [](devsim::AreaContent&) {});
  Run({.Action = TAction::ReadLanguages});
  const int before = session.Catalogue().CatalogueCount();
  Bytes truncated = devsim::MakeLanguageFile("Polski", 0, 3242);
  truncated.resize(1000);  // the header still claims 3242 bytes
  Run({.Action = TAction::WriteLanguage, .Package = truncated});
  EXPECT_EQ(view.notices, (std::vector<std::pair<TNoticeKind, int>>{{TNoticeKind::Error, 65168}}));
  EXPECT_EQ(view.languagesWritten, 0);
  EXPECT_EQ(session.Catalogue().CatalogueCount(), before);
  EXPECT_EQ(session.FileRequestParam(before - 1)[2], before);  // positions still the device's
  EXPECT_EQ(simulator->Files(3).size(), static_cast<std::size_t>(before));
}

TEST_F(TransferSessionTest, ShortPictureReplyKeepsItsPlaceWithoutAPicture) {
  Start({}, [](devsim::AreaContent& area) {
    area.files = devsim::DemoPictures();
    Bytes cut = devsim::MakePictureFile("Torn", devsim::kAddedMark, devsim::DrawFish());
    cut.resize(600);
    platform::WriteLE32(cut, 0, 600);
    area.files.insert(area.files.begin() + 3, cut);
  });
  ReadPictures();
  EXPECT_EQ(view.listed, (std::vector<std::string>{"Diver", "Compass", "Reef", "Torn (unreadable)",
                                                   "Fish", "Dive flag"}));
  ASSERT_EQ(session.Catalogue().CatalogueCount(), 6);
  EXPECT_TRUE(session.Catalogue().Entry(3)->Image.isNull());
  QImage fish = MakeWorkingPicture();
  DecodePicture(simulator->Files(4)[4], fish);
  EXPECT_EQ(session.Catalogue().Entry(4)->Image, fish);
}

// The default mark as the area reply names it, the fallback when it names nothing, and where it
// goes when the default item is deleted: to the second picture, to the first language, never to
// the entry going away.
TEST_F(TransferSessionTest, DefaultMarkFollowsTheAreaReplyAndDeletes) {
  struct Case {
    std::uint8_t area;
    std::vector<int> pictures;    // which demo pictures the device holds
    std::uint16_t deviceDefault;  // 1-based, as the device reports it; 0 is invalid
    std::vector<int> deleted;     // catalogue indexes selected for deletion
    int afterRead;                // DefaultPosition
    int afterDelete;
    int deviceAfterDelete;
  };
  const Case cases[] = {
      {4, {0, 1, 2, 3, 4}, 5, {4}, 5, 2, 2},  // Dive flag is the default and is deleted
      {4, {0, 1, 2, 3, 4}, 0, {}, 2, 2, 0},   // invalid index: the second picture, with a message
      {4, {0, 3}, 2, {1}, 2, 0, 1},           // the second picture is the default and goes
      {3, {0}, 4, {3}, 4, 1, 1},              // the added Español is the default and is deleted
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.area) + "/" + std::to_string(c.deviceDefault));
    Start({}, [&](devsim::AreaContent& area) {
      const std::vector<Bytes> demo = devsim::DemoPictures();
      area.files.clear();
      for (const int i : c.pictures) area.files.push_back(demo[static_cast<std::size_t>(i)]);
      area.defaultIndex = c.area == 4 ? c.deviceDefault : 1;
    });
    if (c.area == 3) {
      devsim::DeviceStore store(state.path().toStdString());
      devsim::DeviceMemory memory;
      std::string error;
      simulator->Stop();
      ASSERT_TRUE(store.Load(memory, 5, 1, error));
      memory[*devsim::AreaSlot(3)].defaultIndex = c.deviceDefault;
      ASSERT_TRUE(store.Save(3, memory[*devsim::AreaSlot(3)], error));
      ASSERT_TRUE(simulator->Start(&error)) << error;
      Run({.Action = TAction::ReadLanguages});
    } else {
      ReadPictures();
    }
    EXPECT_EQ(session.Catalogue().DefaultPosition(), c.afterRead);
    EXPECT_EQ(view.notices.size(), c.deviceDefault == 0 ? 1u : 0u);
    if (!c.deleted.empty()) {
      Run({.Action = TAction::DeleteFiles, .Entries = c.deleted});
      EXPECT_EQ(session.Catalogue().DefaultPosition(), c.afterDelete);
      EXPECT_EQ(view.defaultToFirst, c.area == 3);
      EXPECT_EQ(simulator->DefaultIndex(c.area), c.deviceAfterDelete);
    }
    simulator->Stop();
    simulator.reset();
    view = {};
    session.ClearCatalogue();
  }
}

// A delete of Dive flag reaches the device, then the link fails on every retry and the transfer
// gives up: the catalogue still lists Dive flag, and Keepme, behind it, has moved a place down on
// the device. The next write of the area works from the directory as the device has it then, and
// the page is read again afterwards.
TEST_F(TransferSessionTest, AfterAGivenUpWriteTheNextOneWorksFromTheDevicesDirectory) {
  using TNames = std::vector<std::string>;
  const TNames left = {"Diver", "Compass", "Reef", "Fish", "Keepme"};
  const struct {
    const char* what;
    TAction action;
    std::vector<int> selected;  // for a delete
    int defaultEntry;           // for a startup picture: the catalogue entry ticked
    devsim::Faults faults;
    TNames stored;
    int storedDefault;  // 0: not looked at
  } rows[] = {
      {"Dive flag deleted again: nothing more goes", TAction::DeleteFiles, {4}, -1, {}, left, 0},
      {"Keepme deleted: Keepme goes",
       TAction::DeleteFiles,
       {5},
       -1,
       {},
       {"Diver", "Compass", "Reef", "Fish"},
       0},
      {"Keepme made the startup picture", TAction::SetStartupPicture, {}, 5, {}, left, 5},
      {"Dive flag made the startup picture: it is gone, nothing is sent",
       TAction::SetStartupPicture,
       {},
       4,
       {},
       left,
       1},
      // Identity, directory, area, header, 47 content packets with two quiet polls, the last
      // packet (54): stored, then the link is lost; the retry finds the picture there.
      {"a picture whose ready answer is lost: stored once",
       TAction::WritePicture,
       {},
       -1,
       {.endAfter = 54, .once = true},
       {"Diver", "Compass", "Reef", "Fish", "Keepme", "Drawn"},
       0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Start({}, [](devsim::AreaContent& area) {
      ThreeAddedPictures(area);
      area.defaultIndex = 1;
    });
    ReadPictures();
    ASSERT_EQ(session.Catalogue().CatalogueCount(), 6);
    simulator->SetFaults({.endAfter = 2});
    Run({.Action = TAction::DeleteFiles, .Entries = {4}});
    ASSERT_EQ(view.ends.back(), TTransferEnd::GaveUp);
    ASSERT_EQ(Names(simulator->Files(4)), left);
    EXPECT_FALSE(session.CatalogueTrusted());
    EXPECT_EQ(CatalogueNames().size(), 6u);  // what the window still shows

    simulator->SetFaults(row.faults);
    view.outdated = 0;
    session.MoveDefault(row.defaultEntry, -1);
    Run({.Action = row.action,
         .Picture = MakeWorkingPicture(),
         .PictureName = "Drawn.bmp",
         .Entries = row.selected});
    EXPECT_EQ(view.ends.back(), TTransferEnd::Succeeded);
    // The default command gets no answer: the device serves one connection at a time, so once a
    // probe gets its answer, it has dealt with everything it was sent.
    EXPECT_EQ(devsimtest::BusClient(simulator->SocketPath()).Identity(), 17);
    EXPECT_EQ(Names(simulator->Files(4)), row.stored);
    if (row.storedDefault) {
      EXPECT_EQ(simulator->DefaultIndex(4), row.storedDefault);
    }
    EXPECT_EQ(view.outdated, 1);  // and the page shows what the device holds once it is read

    simulator->Stop();
    simulator.reset();
    view = {};
    session.ClearCatalogue();
  }
}

}  // namespace
