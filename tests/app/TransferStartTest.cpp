// How a transfer starts in the real window against simulated dive computers on a temporary bus:
// closing or leaving at every point of a start, a device arriving while the Pictures page is
// open, and a second device joining the bus. Pauses are recorded; the sleep hook also lets a
// test act at a chosen wait of the GUI thread or hold the watcher in its discovery.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "DeviceSimulator.h"
#include "app/Main.h"
#include "pictures/PicturesPage.h"
#include "platform/SleepHook.h"
#include "platform/VirtualBusSocketApi.h"
#include "support/DeviceRequests.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/SleepRecorder.h"
#include "support/TemporaryBus.h"
#include "widgets/LED.h"

namespace {

using testsupport::PumpUntil;

constexpr std::array<std::uint8_t, 4> kOtherDeviceId = {0x0A, 0x1B, 0x2C, 0x3D};  // sorts first

class TransferStartTest : public testing::Test {
 protected:
  TransferStartTest() {
    sleeps.SetOnSleep([this](int ms) { OnSleep(ms); });
  }
  ~TransferStartTest() override {
    holdWatcher = false;
    if (form) form->close();
    form.reset();
    for (auto& device : devices) device->Stop();
  }

  void OnSleep(int ms) {
    if (QThread::currentThread() == qApp->thread()) {
      if (onGuiSleep) onGuiSleep(ms);
    } else if (ms == platform::VirtualBusSocketApi::kDiscoveryMs) {
      while (holdWatcher) {
        watcherHeld = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      watcherHeld = false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }

  devsim::DeviceSimulator& AddDevice(std::array<std::uint8_t, 4> id = devsim::kDefaultDeviceId) {
    devsim::SimulatorConfig config;
    config.busDirectory = bus.Dir();
    config.id = id;
    config.stateDirectory = state.filePath(QString::number(devices.size())).toStdString();
    devices.push_back(std::make_unique<devsim::DeviceSimulator>(config));
    std::string error;
    EXPECT_TRUE(devices.back()->Start(&error)) << error;
    return *devices.back();
  }

  int Requests(const devsim::DeviceSimulator& device, std::uint8_t code, std::uint8_t sub) const {
    return testsupport::CountSentTo(device, code, sub);
  }

  testsupport::TemporaryBus bus;
  testsupport::SleepRecorder sleeps;
  TScriptedPrompts prompts;
  QTemporaryDir state;
  std::vector<std::unique_ptr<devsim::DeviceSimulator>> devices;
  std::function<void(int)> onGuiSleep;  // GUI thread only
  std::atomic<bool> holdWatcher{false};
  std::atomic<bool> watcherHeld{false};
  std::unique_ptr<TMainForm> form = std::make_unique<TMainForm>();
};

enum class TPoint {
  InPresenceHandler,   // inside the watcher's synchronised call, the start just asked for
  DuringPauseWait,     // while the start waits for the watcher to acknowledge its pause
  AfterWorkerStarted,  // at the first command of the transfer
};

TEST_F(TransferStartTest, ClosingOrLeavingDuringAStartEndsCleanlyWithOneWorkerAtMost) {
  struct Case {
    const char* what;
    TPoint point;
    bool exit;        // Exit instead of the close box
    bool deleted;     // a delete happened earlier: Exit cleans up first
    int connections;  // workers that reached the device
  };
  const Case cases[] = {
      {"close in the presence handler", TPoint::InPresenceHandler, false, false, 0},
      {"close during the pause wait", TPoint::DuringPauseWait, false, false, 0},
      {"close after the worker started", TPoint::AfterWorkerStarted, false, false, 1},
      {"Exit in the presence handler", TPoint::InPresenceHandler, true, false, 0},
      {"Exit during the pause wait, after a delete", TPoint::DuringPauseWait, true, true, 1},
      {"Exit after the worker started, after a delete", TPoint::AfterWorkerStarted, true, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form = std::make_unique<TMainForm>();
    form->DeleteHappened = c.deleted;
    bool acted = false;
    auto act = [&] {
      if (acted) return;
      acted = true;
      holdWatcher = false;
      if (c.exit) {
        form->ExitButtonClick();
      } else {
        form->close();
      }
    };
    switch (c.point) {
      case TPoint::InPresenceHandler:
        form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
        QObject::connect(form->BottomStrip->LEDLabelIrDA, &TLED::OnChangeState, form.get(), [&] {
          if (form->BottomStrip->LEDLabelIrDA->Lit()) act();
        });
        AddDevice();
        break;
      case TPoint::DuringPauseWait:
        AddDevice();
        ASSERT_TRUE(PumpUntil([&] { return form->BottomStrip->LEDLabelIrDA->Lit(); }));
        holdWatcher = true;
        ASSERT_TRUE(PumpUntil([&] { return watcherHeld.load(); }));
        onGuiSleep = [&](int ms) {
          if (ms == TCheckDevListThread::kPauseAckWaitMs) act();
        };
        form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
        break;
      case TPoint::AfterWorkerStarted:
        onGuiSleep = [&](int ms) {
          if (ms == 20) act();
        };
        form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
        AddDevice();
        break;
    }
    ASSERT_TRUE(PumpUntil([&] {
      return acted && !form->TransferActive() && (!form->Watcher || form->TerminateRequested);
    }));
    onGuiSleep = nullptr;
    EXPECT_EQ(devices.back()->Connections(), c.connections);
    EXPECT_EQ(Requests(*devices.back(), 0xFF, 0xE9), c.deleted ? 1 : 0);
    EXPECT_EQ(form->TerminateRequested, c.deleted);
    EXPECT_FALSE(form->Session.CanStart());
    form.reset();  // must neither hang nor touch a destroyed window
    devices.back()->Stop();
  }
}

TEST_F(TransferStartTest, DeviceArrivingOnThePicturesPageIsReadWithoutWaitingForThePause) {
  form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
  // A wait for the acknowledgement lasts, like a real one, long enough for a watcher that can
  // acknowledge to do so: however loaded the machine, the count below is the program's, not the
  // scheduler's. Once is enough to tell, so a watcher that cannot acknowledge costs one second.
  bool waitedForAck = false;
  onGuiSleep = [&](int ms) {
    if (ms != TCheckDevListThread::kPauseAckWaitMs || waitedForAck) return;
    waitedForAck = true;
    QDeadlineTimer bound(1000);
    while (!form->Watcher->PausedAck && !bound.hasExpired())
      std::this_thread::sleep_for(std::chrono::microseconds(100));
  };
  devsim::DeviceSimulator& device = AddDevice();
  ASSERT_TRUE(PumpUntil([&] {
    return form->PicturesTabSheet->PicturesListBox->count() == 2 && !form->TransferActive();
  }));
  onGuiSleep = nullptr;
  EXPECT_EQ(Requests(device, 0xFF, 0xC2), 5);
  // The start waits for the watcher only once its synchronised call has returned, so the pause
  // is acknowledged at once instead of after all of the 200 waits.
  EXPECT_LT(sleeps.Count(TCheckDevListThread::kPauseAckWaitMs), 5);
}

TEST_F(TransferStartTest, SecondDeviceTakesOverOnlyWhenTheFirstHasLeft) {
  form->TabPageControl->setCurrentWidget(form->PicturesTabSheet);
  devsim::DeviceSimulator& first = AddDevice();
  ASSERT_TRUE(PumpUntil([&] {
    return form->PicturesTabSheet->PicturesListBox->count() == 2 && !form->TransferActive();
  }));
  devsim::DeviceSimulator& second = AddDevice(kOtherDeviceId);
  const int cycles = sleeps.Count(platform::VirtualBusSocketApi::kDiscoveryMs);
  ASSERT_TRUE(PumpUntil(
      [&] { return sleeps.Count(platform::VirtualBusSocketApi::kDiscoveryMs) >= cycles + 2; }));

  // The page shows the first device's pictures, so a delete goes to it.
  form->PicturesTabSheet->PicturesListBox->item(1)->setSelected(true);
  prompts.QueueAnswer(TMessageAnswer::Yes);
  form->PicturesTabSheet->DeleteFileButtonClick();
  ASSERT_TRUE(PumpUntil([&] { return !form->TransferActive(); }));
  EXPECT_EQ(Requests(first, 0xFF, 0xD0), 1);
  EXPECT_EQ(second.Connections(), 0);
  EXPECT_EQ(form->PicturesTabSheet->PicturesListBox->count(), 1);

  // Once it has left, the page is read again from the one now in range.
  first.Stop();
  ASSERT_TRUE(
      PumpUntil([&] { return Requests(second, 0xFF, 0xC2) == 5 && !form->TransferActive(); }));
  EXPECT_EQ(form->Session.DeviceId(), kOtherDeviceId);
  EXPECT_EQ(form->PicturesTabSheet->PicturesListBox->count(), 2);
  EXPECT_TRUE(form->BottomStrip->LEDLabelIrDA->Lit());
}

}  // namespace
