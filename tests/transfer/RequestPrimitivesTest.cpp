// The request primitives and the identity check against a scripted socket layer, where exact
// replies, cut-off streams and failures are easy to arrange.
#include "transfer/RequestPrimitives.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/SleepHook.h"
#include "support/RecordingTransferHost.h"
#include "support/ScriptedSocketApi.h"
#include "support/SleepRecorder.h"

using platform::Bytes;

namespace {

class RequestPrimitivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Connect();
    ASSERT_TRUE(link.LinkOk) << link.Status;
    sleeps.Clear();
  }

  void Connect() {
    link.LinkOk = true;
    link.CreateDataSocket({1, 2, 3, 4});
    link.ConnectDevice(false);
  }

  const TCommandDescriptor& Entry(std::size_t index) const { return CommandTable()[index]; }

  // Every primitive once, as an action would issue them.
  void RunEveryPrimitive() {
    std::array<std::uint8_t, 4> area{};
    Bytes dir;
    const std::array<std::uint8_t, 3> params = {0xFF, 4, 0xFF};
    requests.ReadReply(std::span(&info.Identity, 1), 1, Entry(kIdentityCommand));
    requests.PollReply(std::span(&info.Identity, 1), 1, Entry(kIdentityCommand));
    requests.RequestReply(std::span(params).first(1), Entry(kAreaCommand), 4, std::span(area));
    requests.RequestReply(params, Entry(kDirectoryCommand), 0, dir);
    requests.SendCommand(params, Entry(kBlockCommand));
    requests.WaitReady(info);
  }

  testsupport::SleepRecorder sleeps;
  testsupport::ScriptedSocketApi api;
  TDynaIrDA link{&api};
  testsupport::RecordingTransferHost host;
  TRequestPrimitives requests{link, host};
  TDeviceInfo info;
};

TEST_F(RequestPrimitivesTest, DoNothingOnceTheLinkFailedOrAStopWasAsked) {
  for (bool stopInstead : {false, true}) {
    SCOPED_TRACE(stopInstead ? "stop requested" : "link failed");
    link.LinkOk = stopInstead;
    host.stop = stopInstead;
    info.Identity = 0;
    const int callsBefore = static_cast<int>(api.calls.size());
    RunEveryPrimitive();
    EXPECT_EQ(static_cast<int>(api.calls.size()), callsBefore);
    EXPECT_TRUE(sleeps.Waits().empty());
    EXPECT_EQ(host.steps, 0);
    EXPECT_FALSE(CheckIdentity(requests, info));
    EXPECT_TRUE(host.maximums.empty());
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(host.terminateRequests, 0);
  }
}

TEST_F(RequestPrimitivesTest, PausesAfterSendCommandExceptInTheFirmwareWrite) {
  const std::array<std::uint8_t, 1> type = {4};
  for (const TAction action : {TAction::WritePicture, TAction::WriteFirmware}) {
    SCOPED_TRACE("action " + std::to_string(static_cast<int>(action)));
    host.actionCode = action;
    sleeps.Clear();
    api.QueueReceive(Bytes{0, 0, 1, 0});
    std::array<std::uint8_t, 4> area{};
    EXPECT_TRUE(requests.SendCommand(type, Entry(kBlockCommand)));
    EXPECT_TRUE(requests.RequestReply(type, Entry(kAreaCommand), 4, std::span(area)));
    EXPECT_EQ(area, (std::array<std::uint8_t, 4>{0, 0, 1, 0}));
    const std::vector<int> sendPause =
        action == TAction::WriteFirmware ? std::vector<int>{20} : std::vector<int>{20, 200};
    std::vector<int> expected = sendPause;
    expected.insert(expected.end(), {20, 200});
    EXPECT_EQ(sleeps.Waits(), expected);
  }
  EXPECT_EQ(host.steps, 4);
}

