// A fixture for transfer tests against the simulated dive computer in this process: the
// simulator runs on a private bus, and a link connects to it as the transfer worker does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DeviceSimulator.h"
#include "DeviceStore.h"
#include "irda/DynaIrDA.h"
#include "platform/SleepHook.h"
#include "support/RecordingTransferHost.h"
#include "support/SleepRecorder.h"
#include "support/TemporaryBus.h"
#include "transfer/DeviceInfo.h"

namespace testsupport {

class SimulatorOnBusTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (simulator) simulator->Stop();
  }

  // Stores the picture area as `editPictures` leaves it, then starts the simulator on this
  // test's bus. A fresh state folder holds firmware 5.1 unless `config` forces a version.
  template <typename EditPictures>
  void StartSimulator(devsim::SimulatorConfig config, EditPictures editPictures) {
    config.busDirectory = bus.Dir();
    const auto [major, minor] =
        config.firmware.value_or(std::pair<std::uint8_t, std::uint8_t>{5, 1});
    devsim::DeviceStore store(config.stateDirectory);
    devsim::DeviceMemory memory;
    std::string error;
    ASSERT_TRUE(store.Load(memory, major, minor, error)) << error;
    devsim::AreaContent& area = memory[*devsim::AreaSlot(devsim::kPictureArea)];
    editPictures(area);
    ASSERT_TRUE(store.Save(devsim::kPictureArea, area, error)) << error;
    simulator = std::make_unique<devsim::DeviceSimulator>(config);
    ASSERT_TRUE(simulator->Start(&error)) << error;
  }

  // A fresh link connected to the simulated device for `action`, as the worker opens it before
  // a transfer; whether it worked is in link->LinkOk.
  void OpenLink(TAction action) {
    host.actionCode = action;
    link = std::make_unique<TDynaIrDA>();
    link->LinkOk = true;
    link->CreateDataSocket(devsim::kDefaultDeviceId);
    link->SetNoLinger();
    link->ConnectDevice(false);
  }

  testsupport::SleepRecorder sleeps;
  TemporaryBus bus;
  std::unique_ptr<devsim::DeviceSimulator> simulator;
  RecordingTransferHost host;
  std::unique_ptr<TDynaIrDA> link;
  TDeviceInfo info;
  std::vector<int> waits;  // pauses of the actions, without the close's
};

}  // namespace testsupport
