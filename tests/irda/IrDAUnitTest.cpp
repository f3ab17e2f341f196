#include "irda/IrDAUnit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SleepHook.h"
#include "support/ScriptedSocketApi.h"
#include "support/SleepRecorder.h"

namespace {

using platform::kInvalidSocket;
using testsupport::ScriptedSocketApi;
namespace wsa = platform::wsa;

class IrDAUnitTest : public ::testing::Test {
 protected:
  // A transport with a data socket (handle 100) the way a transfer sets it up.
  void CreateData() {
    irda.LinkOk = true;
    irda.CreateDataSocket({10, 27, 0, 1});
    ASSERT_EQ(irda.DataSocket, 100u);
  }
  void Connected() {
    CreateData();
    irda.ConnectDevice(false);
    ASSERT_EQ(irda.Status, "Connect OK");
  }

  testsupport::SleepRecorder sleeps;
  ScriptedSocketApi api;
  TIrDA irda{&api};
};

TEST_F(IrDAUnitTest, StartsWithTheComponentsInitialValues) {
  EXPECT_EQ(irda.DataSocket, 0u);
  EXPECT_EQ(irda.CheckSocket, 0u);
  EXPECT_EQ(irda.ServiceName, "LSAP-SEL01");
  EXPECT_EQ(irda.ChunkSize, 300);
  EXPECT_FALSE(irda.LinkOk);
  EXPECT_FALSE(irda.RecvFinished);
  EXPECT_TRUE(irda.Status.empty());
  EXPECT_TRUE(irda.DeviceCountText.empty());
}

TEST_F(IrDAUnitTest, StartWinsockDescribesTheGrantedVersionsAndTexts) {
  // High byte first: 0x0102 reads "1.2". Texts end at their first zero byte.
  api.startupInfo = {0x0102, 0x0202, std::string("IrDA stack\0junk", 15), "Running", "Acme"};
  irda.StartWinsock();
  EXPECT_EQ(api.requestedVersion, 0x0202);
  EXPECT_EQ(irda.Status, "WSAStartup OK: 1.2/2.2 IrDA stack Running Acme");

  api.startupInfo.vendorInfo.clear();
  irda.StartWinsock();
  EXPECT_EQ(irda.Status, "WSAStartup OK: 1.2/2.2 IrDA stack Running ");
}

TEST_F(IrDAUnitTest, StartWinsockFailureAndStopWinsock) {
  irda.LinkOk = true;
  api.startupResult = 10091;
  irda.StartWinsock();
  EXPECT_EQ(irda.Status, "Wrong winscock dlls");
  EXPECT_FALSE(irda.LinkOk);

  api.cleanupResult = wsa::kNotInitialised;  // a failing clean-up reads the same
  irda.StopWinsock();
  EXPECT_EQ(irda.Status, "WSACleanUp done");
  EXPECT_EQ(api.Count("Cleanup"), 1);
}

TEST_F(IrDAUnitTest, NoIrdaProtocolFailsTheCheckSocketWithTheWinsockError) {
  irda.LinkOk = true;
  api.QueueCreateFailure(wsa::kAddressFamilyNotSupported);
  irda.CreateCheckSocket();
  EXPECT_EQ(irda.Status, "WSCreateCS failed");
  EXPECT_FALSE(irda.LinkOk);
  EXPECT_EQ(irda.LastError, wsa::kAddressFamilyNotSupported);
  EXPECT_EQ(irda.CheckSocket, kInvalidSocket);

  irda.CreateCheckSocket();
  EXPECT_EQ(irda.Status, "WSCreateCS OK");
  EXPECT_EQ(irda.CheckSocket, 100u);
}

TEST_F(IrDAUnitTest, CreateDataSocketCopiesTheDeviceIdOrFails) {
  irda.LinkOk = true;
  api.QueueCreateFailure(wsa::kNetworkDown);
  irda.CreateDataSocket({1, 2, 3, 4});
  EXPECT_EQ(irda.Status, "WSCreateDF failed");
  EXPECT_FALSE(irda.LinkOk);
  EXPECT_EQ(irda.LastError, wsa::kNetworkDown);
  EXPECT_EQ(irda.DataSocket, kInvalidSocket);

  irda.CreateDataSocket({1, 2, 3, 4});
  EXPECT_EQ(irda.Status, "WSCreateDF OK / GetOptDF OK");
  EXPECT_EQ(std::vector<int>(irda.TargetAddress.deviceId, irda.TargetAddress.deviceId + 4),
            (std::vector<int>{1, 2, 3, 4}));
}

// ---- Enumeration -------------------------------------------------------------------------------

TEST_F(IrDAUnitTest, NoDeviceInRangeTakesTwoAttemptsWithASecondAfterEach) {
  irda.CreateCheckSocket();
  irda.ListDevices();
  EXPECT_EQ(api.Count("EnumerateDevices 100"), 2);
  EXPECT_EQ(sleeps.Waits(), (std::vector<int>{1000, 1000}));
  EXPECT_EQ(irda.DeviceCountText, "0");
  EXPECT_EQ(irda.Status, "GetOptCDL OK:0 Dev:0");
  EXPECT_EQ(irda.ListedDeviceCount(), 0u);
  // Each attempt offers the whole list, not what the previous one shortened the length to.
  EXPECT_EQ(api.enumerateLengths, (std::vector<int>{468, 468}));
}

TEST_F(IrDAUnitTest, OneDeviceInRangeAnswersAfterOneAttemptWithoutWaiting) {
  irda.CreateCheckSocket();
  api.QueueEnumeration({{{10, 27, 0, 1}, "Orvanel"}, {{9, 9, 9, 9}, "Other"}});
  irda.ListDevices();
  EXPECT_EQ(api.Count("EnumerateDevices"), 1);
  EXPECT_TRUE(sleeps.Waits().empty());
  EXPECT_EQ(irda.Status, "GetOptCDL OK:0 Dev:2");
  EXPECT_EQ(irda.DeviceCountText, "2");
  // Only the first entry is used.
  EXPECT_EQ(irda.DeviceIdText, "10 27 0 1 ");
  EXPECT_EQ(irda.DeviceNameText, std::string("Orvanel") + std::string(15, '\0'));
  EXPECT_EQ(irda.FirstDeviceId(), (TIrDA::DeviceIdBytes{10, 27, 0, 1}));
}

TEST_F(IrDAUnitTest, DeviceAnsweringTheSecondAttemptIsFound) {
  irda.CreateCheckSocket();
  api.QueueEnumeration(std::vector<ScriptedSocketApi::Device>{});
  api.QueueEnumeration({{{10, 27, 0, 1}, "Orvanel"}});
  irda.ListDevices();
  EXPECT_EQ(sleeps.Waits(), (std::vector<int>{1000}));
  EXPECT_EQ(irda.Status, "GetOptCDL OK:0 Dev:1");
}

TEST_F(IrDAUnitTest, FailedEnumerationReadsAsNoDeviceAndKeepsTheResetTexts) {
  irda.CreateCheckSocket();
  api.QueueEnumeration({{{10, 27, 0, 1}, "Orvanel"}});
  irda.ListDevices();
  ASSERT_EQ(irda.ListedDeviceCount(), 1u);

  api.QueueEnumerationFailure(wsa::kNetworkDown);
  api.QueueEnumerationFailure(wsa::kNetworkDown);
  irda.ListDevices();
  EXPECT_EQ(irda.Status, "GetOptCDL failed ");
  EXPECT_EQ(irda.DeviceCountText, "0");
  EXPECT_EQ(irda.DeviceIdText, "--");
  EXPECT_EQ(irda.DeviceNameText, "--");
  EXPECT_EQ(irda.ListedDeviceCount(), 0u);
  EXPECT_EQ(sleeps.Count(1000), 2);
}

// ---- Connecting ---------------------------------------------------------------------------------

TEST_F(IrDAUnitTest, BlockingConnectAddressesTheServiceAndBoundsReceives) {
  Connected();
  ASSERT_EQ(api.connectAddresses.size(), 1u);
  const platform::SockAddrIrda& address = api.connectAddresses[0];
  EXPECT_EQ(address.family, 26);
  EXPECT_EQ(std::vector<int>(address.deviceId, address.deviceId + 4),
            (std::vector<int>{10, 27, 0, 1}));
  EXPECT_EQ(std::string(address.serviceName, 11), std::string("LSAP-SEL01\0", 11));
  EXPECT_EQ(api.connectLengths[0], 32);
  EXPECT_EQ(api.receiveTimeouts,
            (std::vector<std::pair<platform::SocketHandle, int>>{{100, irda.ReceiveTimeoutMs}}));
  EXPECT_TRUE(irda.LinkOk);
}

TEST_F(IrDAUnitTest, OverlongServiceNameIsCutToTwentyFourCharacters) {
  CreateData();
  irda.ServiceName = std::string(30, 'S');
  irda.ConnectDevice(false);
  const platform::SockAddrIrda& address = api.connectAddresses.at(0);
  EXPECT_EQ(std::string(address.serviceName), std::string(24, 'S'));
}

TEST_F(IrDAUnitTest, RefusedConnectClosesTheSocketAndFailsTheLink) {
  CreateData();
  api.QueueConnect(platform::kSocketError, wsa::kConnectionRefused);
  irda.ConnectDevice(false);
  EXPECT_EQ(irda.Status, "Connect failed: 10061 / Close Client: 0");
  EXPECT_FALSE(irda.LinkOk);
  EXPECT_EQ(irda.DataSocket, kInvalidSocket);
  EXPECT_EQ(api.closes, (std::vector<platform::SocketHandle>{100}));
  EXPECT_TRUE(api.receiveTimeouts.empty());
}

TEST_F(IrDAUnitTest, NonBlockingConnectWaitsThroughWouldBlockAndAlready) {
  CreateData();
  api.QueueConnect(platform::kSocketError, wsa::kWouldBlock);
  api.QueueConnect(platform::kSocketError, wsa::kAlready);
  api.QueueConnect(platform::kSocketError, wsa::kWouldBlock);
  api.QueueConnect(platform::kSocketError, wsa::kIsConnected);
  irda.ConnectDevice(true);
  EXPECT_EQ(irda.Status, "Non-blocking connect OK Trials=3");
  EXPECT_EQ(sleeps.Waits(), (std::vector<int>{25, 25}));
  EXPECT_TRUE(irda.LinkOk);
  EXPECT_EQ(irda.DataSocket, 100u);
  EXPECT_EQ(api.nonBlockingSwitches,
            (std::vector<std::pair<platform::SocketHandle, bool>>{{100, true}, {100, false}}));
  EXPECT_EQ(api.receiveTimeouts.size(), 1u);
}

TEST_F(IrDAUnitTest, NonBlockingConnectThatCompletesAtOnceStaysNonBlocking) {
  CreateData();
  irda.ConnectDevice(true);
  EXPECT_EQ(irda.Status, "Connect OK");
  EXPECT_EQ(api.nonBlockingSwitches.size(), 1u);
}

TEST_F(IrDAUnitTest, NonBlockingConnectRefusedAtOnceFails) {
  CreateData();
  api.QueueConnect(platform::kSocketError, wsa::kConnectionRefused);
  irda.ConnectDevice(true);
  EXPECT_EQ(irda.Status, "Connect failed: 10061 / Close Client: 0");
  EXPECT_FALSE(irda.LinkOk);
}

TEST_F(IrDAUnitTest, UnexpectedErrorEndsTheTrialsAndIsLeftForTheNextTransfer) {
  CreateData();
  api.QueueConnect(platform::kSocketError, wsa::kWouldBlock);
  api.QueueConnect(platform::kSocketError, wsa::kConnectionRefused);
  irda.ConnectDevice(true);
  EXPECT_EQ(irda.Status, "Non-blocking connect OK 10061 Trials=1");
  EXPECT_EQ(sleeps.Waits(), (std::vector<int>{1000}));
  EXPECT_TRUE(irda.LinkOk);
  EXPECT_EQ(api.nonBlockingSwitches.back(), (std::pair<platform::SocketHandle, bool>{100, false}));
}

TEST_F(IrDAUnitTest, NonBlockingConnectGivesUpAfterFourHundredAndOneTrials) {
  CreateData();
  for (int i = 0; i < 500; ++i) api.QueueConnect(platform::kSocketError, wsa::kWouldBlock);
  irda.ConnectDevice(true);
  EXPECT_EQ(api.Count("Connect "), 1 + 401);
  EXPECT_EQ(sleeps.Count(25), 401);
  EXPECT_EQ(irda.Status, "Non-blocking connect OK\r\nConnect failed / Close Client: 0");
  EXPECT_FALSE(irda.LinkOk);
  EXPECT_EQ(irda.DataSocket, kInvalidSocket);
  EXPECT_EQ(api.closes, (std::vector<platform::SocketHandle>{100}));
}

TEST_F(IrDAUnitTest, ConnectOnTheLastTrialIsAConnection) {
  CreateData();
  for (int i = 0; i < 401; ++i) api.QueueConnect(platform::kSocketError, wsa::kWouldBlock);
  api.QueueConnect(0);
  irda.ConnectDevice(true);
  EXPECT_EQ(irda.Status, "Non-blocking connect OK Trials=401");
  EXPECT_TRUE(irda.LinkOk);
  EXPECT_TRUE(api.closes.empty());
}

TEST_F(IrDAUnitTest, FailedNoLingerLeavesTheLinkUsable) {
  CreateData();
  api.noLingerOutcome = {platform::kSocketError, wsa::kNetworkDown};
  irda.SetNoLinger();
  EXPECT_EQ(irda.Status, "SetOpt: 10050");
  EXPECT_TRUE(irda.LinkOk);
  api.noLingerOutcome = {0, 0};
  irda.SetNoLinger();
  EXPECT_EQ(irda.Status, "SetOpt OK");
  EXPECT_EQ(api.noLingerSockets, (std::vector<platform::SocketHandle>{100, 100}));
}

// ---- Data ---------------------------------------------------------------------------------------

TEST_F(IrDAUnitTest, SendSendsTheWholeBuffer) {
  Connected();
  irda.SendBuffer = {0xFF, 0x04, 0x06};
  EXPECT_EQ(irda.SendRequest(), 3);
  EXPECT_EQ(irda.Status, "Send OK");
  EXPECT_EQ(api.sent, (std::vector<platform::Bytes>{{0xFF, 0x04, 0x06}}));
}

TEST_F(IrDAUnitTest, FailedSendClosesOnceAndTheClosingCloseFindsNoSocket) {
  Connected();
  irda.SendBuffer = {0x10};
  api.QueueSendFailure(wsa::kConnectionReset);
  EXPECT_EQ(irda.SendRequest(), -1);
  EXPECT_EQ(irda.Status, "Send failed 10054");
  EXPECT_FALSE(irda.LinkOk);
  EXPECT_EQ(irda.DataSocket, kInvalidSocket);

  irda.CloseClient();
  EXPECT_EQ(irda.Status, "Close Client: Invalid Socket");
  EXPECT_EQ(api.closes, (std::vector<platform::SocketHandle>{100}));
  EXPECT_TRUE(api.shutdowns.empty());

  // Nothing reaches the socket layer once the socket is gone.
  EXPECT_EQ(irda.SendRequest(), -1);
  EXPECT_EQ(irda.ReceiveChunk(), -1);
  EXPECT_EQ(api.Count("Send "), 1);
  EXPECT_EQ(api.Count("Receive "), 0);
}

TEST_F(IrDAUnitTest, PeerClosingTheStreamFinishesTheReply) {
  Connected();
  irda.ReceiveBuffer.assign(400, 0);
  api.QueuePeerClosed();
  EXPECT_EQ(irda.ReceiveChunk(), 0);
  EXPECT_EQ(irda.Status, "Finished recv data");
  EXPECT_TRUE(irda.RecvFinished);
  EXPECT_TRUE(irda.LinkOk);
  EXPECT_TRUE(api.closes.empty());

  // Every receive starts unfinished again.
  api.QueueReceive(std::string("x"));
  EXPECT_EQ(irda.ReceiveChunk(), 1);
  EXPECT_FALSE(irda.RecvFinished);
}

TEST_F(IrDAUnitTest, ReceiveAsksForOneChunkAndStoresItAtWritePos) {
  Connected();
  irda.ReceiveBuffer.assign(10, 0);
  irda.WritePos = 5;
  api.QueueReceive(platform::Bytes{1, 2, 3});
  EXPECT_EQ(irda.ReceiveChunk(), 3);
  EXPECT_EQ(irda.Status, "Recv data OK");
  EXPECT_EQ(api.receiveSizes, (std::vector<int>{300}));
  EXPECT_EQ(irda.ReceiveBuffer, (platform::Bytes{0, 0, 0, 0, 0, 1, 2, 3, 0, 0}));
  EXPECT_EQ(irda.WritePos, 5);  // advancing it is the command layer's job
}

TEST_F(IrDAUnitTest, ChunkReachingTheLastByteIsStoredFromTheStart) {
  Connected();
  irda.ReceiveBuffer.assign(10, 0);
  irda.WritePos = 5;
  api.QueueReceive(platform::Bytes{1, 2, 3, 4});  // 5 + 4 reaches index 9, the last
  EXPECT_EQ(irda.ReceiveChunk(), 4);
  EXPECT_EQ(irda.WritePos, 0);
  EXPECT_EQ(irda.ReceiveBuffer, (platform::Bytes{1, 2, 3, 4, 0, 0, 0, 0, 0, 0}));
}

TEST_F(IrDAUnitTest, ChunkLargerThanTheReplyBufferIsKeptWhole) {
  Connected();
  irda.ReceiveBuffer.assign(4, 0);
  const platform::Bytes chunk{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  api.QueueReceive(chunk);
  EXPECT_EQ(irda.ReceiveChunk(), 10);
  ASSERT_GE(irda.ReceiveBuffer.size(), chunk.size());
  EXPECT_TRUE(std::equal(chunk.begin(), chunk.end(), irda.ReceiveBuffer.begin()));
}

TEST_F(IrDAUnitTest, FailedOrTimedOutReceiveClosesTheSocketAndFailsTheLink) {
  Connected();
  // Nothing scripted: the receive times out as against a device that never answers.
  EXPECT_EQ(irda.ReceiveChunk(), -1);
  EXPECT_EQ(irda.Status, "Recv failed");
  EXPECT_FALSE(irda.LinkOk);
  EXPECT_EQ(irda.DataSocket, kInvalidSocket);
  EXPECT_EQ(api.closes, (std::vector<platform::SocketHandle>{100}));
}

// ---- Closing ------------------------------------------------------------------------------------

TEST_F(IrDAUnitTest, CloseClientShutsDownWaitsAndCloses) {
  Connected();
  sleeps.SetOnSleep([this](int ms) { api.Note("Sleep " + std::to_string(ms)); });
  irda.CloseClient();
  EXPECT_EQ(irda.Status, "Shutdown: 0 / Close Client: 0");
  EXPECT_EQ(irda.DataSocket, kInvalidSocket);
  const std::vector<std::string> tail(api.calls.end() - 3, api.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Shutdown 100", "Sleep 200", "Close 100"}));
}

TEST_F(IrDAUnitTest, CloseCheckSocketClosesOnlyOnce) {
  irda.CreateCheckSocket();
  irda.CloseCheckSocket();
  EXPECT_EQ(irda.Status, "Closed IrCheck");
  irda.CloseCheckSocket();
  EXPECT_EQ(irda.Status, "Closed IrCheck");
  EXPECT_EQ(api.closes, (std::vector<platform::SocketHandle>{100}));
}

}  // namespace