TEST_F(RequestPrimitivesTest, ShortFixedRepliesFailTheLinkButStillPause) {
  api.QueueReceive(Bytes{7, 8});
  api.QueuePeerClosed();
  std::array<std::uint8_t, 4> area{9, 9, 9, 9};
  const std::array<std::uint8_t, 1> type = {3};
  EXPECT_FALSE(requests.RequestReply(type, Entry(kAreaCommand), 4, std::span(area)));
  EXPECT_FALSE(link.LinkOk);
  EXPECT_EQ(area, (std::array<std::uint8_t, 4>{9, 9, 9, 9}));
  EXPECT_EQ(sleeps.Waits(), (std::vector<int>{20, 200}));
}

TEST_F(RequestPrimitivesTest, LengthPrefixedRepliesAreTakenWholeOnlyWhenComplete) {
  const std::array<std::uint8_t, 3> params = {0xFF, 4, 1};
  Bytes file = {40, 0, 0, 0};  // a reply that is shorter than a header is still the device's
  file.resize(40, 0x55);
  api.QueueReceive(file);
  Bytes dest;
  EXPECT_TRUE(requests.RequestReply(params, Entry(kFileCommand), 0, dest));
  EXPECT_EQ(dest, file);
  EXPECT_EQ(api.sent.back(), (Bytes{0xFF, 0xC2, 0xFF, 4, 1}));

  // The stream ends half way through the announced length: a cut-off file is no reply.
  api.QueueReceive(Bytes(file.begin(), file.begin() + 20));
  api.QueuePeerClosed();
  EXPECT_FALSE(requests.RequestReply(params, Entry(kFileCommand), 0, dest));
  EXPECT_FALSE(link.LinkOk);
  EXPECT_EQ(dest, file);

  // The same when it ends inside the length prefix itself.
  Connect();
  api.QueueReceive(Bytes{36, 0});
  api.QueuePeerClosed();
  EXPECT_FALSE(requests.RequestReply(params, Entry(kFileCommand), 0, dest));
  EXPECT_FALSE(link.LinkOk);
  EXPECT_EQ(dest, file);
  EXPECT_EQ(sleeps.Count(200), 3);
}

TEST_F(RequestPrimitivesTest, WaitReadyPollsUntilReadyOrTheLinkFails) {
  for (std::uint8_t reply : {0, 0, 25}) api.QueueReceive(Bytes{reply});
  requests.WaitReady(info);
  EXPECT_EQ(info.Identity, 25);
  EXPECT_EQ(api.Count("Send "), 3);
  EXPECT_EQ(host.steps, 3);

  api.QueueReceive(Bytes{0});
  api.QueueReceiveFailure(10054);
  requests.WaitReady(info);
  EXPECT_EQ(info.Identity, 0);
  EXPECT_FALSE(link.LinkOk);
  EXPECT_EQ(api.Count("Send "), 5);
}

TEST_F(RequestPrimitivesTest, WaitReadyGivesUpOnADeviceThatStaysBusy) {
  for (int i = 0; i < TRequestPrimitives::kMaxReadyPolls + 5; ++i) api.QueueReceive(Bytes{0});
  requests.WaitReady(info);
  EXPECT_FALSE(link.LinkOk);
  EXPECT_EQ(api.Count("Send "), TRequestPrimitives::kMaxReadyPolls);
}

TEST_F(RequestPrimitivesTest, UnreadableIdentityIsALinkFailureNotAWrongDevice) {
  // 0 bytes, then a failed receive, each on its own link.
  for (bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "receive fails" : "peer closes");
    Connect();
    if (fails) {
      api.QueueReceiveFailure(10054);
    } else {
      api.QueuePeerClosed();
    }
    EXPECT_FALSE(CheckIdentity(requests, info));
    EXPECT_FALSE(link.LinkOk);
    EXPECT_EQ(info.Identity, 0);
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(host.terminateRequests, 0);
  }
  EXPECT_EQ(host.maximums, (std::vector<int>{1, 1}));
}

TEST_F(RequestPrimitivesTest, StopDuringTheIdentityCheckShowsNothing) {
  host.stopAfterSteps = 1;  // raised as the identity command begins
  api.QueueReceive(Bytes{18});
  EXPECT_FALSE(CheckIdentity(requests, info));
  EXPECT_TRUE(host.notices.empty());
  EXPECT_EQ(host.terminateRequests, 0);
}

}  // namespace
