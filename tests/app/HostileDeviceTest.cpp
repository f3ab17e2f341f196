// Hostile devices against the real main window: a simulated dive computer that loses the link,
// falls silent, answers as another device, cuts its replies short, lies in its length prefixes,
// lists more than it can hold, or leaves the bus in the middle of a write. Every row ends without
// a crash or a hang; it checks the attempts the program made, the messages it gave and what the
// device holds afterwards: unchanged, or the action's whole result once, never a broken file.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <numeric>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "DemoContent.h"
#include "DeviceStore.h"
#include "app/AboutPage.h"
#include "devsim/BusClient.h"
#include "firmware/SoftwarePage.h"
#include "languages/LanguagesPage.h"
#include "picture/PictureCodec.h"
#include "pictures/PictureListWidget.h"
#include "pictures/PicturesPage.h"
#include "platform/VirtualBusSocketApi.h"
#include "support/Controls.h"
#include "support/WindowOnSimulator.h"
#include "texts/LangStrings.h"
#include "transfer/RequestPrimitives.h"
#include "transfer/WriteActions.h"
#include "widgets/TerminationSignals.h"

namespace {

using testsupport::Control;

using platform::Bytes;
using testsupport::PumpUntil;

constexpr int kGaveUp = 65176;       // the transfer does not progress
constexpr int kWrongDevice = 65182;  // another device answered: the program ends

// What a row does in the window once its device misbehaves.
enum class TAct {
  Pictures,        // the Pictures page shown: directory (I D), then every picture (I A F1..F5)
  Languages,       // the Languages page shown: I A D
  WritePicture,    // I A H C21 I C21 I C5 L, then a poll
  WriteLanguage,   // I A H C.. L, then the ready wait
  StartupPicture,  // I S, then a poll
  DeletePicture,   // I X, then the ready wait
  CleanUp,         // Exit after a delete: I E, then the ready wait; the program ends
  WriteFirmware,   // I D B, the ready wait, then the parts
  SameFirmware,    // I D, then the question whether to write the version the device has
};

// The request number (1-based, in its connection) of packet `k` of a picture write: 0 is the
// header packet, 1..47 the content packets, 48 the last one; quiet polls follow content packets
// 21 and 42.
int PicturePacketRequest(int k) {
  return 3 + k + (k > 21 ? 1 : 0) + (k > 42 ? 1 : 0);
}

// The last packet of the 3242-byte language written here: I A H C21 I C21 I C17 L.
constexpr int kLanguageLastPacket = 65;

// What a row expects: the connections the action made (the first attempt and its retries that
// reached the device), the messages shown, whether the device holds the action's result (else
// it holds what it held before), and whether the program was asked to end.
struct TExpect {
  int connections = 1;
  std::vector<int> messages;
  bool done = false;
  bool terminate = false;
};

std::string Describe(const TExpect& e) {
  std::string text = std::to_string(e.connections) + " connection(s), messages {";
  for (const int id : e.messages) text += " " + std::to_string(id);
  return text + " }" + (e.done ? ", done" : ", unchanged") + (e.terminate ? ", program ends" : "");
}

bool SameMemory(const devsim::DeviceMemory& a, const devsim::DeviceMemory& b) {
  for (std::size_t slot = 0; slot < a.size(); ++slot) {
    if (a[slot].files != b[slot].files || a[slot].defaultIndex != b[slot].defaultIndex)
      return false;
  }
  return true;
}

class HostileDeviceTest : public testsupport::WindowOnSimulatorTest {
 protected:
  static constexpr int kPictures = 1;  // slots of the device memory
  static constexpr int kLanguages = 0;
  static constexpr int kFirmware = 2;
  static constexpr int kBoundMs = 60000;

