// The presence watcher against a scripted socket layer: its cycle, its pause handshake with the
// main thread, and its stop within the shutdown bound.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/SleepHook.h"
#include "support/PumpEvents.h"
#include "support/ScriptedSocketApi.h"
#include "support/SleepRecorder.h"
#include "watcher/CheckDevListThread.h"

namespace {

using testsupport::PumpUntil;

using testsupport::ScriptedSocketApi;

class WatcherTest : public testing::Test {
 protected:
  WatcherTest() {
    // Recorded waits return at once; a short yield keeps the spinning threads polite.
    sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    api.SetIdleDevices({{{0x4F, 0x52, 0x56, 0x4C}, "Orvanel"}});
  }

  void Start() {
    watcher = std::make_unique<TCheckDevListThread>(link, &context, [this] {
      ++updates;
      lastCount = link.ListedDeviceCount();
    });
    watcher->start();
  }

  ~WatcherTest() override {
    if (watcher) watcher->StopAndWait();
  }

  testsupport::SleepRecorder sleeps;
  ScriptedSocketApi api;
  TIrDA link{&api};
  QObject context;
  std::atomic<int> updates{0};
  std::atomic<std::uint32_t> lastCount{0};
  std::unique_ptr<TCheckDevListThread> watcher;
};

TEST_F(WatcherTest, ReportsEveryCycleOnTheMainThreadAndClosesItsSocketWhenStopped) {
  Start();
  ASSERT_TRUE(PumpUntil([&] { return updates >= 3; }));
  EXPECT_EQ(lastCount, 1u);

  EXPECT_TRUE(watcher->StopAndWait());
  EXPECT_TRUE(watcher->Finished);
  EXPECT_EQ(api.Count("CreateSocket"), 1);
  ASSERT_EQ(api.closes.size(), 1u);
  EXPECT_EQ(api.closes[0], api.created[0]);
}

TEST_F(WatcherTest, RetriesSocketCreationOnceASecondUntilItWorks) {
  api.QueueCreateFailure(platform::wsa::kAddressFamilyNotSupported);
  api.QueueCreateFailure(platform::wsa::kAddressFamilyNotSupported);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return updates >= 1; }));
  watcher->StopAndWait();

  EXPECT_EQ(api.Count("CreateSocket"), 3);
  // A device is in range, so the only 1000 ms waits are the two creation retries.
  EXPECT_EQ(sleeps.Count(1000), 2);
}

TEST_F(WatcherTest, WithNoDeviceACycleSleepsTwiceAndReportsNothingFound) {
  api.SetIdleDevices({});
  Start();
  ASSERT_TRUE(PumpUntil([&] { return updates >= 2; }));
  watcher->StopAndWait();

  EXPECT_EQ(lastCount, 0u);
  const int enumerations = api.Count("EnumerateDevices");
  EXPECT_GE(enumerations, 4);
  EXPECT_EQ(sleeps.Count(1000), enumerations);
}

TEST_F(WatcherTest, PauseHandshakeStopsReportsUntilResumed) {
  Start();
  ASSERT_TRUE(PumpUntil([&] { return updates >= 1; }));

  watcher->PauseWatch();
  ASSERT_TRUE(watcher->WaitPaused());
  EXPECT_TRUE(watcher->PausedAck);
  const int pausedAt = updates;
  const int enumerationsAtPause = api.Count("EnumerateDevices");

  // While paused the watcher only checks its flag every 500 ms: no enumeration, no report.
  ASSERT_TRUE(PumpUntil([&] { return sleeps.Count(500) >= 5; }));
  EXPECT_EQ(updates, pausedAt);
  EXPECT_EQ(api.Count("EnumerateDevices"), enumerationsAtPause);

  watcher->ResumeWatch();
  ASSERT_TRUE(PumpUntil([&] { return updates > pausedAt; }));
  EXPECT_FALSE(watcher->PausedAck);
}

TEST_F(WatcherTest, WaitPausedGivesUpAfterTwoHundredShortWaits) {
  // A watcher that never started cannot acknowledge: the wait is bounded, not endless.
  watcher = std::make_unique<TCheckDevListThread>(link, &context, [] {});
  watcher->PauseWatch();
  EXPECT_FALSE(watcher->WaitPaused());
  EXPECT_EQ(sleeps.Count(10), 200);
  watcher.reset();
}

TEST_F(WatcherTest, StopsWhileBlockedInItsSynchronisedCall) {
  // The main thread does not pump events until it stops the watcher; the stop wait itself
  // must let the pending presence call through, or the watcher could never finish.
  Start();
  const bool reachedCall = [&] {
    QDeadlineTimer deadline(5000);
    while (api.Count("EnumerateDevices") < 1 && !deadline.hasExpired())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return !deadline.hasExpired();
  }();
  ASSERT_TRUE(reachedCall);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));

  EXPECT_TRUE(watcher->StopAndWait());
  EXPECT_LE(sleeps.Count(100), TCheckDevListThread::kStopWaits);
}

}  // namespace
