// The simulator in this process on a temporary bus, spoken to over its socket like a tool would.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <memory>

#include "DemoContent.h"
#include "DeviceSimulator.h"
#include "devsim/BusClient.h"

namespace devsim {
namespace {

using namespace devsimtest;
namespace fs = std::filesystem;

std::vector<std::string> HeaderNames(const Bytes& directory) {
  std::vector<std::string> names;
  for (std::size_t at = 4; at + kHeaderSize <= directory.size(); at += kHeaderSize) {
    names.push_back(
        ParseHeader(Bytes(directory.begin() + static_cast<std::ptrdiff_t>(at), directory.end()))
            .Name);
  }
  return names;
}

Faults Fault(int Faults::*which, int request) {
  Faults faults;
  faults.*which = request;
  return faults;
}

class DeviceSimulatorTest : public ::testing::Test {
 protected:
  SimulatorConfig Config() const {
    SimulatorConfig config;
    config.busDirectory = dir / "bus";
    config.stateDirectory = dir / "state";
    config.id = {0x0A, 0x1B, 0x2C, 0x3D};
    config.name = "Test unit";
    config.restartMs = 0;
    return config;
  }
  void StartWith(const SimulatorConfig& config) {
    sim = std::make_unique<DeviceSimulator>(config);
    std::string error;
    ASSERT_TRUE(sim->Start(&error)) << error;
  }
  void SetUp() override { StartWith(Config()); }
  std::unique_ptr<BusClient> Connect() const {
    auto client = std::make_unique<BusClient>(sim->SocketPath());
    EXPECT_TRUE(client->Connected());
    return client;
  }
  // Takes the device off the bus and binds a socket of our own in its place.
  int BindInItsPlace(sockaddr_un& address) {
    sim->Stop();
    fs::create_directory(sim->DeviceDirectory());
    address = {.sun_family = AF_UNIX, .sun_path = {}};
    std::strcpy(address.sun_path, sim->SocketPath().c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
  }
  bool HasNote(const std::string& part) const {
    for (const std::string& note : sim->Notes()) {
      if (note.find(part) != std::string::npos) return true;
    }
    return false;
  }

  TempDir dir;  // outlives the simulator
  std::unique_ptr<DeviceSimulator> sim;
};

TEST_F(DeviceSimulatorTest, JoinsTheBusAndLeavesItOnStop) {
  const std::string device = dir / "bus/0a1b2c3d";
  EXPECT_EQ(sim->DeviceDirectory(), device);
  struct stat info;
  ASSERT_EQ(::stat((dir / "bus").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat((device + "/LSAP-SEL01").c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  std::ifstream name(device + "/name");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(name), {}), "Test unit");

  sim->Stop();
  EXPECT_FALSE(fs::exists(device));
  EXPECT_TRUE(fs::exists(dir / "bus"));
  sim->Stop();  // twice is harmless

  SimulatorConfig nameless = Config();
  nameless.name.clear();
  StartWith(nameless);
  EXPECT_TRUE(fs::exists(device + "/LSAP-SEL01"));
  EXPECT_FALSE(fs::exists(device + "/name"));
}

TEST_F(DeviceSimulatorTest, AnswersEveryReadCommand) {
  auto client = Connect();
  EXPECT_EQ(client->Identity(), 17);
  EXPECT_EQ(client->Ask({0xFF, 0xF5}, 1), Bytes{7});
  sim->SetIdentity(25);
  sim->SetBattery(4);
  EXPECT_EQ(client->Identity(), 25);
  EXPECT_EQ(client->Ask({0xFF, 0xF5}, 1), Bytes{4});

  for (const std::uint8_t area : kAreas) {
    const std::vector<Bytes> files = sim->Files(area);
    ASSERT_FALSE(files.empty());
    Bytes expectedArea(4, 0);
    platform::WriteLE16(expectedArea, 0, static_cast<std::uint16_t>(files.size()));
    platform::WriteLE16(expectedArea, 2, 1);
    EXPECT_EQ(client->Ask(AreaRequest(area), 4), expectedArea);

    const Bytes directory = client->AskPrefixed(DirectoryRequest(area));
    ASSERT_EQ(directory.size(), 4 + 32 * files.size());
    EXPECT_EQ(platform::ReadLE32(directory, 0), directory.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      EXPECT_TRUE(std::equal(files[i].begin(), files[i].begin() + 32,
                             directory.begin() + static_cast<std::ptrdiff_t>(4 + 32 * i)));
      EXPECT_EQ(client->AskPrefixed(FileRequest(area, static_cast<std::uint8_t>(i + 1))), files[i]);
    }
  }
  EXPECT_EQ(HeaderNames(client->AskPrefixed(DirectoryRequest(kLanguageArea))),
            (std::vector<std::string>{"Italiano", "English", "Deutsch", "Español"}));
  EXPECT_EQ(sim->FirmwareVersion(), (std::pair<std::uint8_t, std::uint8_t>{5, 1}));

  // The commands the tool never issues are still taken, and the stream stays in step.
  EXPECT_EQ(client->Ask({0x00}, 1).size(), 1u);
  EXPECT_EQ(client->Ask({0x14}, 1).size(), 1u);
  ASSERT_TRUE(client->Send({0xFF, 0xE8, 0xFF, 0xE3, 0xE8, 0xE1}));
  EXPECT_EQ(client->Identity(), 25);
}

TEST_F(DeviceSimulatorTest, UnknownRequestEndsTheLink) {
  for (const Bytes& request : {Bytes{0x42}, Bytes{0xFF, 0x99}, Bytes{0xFF, 0xD2, 0x07}}) {
    auto client = Connect();
    ASSERT_TRUE(client->Send(request));
    EXPECT_TRUE(client->PeerClosed()) << platform::ToHex(request);
  }
  EXPECT_TRUE(HasNote("unknown request FF 99"));
  EXPECT_EQ(Connect()->Identity(), 17);
}

TEST_F(DeviceSimulatorTest, PictureWriteReadsBackByteForByte) {
  const Bytes file = MakePictureFile("Octopus", kAddedMark, DrawReef());
  auto client = Connect();
  EXPECT_EQ(client->Ask(AreaRequest(kPictureArea), 4), (Bytes{5, 0, 1, 0}));
  ASSERT_TRUE(SendFile(*client, file));
  EXPECT_EQ(client->WaitReady(), 2);
  EXPECT_EQ(client->Ask(AreaRequest(kPictureArea), 4), (Bytes{6, 0, 1, 0}));
  EXPECT_EQ(client->AskPrefixed(FileRequest(kPictureArea, 6)), file);
  EXPECT_EQ(HeaderNames(client->AskPrefixed(DirectoryRequest(kPictureArea))).back(), "Octopus");
  EXPECT_EQ(sim->Files(kPictureArea).back(), file);

  // The log holds whole packets, the quiet polls in between included.
  const std::vector<LoggedRequest> log = sim->Requests();
  ASSERT_GE(log.size(), 2u + 49);
  EXPECT_EQ(log[1].bytes, BlockPackets(file)[0]);
  EXPECT_EQ(log[1 + 22].bytes, Bytes{0x10});
  EXPECT_EQ(log[1].connection, 1);
}

TEST_F(DeviceSimulatorTest, BusyPollsCountAndResetOnANewConnection) {
  sim->SetBusyPolls(3);
  const std::vector<Bytes> pictures = sim->Files(kPictureArea);
  auto client = Connect();
  ASSERT_TRUE(client->Send(CleanUpRequest()));
  EXPECT_EQ(client->WaitReady(), 3);
  EXPECT_EQ(sim->Files(kPictureArea), pictures);

  ASSERT_TRUE(client->Send(CleanUpRequest()));
  EXPECT_EQ(client->Identity(), 0);
  client->Close();
  EXPECT_EQ(Connect()->Identity(), 17);
}

TEST_F(DeviceSimulatorTest, DeleteShiftsPositionsAndTheDefaultFollowsItsFile) {
  auto client = Connect();
  ASSERT_TRUE(client->Send(DefaultRequest(kPictureArea, 5)));
  EXPECT_EQ(client->Ask(AreaRequest(kPictureArea), 4), (Bytes{5, 0, 5, 0}));
  ASSERT_TRUE(client->Send(DeleteRequest(kPictureArea, 4)));
  EXPECT_EQ(client->WaitReady(), 2);
  EXPECT_EQ(client->Ask(AreaRequest(kPictureArea), 4), (Bytes{4, 0, 4, 0}));
  EXPECT_EQ(HeaderNames(client->AskPrefixed(DirectoryRequest(kPictureArea))),
            (std::vector<std::string>{"Diver", "Compass", "Reef", "Dive flag"}));
  // Factory items and positions past the end are refused, and only noted.
  ASSERT_TRUE(client->Send(DeleteRequest(kPictureArea, 1)));
  ASSERT_TRUE(client->Send(DeleteRequest(kPictureArea, 9)));
  EXPECT_EQ(client->WaitReady(), 2);
  EXPECT_EQ(sim->Files(kPictureArea).size(), 4u);
  EXPECT_TRUE(HasNote("factory item"));
  EXPECT_TRUE(HasNote("no such item"));
}

TEST_F(DeviceSimulatorTest, ProbeConnectionsAreToleratedAndCountNothing) {
  for (int i = 0; i < 3; ++i) BusClient probe(sim->SocketPath());
  sim->SetFaults(Fault(&Faults::dropAfter, 1));
  { BusClient probe(sim->SocketPath()); }
  auto client = Connect();
  ASSERT_TRUE(client->Send({0x10}));
  EXPECT_TRUE(client->PeerClosed());  // the first request of the first real connection
  EXPECT_EQ(sim->Requests().size(), 1u);
  EXPECT_EQ(sim->Connections(), 1);
}

TEST_F(DeviceSimulatorTest, StorageSurvivesARestart) {
  const Bytes file = MakePictureFile("Seahorse", kAddedMark, DrawFish());
  {
    auto client = Connect();
    ASSERT_TRUE(SendFile(*client, file));
    ASSERT_EQ(client->WaitReady(), 2);
    ASSERT_TRUE(client->Send(DefaultRequest(kPictureArea, 6)));
    ASSERT_TRUE(client->Send(DeleteRequest(kLanguageArea, 4)));
    ASSERT_EQ(client->WaitReady(), 2);
  }
  const std::vector<Bytes> languages = sim->Files(kLanguageArea);
  ASSERT_EQ(languages.size(), 3u);
  sim->Stop();
  StartWith(Config());
  EXPECT_EQ(sim->Files(kPictureArea).back(), file);
  EXPECT_EQ(sim->DefaultIndex(kPictureArea), 6);
  EXPECT_EQ(sim->Files(kLanguageArea), languages);
  EXPECT_EQ(Connect()->AskPrefixed(FileRequest(kPictureArea, 6)), file);
}

TEST_F(DeviceSimulatorTest, KeepsOffTheIdOfALiveDeviceButTakesOverAStaleOne) {
  SimulatorConfig twin = Config();
  twin.stateDirectory = dir / "twin";
  DeviceSimulator second(twin);
  std::string error;
  EXPECT_FALSE(second.Start(&error));
  EXPECT_NE(error.find("already on"), std::string::npos) << error;
  EXPECT_EQ(Connect()->Identity(), 17);

  // A device that died leaves its directory and a socket nobody listens on.
  sockaddr_un address;
  ::close(BindInItsPlace(address));
  ASSERT_TRUE(second.Start(&error)) << error;
  BusClient client(second.SocketPath());
  EXPECT_EQ(client.Identity(), 17);
}

TEST_F(DeviceSimulatorTest, KeepsOffAnIdWhoseListenerNeitherAcceptsNorRefuses) {
  sockaddr_un address;
  const int listener = BindInItsPlace(address);
  ASSERT_EQ(::listen(listener, 0), 0);
  // Queue connections nobody accepts until the backlog is full: a blocking connect would now
  // wait for as long as the listener does nothing.
  std::vector<int> queued;
  bool full = false;
  while (!full && queued.size() < 64) {
    queued.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
    const auto* to = reinterpret_cast<const sockaddr*>(&address);
    full = ::connect(queued.back(), to, sizeof address) != 0 && errno == EAGAIN;
  }
  ASSERT_TRUE(full);

  DeviceSimulator second(Config());
  std::string error;
  auto started = std::async(std::launch::async, [&] { return second.Start(&error); });
  const bool inTime = started.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  struct stat info;
  EXPECT_EQ(::stat(address.sun_path, &info), 0);  // the live one keeps its place
  // Closing the listener releases a Start() that blocks, so that this fails instead of hanging.
  for (const int fd : queued) ::close(fd);
  ::close(listener);
  ASSERT_TRUE(inTime);
  EXPECT_FALSE(started.get());
  EXPECT_NE(error.find("already on"), std::string::npos) << error;
}

TEST_F(DeviceSimulatorTest, NotesKeepOnlyTheLatest) {
  auto client = Connect();
  EXPECT_EQ(client->AskPrefixed(FileRequest(kPictureArea, 9)).size(), 4u);
  // Refused defaults leave the link open and each adds a note.
  for (std::size_t i = 0; i < kMaxNotes + 10; ++i) {
    ASSERT_TRUE(client->Send(DefaultRequest(kPictureArea, 0)));
  }
  ASSERT_TRUE(client->Send(DefaultRequest(kPictureArea, 77)));
  EXPECT_EQ(client->Identity(), 17);  // every request before it was handled
  const std::vector<std::string> notes = sim->Notes();
  EXPECT_EQ(notes.size(), kMaxNotes);
  EXPECT_FALSE(HasNote("does not exist"));
  EXPECT_NE(notes.back().find("default 77"), std::string::npos) << notes.back();
}

TEST_F(DeviceSimulatorTest, OnceFaultsFireInOneConnectionOnly) {
  const Bytes file = sim->Files(kPictureArea).front();
  const struct {
    const char* what;
    Faults faults;
  } cases[] = {
      {"drop", {.dropAfter = 2, .once = true}},
      {"silent", {.silentAfter = 1, .once = true}},
      {"short", {.shortReply = 2, .once = true}},
      {"absurd", {.absurdPrefix = 2, .once = true}},
      {"all off, not only the one that fired", {.shortReply = 2, .absurdPrefix = 2, .once = true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim->SetFaults(c.faults);
    for (const bool faulty : {true, false}) {
      auto client = Connect();
      EXPECT_EQ(client->Identity(), 17);
      ASSERT_TRUE(client->Send(FileRequest(kPictureArea, 1)));
      EXPECT_EQ(client->Read(file.size(), 300) == file, !faulty);
    }
  }
}

TEST_F(DeviceSimulatorTest, FirmwareChainUpdatesTheVersionAndRestartsTheDevice) {
  sim->Stop();
  SimulatorConfig config = Config();
  config.restartMs = 300;
  StartWith(config);
  const Bytes firmware = MakeFirmwareFile(6, 0, "FW 6.0", {700, 300, 123});
  const std::vector<Bytes> parts = SplitFirmwareParts(firmware);
  ASSERT_EQ(parts.size(), 3u);
  {
    auto client = Connect();
    const Bytes directory = client->AskPrefixed(DirectoryRequest(kFirmwareArea));
    ASSERT_GE(directory.size(), 36u);
    EXPECT_EQ(directory[15], 5);
    EXPECT_EQ(directory[14], 1);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::vector<Bytes> packets = BlockPackets(parts[i]);
      ASSERT_TRUE(client->Send(packets[0]));
      EXPECT_GE(client->WaitReady(), 0);
      for (std::size_t p = 1; p < packets.size(); ++p) ASSERT_TRUE(client->Send(packets[p]));
      if (i + 1 < parts.size()) {
        EXPECT_EQ(client->WaitReady(), 2);
        EXPECT_EQ(sim->FirmwareVersion(), (std::pair<std::uint8_t, std::uint8_t>{5, 1}));
      }
    }
    EXPECT_EQ(client->Identity(), 0);  // the connection is still served until it ends
  }
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(sim->DeviceDirectory()); }));
  EXPECT_TRUE(WaitUntil([&] { return sim->Restarts() == 1 && sim->OnBus(); }));
  auto client = Connect();
  const Bytes directory = client->AskPrefixed(DirectoryRequest(kFirmwareArea));
  ASSERT_EQ(directory.size(), 4u + 3 * 32);
  EXPECT_EQ(directory[15], 6);
  EXPECT_EQ(directory[14], 0);
  EXPECT_EQ(sim->Files(kFirmwareArea), parts);
  EXPECT_EQ(client->Identity(), 17);
}

TEST_F(DeviceSimulatorTest, StopDoesNotWaitForAClientOrARestart) {
  auto idle = Connect();
  EXPECT_EQ(idle->Identity(), 17);
  auto started = std::chrono::steady_clock::now();
  sim->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  EXPECT_TRUE(idle->PeerClosed());

  SimulatorConfig config = Config();
  config.restartMs = 60000;
  StartWith(config);
  {
    auto client = Connect();
    for (const Bytes& packet : BlockPackets(DemoFirmware(5, 2).front())) {
      ASSERT_TRUE(client->Send(packet));
    }
    EXPECT_EQ(client->WaitReady(), 2);
  }
  ASSERT_TRUE(WaitUntil([&] { return !sim->OnBus(); }));
  started = std::chrono::steady_clock::now();
  sim->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  EXPECT_FALSE(fs::exists(sim->DeviceDirectory()));
}

TEST_F(DeviceSimulatorTest, DropAfterEndsTheLinkUnansweredAndCountsPerConnection) {
  sim->SetFaults(Fault(&Faults::dropAfter, 2));
  for (int connection = 0; connection < 2; ++connection) {
    auto client = Connect();
    EXPECT_EQ(client->Identity(), 17);
    ASSERT_TRUE(client->Send(DefaultRequest(kPictureArea, 2)));
    EXPECT_TRUE(client->PeerClosed());
  }
  EXPECT_EQ(sim->DefaultIndex(kPictureArea), 1);  // the dropped request was never handled
}

TEST_F(DeviceSimulatorTest, SilentAfterKeepsTheLinkOpenWithoutAnswers) {
  sim->SetFaults(Fault(&Faults::silentAfter, 1));
  auto client = Connect();
  EXPECT_EQ(client->Identity(), 17);
  ASSERT_TRUE(client->Send({0xFF, 0xF5}));
  EXPECT_TRUE(client->Read(1, 150).empty());
  EXPECT_FALSE(client->PeerClosed(50));
  sim->Stop();
  EXPECT_TRUE(client->PeerClosed());
}

TEST_F(DeviceSimulatorTest, ShortReplyCutsTheReplyInHalfAndEndsTheLink) {
  sim->SetFaults(Fault(&Faults::shortReply, 2));
  auto client = Connect();
  EXPECT_EQ(client->Identity(), 17);
  ASSERT_TRUE(client->Send(DirectoryRequest(kPictureArea)));
  const Bytes half = client->Read(4096);
  EXPECT_EQ(half.size(), (4u + 5 * 32) / 2);
  EXPECT_EQ(platform::ReadLE32(half, 0), 4u + 5 * 32);
  EXPECT_TRUE(client->PeerClosed());

  sim->SetFaults(Fault(&Faults::shortReply, 1));
  client = Connect();
  ASSERT_TRUE(client->Send({0x10}));
  EXPECT_TRUE(client->Read(1).empty());
  EXPECT_TRUE(client->PeerClosed());
}

TEST_F(DeviceSimulatorTest, AbsurdPrefixReplacesTheLengthOfPrefixedRepliesOnly) {
  sim->SetFaults(Fault(&Faults::absurdPrefix, 1));
  auto client = Connect();
  EXPECT_EQ(client->Identity(), 17);  // request 1 has no prefix: answered as usual
  client = Connect();
  ASSERT_TRUE(client->Send(FileRequest(kPictureArea, 1)));
  const Bytes reply = client->Read(4096 * 2);
  ASSERT_EQ(reply.size(), kPictureFileSize);
  EXPECT_EQ(platform::ReadLE32(reply, 0), 0x7FFFFFFFu);
  EXPECT_TRUE(client->PeerClosed());

  Faults negative = Fault(&Faults::absurdPrefix, 1);
  negative.absurdValue = 0xFFFFFFF0u;
  sim->SetFaults(negative);
  client = Connect();
  EXPECT_EQ(platform::ReadLE32(client->Ask(DirectoryRequest(kLanguageArea), 4), 0), 0xFFFFFFF0u);
}

TEST_F(DeviceSimulatorTest, AbsurdFileSizeEndsTheLinkAndStoresNothing) {
  auto client = Connect();
  Bytes header = BlockPackets(MakePictureFile("x", kAddedMark, DrawFish()))[0];
  platform::WriteLE32(header, 3, 0x7FFFFFFF);
  ASSERT_TRUE(client->Send(header));
  EXPECT_TRUE(client->PeerClosed());
  EXPECT_EQ(sim->Files(kPictureArea).size(), 5u);
  EXPECT_TRUE(HasNote("FileSize 2147483647"));
}

// The faults that shape one request's reply: each row sends its requests in one connection and
// expects these replies (none for a request without one), and the link then ended or not.
TEST_F(DeviceSimulatorTest, ReplyFaultsShapeTheirRequestAndKeepTheStreamInStep) {
  const Bytes picture = sim->Files(kPictureArea).front();
  Bytes cut(picture.begin(), picture.begin() + 100);
  platform::WriteLE32(cut, 0, 100);
  struct Step {
    Bytes request, reply;
  };
  const Bytes kReady{17};
  const struct {
    const char* what;
    Faults faults;
    std::vector<Step> steps;
    bool ended;
    std::uint16_t defaultIndex;  // of the picture area afterwards
  } cases[] = {
      {"end after a request without reply: handled",
       {.endAfter = 2},
       {{{0x10}, kReady}, {DefaultRequest(kPictureArea, 2), {}}},
       true,
       2},
      {"end after an answered request", {.endAfter = 1}, {{{0x10}, kReady}}, true, 1},
      {"file cut to 100 bytes, link kept",
       {.cutReply = 2, .cutBytes = 100},
       {{{0x10}, kReady}, {FileRequest(kPictureArea, 1), cut}, {{0x10}, kReady}},
       false,
       1},
      {"cut to less than its prefix: the prefix alone",
       {.cutReply = 1, .cutBytes = 2},
       {{DirectoryRequest(kPictureArea), {4, 0, 0, 0}}, {{0x10}, kReady}},
       false,
       1},
      {"identity polls 2 and 3 foreign",
       {.identityFrom = 2, .identityCount = 2, .identityValue = 18},
       {{{0x10}, kReady}, {{0x10}, {18}}, {{0x10}, {18}}, {{0x10}, kReady}},
       false,
       1},
      {"every identity poll busy",
       {.identityFrom = 1, .identityValue = 0},
       {{{0x10}, {0}}, {{0xFF, 0xF5}, {7}}, {{0x10}, {0}}},
       false,
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim->SetFaults(c.faults);
    auto client = Connect();
    for (const Step& step : c.steps) {
      ASSERT_TRUE(client->Send(step.request));
      if (!step.reply.empty()) {
        EXPECT_EQ(client->Read(step.reply.size() + 1, 200), step.reply);
      }
    }
    EXPECT_EQ(client->PeerClosed(100), c.ended);
    EXPECT_EQ(sim->DefaultIndex(kPictureArea), c.defaultIndex);
    sim->SetFaults({});
    client = Connect();
    ASSERT_TRUE(client->Send(DefaultRequest(kPictureArea, 1)));
    EXPECT_EQ(client->Identity(), 17);
  }
}

TEST_F(DeviceSimulatorTest, DirectoryFaultsListMoreEntriesThanAnAreaHoldsOrNoise) {
  const std::vector<Bytes> pictures = sim->Files(kPictureArea);
  auto client = Connect();
  const Bytes honest = client->AskPrefixed(DirectoryRequest(kPictureArea));

  sim->SetFaults({.directoryEntries = 256});
  const Bytes padded = client->AskPrefixed(DirectoryRequest(kPictureArea));
  ASSERT_EQ(padded.size(), 4u + 256 * 32);
  EXPECT_EQ(platform::ReadLE32(padded, 0), padded.size());
  EXPECT_TRUE(std::equal(honest.begin() + 4, honest.end(), padded.begin() + 4));
  const std::vector<std::string> names = HeaderNames(padded);
  EXPECT_EQ(names[5], "Extra 6");
  EXPECT_EQ(names[255], "Extra 256");
  // The listed extras are served: the last stored picture under its new name, as added.
  Bytes extra = pictures.back();
  std::fill_n(extra.begin() + 12, 16, 0);
  const std::string name = "Extra 255";
  std::copy(name.begin(), name.end(), extra.begin() + 12);
  extra[5] = kAddedMark;
  EXPECT_EQ(client->AskPrefixed(FileRequest(kPictureArea, 255)), extra);
  EXPECT_TRUE(std::equal(extra.begin() + 32, extra.end(), pictures.back().begin() + 32));
  EXPECT_EQ(client->AskPrefixed(FileRequest(kPictureArea, 5)), pictures[4]);

  sim->SetFaults({.garbageDirectory = true});
  const Bytes noise = client->AskPrefixed(DirectoryRequest(kPictureArea));
  ASSERT_EQ(noise.size(), honest.size());
  EXPECT_EQ(platform::ReadLE32(noise, 0), noise.size());
  EXPECT_FALSE(std::equal(honest.begin() + 4, honest.end(), noise.begin() + 4));
  EXPECT_EQ(client->AskPrefixed(DirectoryRequest(kPictureArea)), noise);  // the same noise
  EXPECT_EQ(client->AskPrefixed(FileRequest(kPictureArea, 1)), pictures[0]);
}

TEST_F(DeviceSimulatorTest, LeavingTheBusEndsTheLinkAndComesBackWithTheStateFolder) {
  sim->SetFaults({.leaveAfter = 3, .awayMs = 300});
  const Bytes file = MakePictureFile("Ray", kAddedMark, DrawFish());
  auto client = Connect();
  ASSERT_TRUE(client->Send(DefaultRequest(kPictureArea, 2)));  // saved before the leave
  ASSERT_TRUE(client->Send(BlockPackets(file)[0]));            // an upload begun
  ASSERT_TRUE(client->Send(BlockPackets(file)[1]));            // request 3: then off the bus
  EXPECT_TRUE(client->PeerClosed());
  ASSERT_TRUE(WaitUntil([&] { return !sim->OnBus(); }));
  EXPECT_FALSE(BusClient(sim->SocketPath()).Connected());
  ASSERT_TRUE(WaitUntil([&] { return sim->OnBus(); }));
  EXPECT_TRUE(HasNote("back on the bus with what the state folder holds"));
  EXPECT_EQ(sim->Restarts(), 0);
  EXPECT_EQ(sim->DefaultIndex(kPictureArea), 2);
  EXPECT_EQ(sim->Files(kPictureArea).size(), 5u);
  EXPECT_EQ(Connect()->Identity(), 17);
}

TEST_F(DeviceSimulatorTest, LogFileHasOneLinePerRequest) {
  sim->Stop();
  SimulatorConfig config = Config();
  config.logFile = dir / "requests.log";
  StartWith(config);
  {
    auto client = Connect();
    EXPECT_EQ(client->Identity(), 17);
    EXPECT_FALSE(client->AskPrefixed(DirectoryRequest(kPictureArea)).empty());
    ASSERT_TRUE(client->Send({0x77}));
    EXPECT_TRUE(client->PeerClosed());
  }
  sim->Stop();
  std::ifstream log(config.logFile);
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  // Each line: milliseconds since start, a blank, then the request (or "# " and a note).
  std::vector<std::string> texts;
  for (const std::string& line : lines) {
    const auto blank = line.find(' ');
    ASSERT_NE(blank, std::string::npos) << line;
    EXPECT_GT(blank, 0u) << line;
    EXPECT_TRUE(std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(blank),
                            [](char c) { return c >= '0' && c <= '9'; }))
        << line;
    texts.push_back(line.substr(blank + 1));
  }
  EXPECT_EQ(texts[0], "10");
  EXPECT_EQ(texts[1], "FF FA FF 04 FF");
  EXPECT_EQ(texts[2].rfind("# unknown request 77", 0), 0u) << texts[2];
}

TEST_F(DeviceSimulatorTest, ForcedFirmwareVersionOverridesTheStoredOne) {
  sim->Stop();
  SimulatorConfig config = Config();
  config.firmware = {{4, 9}};
  StartWith(config);
  const Bytes directory = Connect()->AskPrefixed(DirectoryRequest(kFirmwareArea));
  ASSERT_GE(directory.size(), 36u);
  EXPECT_EQ(directory[15], 4);
  EXPECT_EQ(directory[14], 9);
}

TEST_F(DeviceSimulatorTest, DamagedStateRefusesToStartAndKeepsTheFile) {
  sim->Stop();
  const std::string path = dir / "state/languages.area";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "garbage";
  DeviceSimulator broken(Config());
  std::string error;
  EXPECT_FALSE(broken.Start(&error));
  EXPECT_NE(error.find("languages.area"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(dir / "bus/0a1b2c3d"));
  EXPECT_EQ(fs::file_size(path), 7u);
}

}  // namespace
}  // namespace devsim