  HostileDeviceTest() {
    sleeps.SetOnSleep([this](int ms) {
      RestartOnCommand(ms);
      // Each discovery of the watcher probes the device with a connection. At the fixture's tiny
      // yield the probes come by the thousand a second; while the device serves the probe of
      // Stored() on a busy machine they can fill its queue, and the device would look gone for a
      // cycle. A few milliseconds per discovery keep it in range.
      std::this_thread::sleep_for(ms == platform::VirtualBusSocketApi::kDiscoveryMs
                                      ? std::chrono::microseconds(5000)
                                      : std::chrono::microseconds(200));
    });
  }
  // The window and the device go in the base's destructor, when this part is gone already: their
  // pauses must not call back into it.
  ~HostileDeviceTest() override {
    sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::microseconds(200)); });
  }

  // A fresh device on its own state folder and a fresh window that has found it.
  void Renew(int receiveTimeoutMs = TIrDA::kDefaultReceiveTimeoutMs) {
    if (form) form->close();
    form.reset();
    device->Stop();
    sleeps.Clear();
    devsim::SimulatorConfig config;
    config.busDirectory = bus.Dir();
    config.stateDirectory = state.filePath(QString::number(++devices_)).toStdString();
    config.restartMs = 0;
    device = std::make_unique<devsim::DeviceSimulator>(config);
    std::string error;
    ASSERT_TRUE(device->Start(&error)) << error;
    prompts.Clear();
    form = std::make_unique<TMainForm>();
    form->Session.SetReceiveTimeout(receiveTimeoutMs);
    ASSERT_TRUE(WaitForLight());
  }

  // What the action needs before the device misbehaves, done while it still behaves.
  void Prepare(TAct act) {
    switch (act) {
      case TAct::Pictures:
      case TAct::Languages:
      case TAct::CleanUp:
        break;
      case TAct::WriteLanguage:
        ASSERT_TRUE(TurnTo(form->LanguagesTabSheet));
        break;
      case TAct::WriteFirmware:
      case TAct::SameFirmware:
        ASSERT_TRUE(TurnTo(form->SoftwareTabSheet));
        break;
      case TAct::WritePicture:
      case TAct::StartupPicture:
      case TAct::DeletePicture:
        ReadPicturesAndDraw();
        break;
    }
  }

  // Starts the action; the boxes it asks before the transfer are answered and forgotten.
  void Start(TAct act) {
    switch (act) {
      case TAct::Pictures:
        form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
        break;
      case TAct::Languages:
        form->TabPageControl->setCurrentWidget(form->LanguagesTabSheet);
        break;
      case TAct::WritePicture:
        form->PicturesTabSheet->WrdPicButtonClick();
        break;
      case TAct::WriteLanguage:
        form->StartAction({.Action = TAction::WriteLanguage,
                           .Package = language_,
                           .Results = form->LanguagesTabSheet},
                          LangString(65189));
        break;
      case TAct::StartupPicture:
        form->Session.MoveDefault(2, 0);
        form->StartAction({.Action = TAction::SetStartupPicture, .Results = form->PicturesTabSheet},
                          LangString(65196));
        break;
      case TAct::DeletePicture:
        form->PicturesTabSheet->PicturesListBox->item(0)->setSelected(true);
        prompts.QueueAnswer(TMessageAnswer::Yes);
        form->PicturesTabSheet->DeleteFileButtonClick();
        break;
      case TAct::CleanUp:
        form->DeleteHappened = true;
        form->ExitButtonClick();
        break;
      case TAct::WriteFirmware:
      case TAct::SameFirmware:
        form->StartAction({.Action = TAction::WriteFirmware,
                           .Package = act == TAct::SameFirmware ? sameFirmware_ : firmware_,
                           .Results = form->SoftwareTabSheet},
                          LangString(65187));
        break;
    }
    prompts.Clear();
  }

  // What the device holds once it has done `act` on `before`.
  devsim::DeviceMemory Completed(TAct act, devsim::DeviceMemory memory) const {
    switch (act) {
      case TAct::WritePicture: {
        Bytes file = form->Session.LastPictureUpload()->BuildRaw();
        const Bytes pixels = EncodePicture(form->PicturesTabSheet->WorkingPicture());
        file.insert(file.end(), pixels.begin(), pixels.end());
        memory[kPictures].files.push_back(file);
        break;
      }
      case TAct::WriteLanguage: {
        Bytes file = language_;
        file[5] = devsim::kAddedMark;
        memory[kLanguages].files.push_back(file);
        break;
      }
      case TAct::StartupPicture:
        memory[kPictures].defaultIndex = 3;
        break;
      case TAct::DeletePicture:
        memory[kPictures].files.erase(memory[kPictures].files.begin() + 3);
        break;
      case TAct::WriteFirmware:
        memory[kFirmware].files = devsim::SplitFirmwareParts(firmware_);
        memory[kFirmware].defaultIndex = 1;
        break;
      default:
        break;
    }
    return memory;
  }

  // What the state folder holds, once the device has dealt with everything it was sent: it
  // serves one connection at a time, so a probe that gets its answer comes after all of it. A
  // device off the bus is waited for; its folder is what it comes back with.
  // The probe runs beside the event loop: a read the window starts meanwhile (a device back on
  // the bus) needs the loop, and the device serves it before the probe.
  devsim::DeviceMemory Stored() {
    device->SetFaults({});
    // A device that leaves just after the transfer may still be on the bus at the first probe:
    // the probe then fails and the device is waited for again, a little later.
    int identity = -1;
    QElapsedTimer waited;
    waited.start();
    for (bool first = true; identity != 17 && waited.elapsed() < 8000; first = false) {
      if (!first) PumpUntil([] { return false; }, 50);
      if (!PumpUntil([&] { return device->OnBus(); }, 5000)) break;
      identity = ProbeIdentity();
    }
    EXPECT_EQ(identity, 17);
    devsim::DeviceMemory memory;
    std::string error;
    devsim::DeviceStore store(state.filePath(QString::number(devices_)).toStdString());
    EXPECT_TRUE(store.Load(memory, 5, 1, error)) << error;
    return memory;
  }

  // The texts of the boxes shown since the action started.
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const TPromptRecord& record : prompts.Records(TPromptEvent::Message))
      texts.push_back(record.Text.toStdString());
    return texts;
  }
  static std::vector<std::string> Texts(const std::vector<int>& ids) {
    std::vector<std::string> texts;
    for (const int id : ids) texts.push_back(LangString(id).toStdString());
    return texts;
  }

  // Sets the faults, runs the action and checks the outcome against `expect`. The bound only
  // catches a hang: it leaves room for the slow runs under the sanitizers.
  void RunAndCheck(TAct act, const devsim::Faults& faults, const TExpect& expect,
                   int boundMs = kBoundMs) {
    const devsim::DeviceMemory before = Stored();
    ASSERT_TRUE(WaitForLight()) << "the device is not in range before the action";
    const int connections = device->Connections();
    device->SetFaults(faults);
    QElapsedTimer clock;
    clock.start();
    Start(act);
    ASSERT_TRUE(PumpUntil([&] { return !form->TransferActive(); }, boundMs))
        << "still busy after " << boundMs << " ms";
    elapsedMs = clock.elapsed();
    // A device restarted under the action counts its connections afresh.
    if (expect.connections >= 0) {
      EXPECT_EQ(device->Connections() - connections, expect.connections) << Describe(expect);
    }
    EXPECT_EQ(Messages(), Texts(expect.messages)) << Describe(expect);
    EXPECT_EQ(form->TerminateRequested, expect.terminate);
    // Whatever happened, the window is usable again.
    EXPECT_TRUE(form->TabPageControl->isEnabled());
    if (!expect.terminate) {
      EXPECT_FALSE(form->Watcher->Paused);
    }
    const devsim::DeviceMemory after = Stored();
    const bool done = SameMemory(after, Completed(act, before));
    const bool unchanged = SameMemory(after, before);
    EXPECT_TRUE(expect.done ? done : unchanged) << Describe(expect) << "; the device holds "
                                                << (done        ? "the result"
                                                    : unchanged ? "what it held"
                                                                : "something else");
  }

  // Identity polls the device logged for its connection number `connection`.
  int IdentityPollsInConnection(int connection) const {
    int polls = 0;
    for (const devsim::LoggedRequest& request : device->Requests())
      polls += request.connection == connection && request.bytes == Bytes{0x10};
    return polls;
  }

  struct TRow {
    const char* what;
    TAct act;
    devsim::Faults faults;
    TExpect expect;
  };
  // Each row on a fresh device and window.
  void RunRows(const std::vector<TRow>& rows,
               int receiveTimeoutMs = TIrDA::kDefaultReceiveTimeoutMs, int boundMs = kBoundMs) {
    for (const TRow& row : rows) {
      SCOPED_TRACE(row.what);
      Renew(receiveTimeoutMs);
      Prepare(row.act);
      RunAndCheck(row.act, row.faults, row.expect, boundMs);
    }
  }

  std::vector<int> FileRequestPositions() const {
    std::vector<int> positions;
    for (const Bytes& request : Sent(0xFF, 0xC2)) positions.push_back(request[4]);
    return positions;
  }

  // Restarts the device on its state folder before the GUI thread's command `restartAt_` of a
  // transfer (0: never), as if it were switched off and on again under the write.
  void RestartOnCommand(int ms) {
    // The watcher sleeps too; only the GUI thread's pauses are counted, and only it reads these.
    if (QThread::currentThread() != qApp->thread()) return;
    if (restartAt_ == 0 || restarted_ || ms != kPauseBeforeCommand || !form ||
        !form->TransferActive() || ++commands_ != restartAt_) {
      return;
    }
    restarted_ = true;
    device->Stop();
    EXPECT_TRUE(device->Start());
  }

  int devices_ = 0;
  qint64 elapsedMs = 0;
  int restartAt_ = 0;
  int commands_ = 0;
  bool restarted_ = false;
  const Bytes language_ = devsim::MakeLanguageFile("Polski", devsim::kFactoryMark, 3242);
  const Bytes firmware_ = devsim::MakeFirmwareFile(5, 2, "FW", {300, 200});
  const Bytes sameFirmware_ = devsim::MakeFirmwareFile(5, 1, "FW", {300});
};

