// A fixture for end-to-end tests: the real main window and a simulated dive computer on a private
// bus, pauses recorded (each one a short real yield, so the threads interleave as they would).
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "DeviceSimulator.h"
#include "app/Main.h"
#include "devsim/BusClient.h"
#include "picture/PictureCodec.h"
#include "pictures/PicturesPage.h"
#include "platform/SleepHook.h"
#include "support/DeviceRequests.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/SleepRecorder.h"
#include "support/TemporaryBus.h"
#include "widgets/LED.h"

namespace testsupport {

class WindowOnSimulatorTest : public testing::Test {
 protected:
  WindowOnSimulatorTest() {
    sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::microseconds(200)); });
    devsim::SimulatorConfig config;
    config.busDirectory = bus.Dir();
    config.stateDirectory = state.path().toStdString();
    config.restartMs = 0;
    device = std::make_unique<devsim::DeviceSimulator>(config);
    std::string error;
    started = device->Start(&error);
    EXPECT_TRUE(started) << error;
    form = std::make_unique<TMainForm>();
  }

  ~WindowOnSimulatorTest() override {
    if (form) form->close();
    form.reset();
    device->Stop();
  }

  bool WaitForLight() {
    return PumpUntil([&] { return form->BottomStrip->LEDLabelIrDA->Lit(); });
  }
  bool WaitIdle() {
    return PumpUntil([&] { return !form->TransferActive(); });
  }
  // Turns to a page and waits until every read it started has ended.
  bool TurnTo(QWidget* page) {
    form->TabPageControl->setCurrentWidget(page);
    return WaitIdle();
  }
  // The Pictures page read in full (the simulator's five pictures), and a checker pattern of the
  // four levels in the working picture, named "diver.bmp".
  void ReadPicturesAndDraw() {
    ASSERT_TRUE(TurnTo(form->PicturesTabSheet));
    ASSERT_EQ(form->Session.Catalogue().CatalogueCount(), 5);
    QImage picture = MakeWorkingPicture();
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x)
        picture.setPixel(x, y, kLevelColors[(x / 8 + y / 8) % 4]);
    }
    form->PicturesTabSheet->UsePicture(picture, "diver.bmp");
  }
  // Asks the device for its identity on a connection of the test's own, letting events through
  // meanwhile. The device serves one connection at a time, so once this has its answer (17), the
  // device has dealt with everything the window sent before, answered or not. The watcher may
  // meanwhile find the device busy and out of range: a test that keeps using the window after
  // this must keep the watcher's discoveries apart (see HostileDeviceTest).
  int ProbeIdentity() {
    auto answer = std::async(std::launch::async, [path = device->SocketPath()] {
      devsimtest::BusClient probe(path);
      return probe.Identity();
    });
    PumpUntil(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return answer.get();
  }
  // The requests the device received that start with these two bytes, in order.
  std::vector<platform::Bytes> Sent(std::uint8_t code, std::uint8_t sub) const {
    return SentTo(*device, code, sub);
  }
  int Requests(std::uint8_t code, std::uint8_t sub) const {
    return CountSentTo(*device, code, sub);
  }

  TemporaryBus bus;
  testsupport::SleepRecorder sleeps;
  TScriptedPrompts prompts;
  QTemporaryDir state;
  std::unique_ptr<devsim::DeviceSimulator> device;
  bool started = false;
  std::unique_ptr<TMainForm> form;
};

}  // namespace testsupport
