// A fixture for link tests: the simulated dive computer on a private bus, and links connected
// to it as a transfer connects them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DeviceSimulator.h"
#include "irda/DynaIrDA.h"
#include "platform/SleepHook.h"
#include "support/SleepRecorder.h"
#include "support/TemporaryBus.h"

namespace testsupport {

class LinkOnBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    devsim::SimulatorConfig config;
    config.busDirectory = bus.Dir();
    config.stateDirectory = bus.Dir() + "/state";  // not a device name, so not on the bus
    simulator = std::make_unique<devsim::DeviceSimulator>(config);
    std::string error;
    ASSERT_TRUE(simulator->Start(&error)) << error;
  }

  void TearDown() override { simulator->Stop(); }

  // What a transfer does before its commands.
  void Connect(TDynaIrDA& link) {
    link.LinkOk = true;
    link.CreateDataSocket(devsim::kDefaultDeviceId);
    link.SetNoLinger();
    link.ConnectDevice(false);
    ASSERT_TRUE(link.LinkOk) << link.Status;
  }

  testsupport::SleepRecorder sleeps;
  TemporaryBus bus;
  std::unique_ptr<devsim::DeviceSimulator> simulator;
};

}  // namespace testsupport