// Ends the process with a message should a row hang: a deadlock on the GUI thread leaves nothing
// else to report it.
class TWatchdog {
 public:
  explicit TWatchdog(std::string what) : what_(std::move(what)) {
    thread_ = std::thread([this] {
      std::unique_lock lock(mutex_);
      if (!done_.wait_for(lock, std::chrono::seconds(30), [this] { return finished_; })) {
        std::fprintf(stderr, "hung: %s\n", what_.c_str());
        std::abort();
      }
    });
  }
  ~TWatchdog() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_all();
    thread_.join();
  }

 private:
  std::string what_;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

// How the diver (or the session) ends the program.
enum class TEnd { CloseBox, Terminate, Exit };

const char* Describe(TEnd end) {
  switch (end) {
    case TEnd::CloseBox:
      return "close box";
    case TEnd::Terminate:
      return "SIGTERM";
    case TEnd::Exit:
      return "Esci";
  }
  return "";
}

// Before a request: it is read and never handled. During: half its reply, then the end (replies
// of a fixed size cut short have a test of their own). After: handled and answered in full, then
// the end. A persistent fault meets every retry; one that fires once lets the first retry
// through.
TEST_F(HostileDeviceTest, ALinkLostAtAnyRequestIsRetriedThenReportedAndNothingHalfDoneStays) {
  using F = devsim::Faults;
  const TExpect gaveUp{4, {kGaveUp}, false};
  const TExpect dirThenGaveUp{5, {kGaveUp}, false};  // the directory read passed first
  RunRows({
      {"identity, before", TAct::Pictures, F{.dropAfter = 1}, gaveUp},
      {"identity, after", TAct::Pictures, F{.endAfter = 1}, gaveUp},
      {"directory, before", TAct::Pictures, F{.dropAfter = 2}, gaveUp},
      {"directory, during", TAct::Pictures, F{.shortReply = 2}, gaveUp},
      {"directory, after: nothing was missing",
       TAct::Pictures,
       F{.endAfter = 2, .once = true},
       {2, {}, false}},
      {"area, before", TAct::Languages, F{.dropAfter = 2}, gaveUp},
      {"area, after", TAct::Languages, F{.endAfter = 2}, gaveUp},
      {"first file, before", TAct::Pictures, F{.dropAfter = 3}, dirThenGaveUp},
      {"second file, during", TAct::Pictures, F{.shortReply = 4}, dirThenGaveUp},
      {"third file, after", TAct::Pictures, F{.endAfter = 5}, dirThenGaveUp},
      {"last file, after: nothing was missing", TAct::Pictures, F{.endAfter = 7}, {2, {}, false}},
      {"header packet, before", TAct::WritePicture, F{.dropAfter = PicturePacketRequest(0)},
       gaveUp},
      {"header packet, after", TAct::WritePicture, F{.endAfter = PicturePacketRequest(0)}, gaveUp},
      {"content packet, before", TAct::WritePicture, F{.dropAfter = PicturePacketRequest(7)},
       gaveUp},
      {"content packet, after", TAct::WritePicture, F{.endAfter = PicturePacketRequest(7)}, gaveUp},
      // The last packet gets no answer; the ready wait after it finds the link lost. Every retry
      // reads the directory first, so the picture lost here is sent again, and the one stored
      // before the loss is not.
      {"last packet, before", TAct::WritePicture, F{.dropAfter = PicturePacketRequest(48)}, gaveUp},
      {"last packet, after: stored",
       TAct::WritePicture,
       F{.endAfter = PicturePacketRequest(48)},
       {2, {}, true}},
      {"language last packet, before", TAct::WriteLanguage, F{.dropAfter = kLanguageLastPacket},
       gaveUp},
      {"language last packet, after",
       TAct::WriteLanguage,
       F{.endAfter = kLanguageLastPacket},
       {2, {}, true}},
      // The default command gets no answer either, so nothing tells the window that the device
      // never read it: the attempt ends without a warning and the device holds what it held.
      {"default, before: unanswered", TAct::StartupPicture, F{.dropAfter = 2}, {-1, {}, false}},
      {"default, after", TAct::StartupPicture, F{.endAfter = 2}, {1, {}, true}},
      {"delete, before", TAct::DeletePicture, F{.dropAfter = 2}, gaveUp},
      {"delete, after, once", TAct::DeletePicture, F{.endAfter = 2, .once = true}, {2, {}, true}},
      {"ready wait after a delete, before",
       TAct::DeletePicture,
       F{.dropAfter = 3},
       {4, {kGaveUp}, true}},
      {"clean-up, before: the program ends anyway",
       TAct::CleanUp,
       F{.dropAfter = 2},
       {1, {}, false, true}},
      {"clean-up, after", TAct::CleanUp, F{.endAfter = 2}, {1, {}, false, true}},
      {"battery, before", TAct::WriteFirmware, F{.dropAfter = 3}, gaveUp},
      {"battery, after", TAct::WriteFirmware, F{.endAfter = 3}, gaveUp},
      {"firmware directory, before", TAct::WriteFirmware, F{.dropAfter = 2}, gaveUp},
  });
}

TEST_F(HostileDeviceTest, APictureWriteCutAtEveryPacketIsRetriedAndStoredOnceOrNotAtAll) {
  Renew();
  Prepare(TAct::WritePicture);
  for (int k = 0; k <= 48; ++k) {
    SCOPED_TRACE("packet " + std::to_string(k));
    const int request = PicturePacketRequest(k);
    // Lost before the device took it, every time: four attempts, the warning, nothing stored.
    RunAndCheck(TAct::WritePicture, {.dropAfter = request}, {4, {kGaveUp}, false});
    // A write that gave up leaves lists the window no longer trusts; read afresh, the next write
    // goes out as the first did.
    ASSERT_TRUE(TurnTo(form->AboutTabSheet));
    ASSERT_TRUE(TurnTo(form->PicturesTabSheet));
    ASSERT_TRUE(form->Session.CatalogueTrusted());
    // Lost after the device took it, once: the retry completes the picture, or finds it
    // complete already; stored once either way.
    RunAndCheck(TAct::WritePicture, {.endAfter = request, .once = true}, {2, {}, true});
  }
  // Never a last packet of a failed attempt beside a header of another: every stored picture is
  // the one the window sent, 49 of them.
  EXPECT_EQ(device->Files(devsim::kPictureArea).size(), 5u + 49);
}

TEST_F(HostileDeviceTest, ADeviceThatFallsSilentEndsWithinTheReceiveTimeoutOfEachAttempt) {
  constexpr int kTimeoutMs = 300;
  const struct {
    const char* what;
    TAct act;
    int silentAfter;
    TExpect expect;
    int timeouts;  // attempts that waited for the silent device
  } rows[] = {
      {"before the directory", TAct::Pictures, 1, {4, {kGaveUp}, false}, 4},
      {"from a content packet on: the quiet poll",
       TAct::WritePicture,
       10,
       {4, {kGaveUp}, false},
       4},
      {"before the ready answer after a delete", TAct::DeletePicture, 2, {4, {kGaveUp}, true}, 4},
      {"before the ready answer after a language",
       TAct::WriteLanguage,
       kLanguageLastPacket,
       {2, {}, true},
       1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Renew(kTimeoutMs);
    Prepare(row.act);
    RunAndCheck(row.act, {.silentAfter = row.silentAfter}, row.expect);
    EXPECT_GE(elapsedMs, row.timeouts * kTimeoutMs);
    EXPECT_LT(elapsedMs, (row.timeouts + 1) * kTimeoutMs + 5000);
  }
}

TEST_F(HostileDeviceTest, ShortRepliesToFixedSizeCommandsAreLinkFailuresNeverAWrongDevice) {
  using F = devsim::Faults;
  RunRows({
      {"identity: nothing of its byte", TAct::Pictures, F{.shortReply = 1}, {4, {kGaveUp}}},
      {"identity, once", TAct::Pictures, F{.shortReply = 1, .once = true}, {3, {}}},
      {"battery: nothing of its byte", TAct::WriteFirmware, F{.shortReply = 3}, {4, {kGaveUp}}},
      {"area: two of its four bytes", TAct::Languages, F{.shortReply = 2}, {4, {kGaveUp}}},
      {"area before a picture write", TAct::WritePicture, F{.shortReply = 2}, {4, {kGaveUp}}},
  });
}

TEST_F(HostileDeviceTest, AForeignIdentityOnTheFirstPollIsTheWrongDeviceAndEndsTheProgram) {
  for (const int identity : {0, 1, 16, 18, 24, 26, 255}) {
    SCOPED_TRACE("identity " + std::to_string(identity));
    Renew();
    RunAndCheck(TAct::Pictures,
                {.identityFrom = 1, .identityValue = static_cast<std::uint8_t>(identity)},
                {1, {kWrongDevice}, false, true});
    EXPECT_EQ(Requests(0xFF, 0xFA), 0);
  }
  for (const TAct act : {TAct::WritePicture, TAct::DeletePicture}) {
    Renew();
    Prepare(act);
    RunAndCheck(act, {.identityFrom = 1, .identityValue = 18}, {1, {kWrongDevice}, false, true});
  }
}

TEST_F(HostileDeviceTest, LaterIdentityAnswersAreWaitedForButNeverForEver) {
  using F = devsim::Faults;
  const int ready = TRequestPrimitives::kMaxReadyPolls;
  const struct {
    const char* what;
    TAct act;
    devsim::Faults faults;
    TExpect expect;
    int polls;  // identity polls of the first attempt
  } rows[] = {
      {"busy for good after a delete, once",
       TAct::DeletePicture,
       F{.identityFrom = 2, .identityValue = 0, .once = true},
       {2, {}, true},
       1 + ready},
      {"a foreign byte once in the ready wait",
       TAct::DeletePicture,
       F{.identityFrom = 2, .identityCount = 1, .identityValue = 18},
       {1, {}, true},
       1 + 3},
      {"a foreign byte for good in the ready wait, once",
       TAct::DeletePicture,
       F{.identityFrom = 2, .identityValue = 18, .once = true},
       {2, {}, true},
       1 + ready},
      // Polls 2 and 3 are the quiet ones between the content packets.
      {"busy for good after a language, once",
       TAct::WriteLanguage,
       F{.identityFrom = 4, .identityValue = 0, .once = true},
       {2, {}, true},
       3 + ready},
      {"foreign quiet polls are no concern of the write",
       TAct::WritePicture,
       F{.identityFrom = 2, .identityCount = 2, .identityValue = 18},
       {1, {}, true},
       -1},
      // Polls 2 and 3 are the quiet ones, as for a language.
      {"busy for good after a picture, once",
       TAct::WritePicture,
       F{.identityFrom = 4, .identityValue = 0, .once = true},
       {2, {}, true},
       3 + ready},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Renew();
    Prepare(row.act);
    const int first = device->Connections() + 2;  // after the probe that RunAndCheck makes
    RunAndCheck(row.act, row.faults, row.expect);
    if (row.polls >= 0) {
      EXPECT_EQ(IdentityPollsInConnection(first), row.polls);
    }
  }
}

TEST_F(HostileDeviceTest, LengthPrefixesOutOfTheReplysRangeFailTheLinkAndAreRetried) {
  std::vector<TRow> rows;
  for (const std::uint32_t prefix : {0u, 3u, 100000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    const devsim::Faults directory{.absurdPrefix = 2, .absurdValue = prefix};
    const devsim::Faults lastFile{.absurdPrefix = 7, .absurdValue = prefix};
    rows.push_back({"directory", TAct::Pictures, directory, {4, {kGaveUp}}});
    rows.push_back({"last file", TAct::Pictures, lastFile, {5, {kGaveUp}}});
    rows.push_back({"language directory",
                    TAct::Languages,
                    {.absurdPrefix = 3, .absurdValue = prefix},
                    {4, {kGaveUp}}});
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("prefix " + std::to_string(rows[i].faults.absurdValue));
    RunRows({rows[i]});
    // Nothing of a reply the device sent wrongly framed is shown.
    EXPECT_EQ(form->PicturesTabSheet->ReadOnlyListBox->count(), 0);
    EXPECT_EQ(Control<QListWidget>(form->LanguagesTabSheet, "LangReadOnlyTntListBox")->count(), 0);
  }
}

TEST_F(HostileDeviceTest, DirectoriesOfMoreThanAnAreaHoldsAreKeptToTheAddressableEntries) {
  for (const int entries : {255, 256}) {
    SCOPED_TRACE(std::to_string(entries) + " entries");
    Renew();
    RunAndCheck(TAct::Pictures, {.directoryEntries = entries}, {2, {}});
    PicturesPage& page = *form->PicturesTabSheet;
    EXPECT_EQ(form->Session.Catalogue().CatalogueCount(), 255);
    EXPECT_EQ(page.ReadOnlyListBox->count(), 3);
    EXPECT_EQ(page.PicturesListBox->count(), 252);
    ASSERT_GT(page.PicturesListBox->count(), 0);
    EXPECT_EQ(page.PicturesListBox->item(251)->text(), "Extra 255");
    EXPECT_EQ(page.NmbOfPixPanel->text(), "255 immagini");
    // Every position asked for once, none past 255 (a 256th would wrap round to 0).
    std::vector<int> positions = FileRequestPositions();
    std::vector<int> expected(255);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(positions, expected);
  }
}

// Headers of noise keep their places, but their type bytes name areas the device does not have
// (0xD0, 0xAE, 0x2C, 0xBD): files are asked for, and deletes would go, where the directory was
// read, never where a header points.
TEST_F(HostileDeviceTest, DirectoryHeadersOfNoiseAreListedAndAddressedInTheAreaThatWasRead) {
  Renew();
  RunAndCheck(TAct::Pictures, {.garbageDirectory = true}, {2, {}});
  PicturesPage& page = *form->PicturesTabSheet;
  ASSERT_EQ(form->Session.Catalogue().CatalogueCount(), 5);
  // Every mark is noise other than 0: all five are listed as added.
  EXPECT_EQ(page.ReadOnlyListBox->count(), 0);
  ASSERT_EQ(page.PicturesListBox->count(), 5);
  std::vector<Bytes> expected;
  for (std::uint8_t p = 1; p <= 5; ++p) expected.push_back({0xFF, 0xC2, 0xFF, 0x04, p});
  EXPECT_EQ(Sent(0xFF, 0xC2), expected);
  // The files themselves are whole, so every picture shows.
  for (int row = 0; row < 5; ++row) {
    EXPECT_FALSE(page.PicturesListBox->item(row)
                     ->data(TPictureItemDelegate::kPictureRole)
                     .value<QImage>()
                     .isNull());
    EXPECT_EQ(form->Session.Catalogue().Entry(row)->TypeCode, kTypePicture);
  }
  EXPECT_EQ(page.NmbOfPixPanel->text(), "5 immagini");

  Renew();
  RunAndCheck(TAct::Languages, {.garbageDirectory = true}, {1, {}});
  EXPECT_EQ(Control<QListWidget>(form->LanguagesTabSheet, "LangReadOnlyTntListBox")->count() +
                Control<QListWidget>(form->LanguagesTabSheet, "LanguageTntListBox")->count(),
            4);
  EXPECT_EQ(form->Session.Catalogue().Entry(3)->TypeCode, kTypeLanguage);
}

TEST_F(HostileDeviceTest, AFileReplyShorterThanAPictureIsListedWithoutAPictureInItsPlace) {
  for (const std::uint32_t bytes : {4u, 32u, 2591u}) {
    SCOPED_TRACE(std::to_string(bytes) + " bytes");
    Renew();
    // Request 4 of the picture read is the second file.
    RunAndCheck(TAct::Pictures, {.cutReply = 4, .cutBytes = bytes}, {2, {}});
    PicturesPage& page = *form->PicturesTabSheet;
    ASSERT_EQ(page.ReadOnlyListBox->count(), 3);
    ASSERT_EQ(page.PicturesListBox->count(), 2);
    const auto picture = [](QListWidget* list, int row) {
      return list->item(row)->data(TPictureItemDelegate::kPictureRole).value<QImage>();
    };
    EXPECT_EQ(page.ReadOnlyListBox->item(1)->text(), "Compass");
    EXPECT_TRUE(picture(page.ReadOnlyListBox, 1).isNull());
    EXPECT_FALSE(picture(page.ReadOnlyListBox, 0).isNull());
    EXPECT_FALSE(picture(page.ReadOnlyListBox, 2).isNull());
    EXPECT_FALSE(picture(page.PicturesListBox, 0).isNull());
    EXPECT_EQ(page.NmbOfPixPanel->text(), "5 immagini");
  }
}

TEST_F(HostileDeviceTest, ADeviceThatLeavesMidWriteAndComesBackHoldsThePictureOnceOrNotAtAll) {
  // Gone longer than the retries last: the write is reported. Gone before the last packet, the
  // device comes back without the picture; gone once it had read the last packet, with it: the
  // ready wait could not confirm it, so the window never claims a picture it cannot vouch for.
  const struct {
    const char* what;
    int leaveAfter;
    TExpect expect;
  } away[] = {
      {"after the header packet", PicturePacketRequest(0), {1, {kGaveUp}, false}},
      {"after a content packet", PicturePacketRequest(30), {1, {kGaveUp}, false}},
      {"after the last packet", PicturePacketRequest(48), {1, {kGaveUp}, true}},
  };
  for (const auto& row : away) {
    SCOPED_TRACE(row.what);
    Renew();
    Prepare(TAct::WritePicture);
    RunAndCheck(TAct::WritePicture, {.leaveAfter = row.leaveAfter, .awayMs = 1000}, row.expect);
  }

  // Switched off and on again at once, before the command `at` of the write: the retry finds it
  // back and the picture is stored once.
  for (const int at :
       {PicturePacketRequest(0), PicturePacketRequest(30), PicturePacketRequest(48)}) {
    SCOPED_TRACE("restarted before command " + std::to_string(at));
    Renew();
    Prepare(TAct::WritePicture);
    commands_ = 0;
    restartAt_ = at;
    restarted_ = false;
    RunAndCheck(TAct::WritePicture, {}, {-1, {}, true});
    EXPECT_TRUE(restarted_);
    EXPECT_EQ(form->Session.Retries(), 1);
    restartAt_ = 0;
  }
}

// The first attempt deletes Fish; every retry then loses the link, and the transfer gives up with
// Fish still listed. Deleting it again removes nothing else, and the lists then show what the
// device holds.
TEST_F(HostileDeviceTest, ADeleteAfterAGivenUpDeleteRemovesOnlyWhatWasSelected) {
  Renew();
  Prepare(TAct::DeletePicture);
  device->SetFaults({.endAfter = 2});
  Start(TAct::DeletePicture);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(Messages(), Texts({kGaveUp}));
  PicturesPage& page = *form->PicturesTabSheet;
  ASSERT_EQ(page.PicturesListBox->item(0)->text(), "Fish");

  device->SetFaults({});
  Start(TAct::DeletePicture);
  ASSERT_TRUE(
      PumpUntil([&] { return !form->TransferActive() && form->Session.CatalogueTrusted(); }));
  ASSERT_TRUE(WaitIdle());
  std::vector<std::string> stored;
  for (const Bytes& file : device->Files(devsim::kPictureArea))
    stored.push_back(devsim::ParseHeader(file).Name);
  EXPECT_EQ(stored, (std::vector<std::string>{"Diver", "Compass", "Reef", "Dive flag"}));
  ASSERT_EQ(page.PicturesListBox->count(), 1);
  EXPECT_EQ(page.PicturesListBox->item(0)->text(), "Dive flag");
  EXPECT_EQ(page.NmbOfPixPanel->text(), "4 immagini");
}

// A box shown from inside a call of the worker or the watcher holds that thread until it goes.
// Closing the window meanwhile, by its close box or as SIGTERM does (every window at once), ends
// the program: the box goes, the call returns, and only then are the threads joined.
TEST_F(HostileDeviceTest, ClosingWhileABoxOfATransferIsOpenEndsTheProgram) {
  const struct {
    const char* what;
    TAct act;
    devsim::Faults faults;
    int box;
  } moments[] = {
      {"the warning after the retries", TAct::Pictures, {.dropAfter = 1}, kGaveUp},
      {"the wrong device", TAct::Pictures, {.identityFrom = 1, .identityValue = 18}, kWrongDevice},
      {"the question about the same firmware", TAct::SameFirmware, {}, 65184},
      {"the firmware update done", TAct::WriteFirmware, {}, 65181},
  };
  for (const auto& moment : moments) {
    for (const TEnd end : {TEnd::CloseBox, TEnd::Terminate}) {
      const std::string what = std::string(moment.what) + ", " + Describe(end);
      SCOPED_TRACE(what);
      const TWatchdog watchdog(what);
      Renew();
      Prepare(moment.act);
      form->show();
      const TTerminationSignals termination;
      device->SetFaults(moment.faults);
      Start(moment.act);
      bool shown = false;
      prompts.HoldNextMessage([&] {
        shown = true;
        if (end == TEnd::Terminate) {
          std::raise(SIGTERM);
        } else {
          form->close();
        }
      });
      ASSERT_TRUE(PumpUntil([&] { return form->Watcher == nullptr; }, 5000));
      EXPECT_TRUE(shown);
      EXPECT_FALSE(prompts.DismissedByBound());
      EXPECT_EQ(Messages(), Texts({moment.box}));
      EXPECT_FALSE(form->TransferActive());
      EXPECT_TRUE(form->isHidden());
    }
  }
}

// Waits for a device that does not answer let the window's events through, and a stop ends them
// at once: nothing more goes out for the action under way. After a delete, Exit still cleans the
// memory up, with a short wait for the device, and the program ends.
TEST_F(HostileDeviceTest, ExitOrCloseEndsAWaitForAnUnansweringDeviceAtOnce) {
  const auto identityPoll = [](std::span<const std::uint8_t> frame, int& seen) {
    return frame.size() == 1 && frame[0] == 0x10 && ++seen == 5;
  };
  const struct {
    const char* what;
    TAct act;
    devsim::Faults faults;
    // The request frame after which the diver acts, and how long after it.
    std::function<bool(std::span<const std::uint8_t>, int&)> at;
    int delayMs;
  } waits[] = {
      {"a device never ready after a delete",
       TAct::DeletePicture,
       {.identityFrom = 2, .identityValue = 0},
       identityPoll,
       0},
      {"a device silent in a read",
       TAct::Pictures,
       {.silentAfter = 1},
       [](std::span<const std::uint8_t> frame, int&) {
         return frame.size() >= 2 && frame[0] == 0xFF && frame[1] == 0xFA;
       },
       100},
      {"the ready wait between firmware parts",
       TAct::WriteFirmware,
       {},
       [](std::span<const std::uint8_t> frame, int&) {
         return frame.size() >= 3 && frame[0] == 0xFF && frame[1] == 0xD2 && frame[2] == 0x02;
       },
       0},
  };
  for (const auto& wait : waits) {
    for (const TEnd end : {TEnd::Exit, TEnd::CloseBox}) {
      const std::string what = std::string(wait.what) + ", " + Describe(end);
      SCOPED_TRACE(what);
      const TWatchdog watchdog(what);
      Renew();
      Prepare(wait.act);
      device->SetFaults(wait.faults);
      // The diver acts as an event: a window that lets no events through takes it in late. What
      // counts is the moment the diver acted (the trigger plus the delay), not the moment the
      // window noticed: frames of the action sent since then, and the time until it ended.
      int seen = 0;
      std::optional<TAction> action;
      QElapsedTimer sinceTrigger;
      const auto sinceActing = [&] { return sinceTrigger.elapsed() - wait.delayMs; };
      bool noticed = false;
      std::vector<Bytes> after;
      const TScopedLinkTrace trace({
          .Wanted = [](TTraceChannel channel) { return channel == TTraceChannel::Frames; },
          .Frame =
              [&](const TFrameTrace& frame) {
                if (frame.Direction != TTraceDirection::Request) return;
                if (action && sinceActing() >= 0 && form->Session.Action() == action) {
                  after.emplace_back(frame.Bytes.begin(), frame.Bytes.end());
                }
                if (action || !wait.at(frame.Bytes, seen)) return;
                action = form->Session.Action();
                sinceTrigger.start();
                QTimer::singleShot(wait.delayMs, form.get(), [&] {
                  noticed = true;
                  if (end == TEnd::Exit) {
                    QTest::mouseClick(form->BottomStrip->ExitButton, Qt::LeftButton);
                  } else {
                    form->close();
                  }
                });
              },
          .Status = {},
      });
      Start(wait.act);
      ASSERT_TRUE(PumpUntil([&] { return noticed && !form->TransferActive(); }, 30000));
      // Honoured within a second; the silent device's reply would have held the window for its
      // whole time-out, the busy device's ready wait for its 3000 polls.
      EXPECT_LT(sinceActing(), 1000);
      EXPECT_EQ(after, std::vector<Bytes>{});
      const bool cleanUp = end == TEnd::Exit && wait.act == TAct::DeletePicture;
      ASSERT_TRUE(PumpUntil([&] {
        return form->Watcher == nullptr || (form->TerminateRequested && !form->TransferActive());
      }));
      EXPECT_EQ(Requests(0xFF, 0xE9), cleanUp ? 1 : 0);
      if (cleanUp) {
        // The clean-up's own ready wait: as long as a device that never gets ready is given.
        const std::vector<devsim::LoggedRequest> log = device->Requests();
        const auto cleanUpAt =
            std::find_if(log.begin(), log.end(), [](const devsim::LoggedRequest& request) {
              return request.bytes.size() >= 2 && request.bytes[1] == 0xE9;
            });
        ASSERT_NE(cleanUpAt, log.end());
        EXPECT_EQ(IdentityPollsInConnection(cleanUpAt->connection), 1 + kCleanUpReadyPolls);
      }
    }
  }
}

}  // namespace
