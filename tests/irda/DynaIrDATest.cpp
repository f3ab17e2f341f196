#include "irda/DynaIrDA.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/SleepHook.h"
#include "support/ScriptedSocketApi.h"
#include "support/SleepRecorder.h"

using platform::Bytes;
using platform::ToHex;

namespace {

Bytes Sequence(std::size_t count, std::uint8_t first = 0) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

// A reply that announces `total` bytes in its prefix, `count` bytes of it.
Bytes PrefixedReply(std::uint32_t total, std::size_t count) {
  Bytes bytes = Sequence(count, 0x40);
  Bytes prefix;
  platform::AppendLE(prefix, total, 4);
  std::copy_n(prefix.begin(), std::min<std::size_t>(4, count), bytes.begin());
  return bytes;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

TCommandDescriptor Command(std::uint8_t kind, std::uint8_t code, std::uint8_t mode) {
  TCommandDescriptor d;
  d.Kind = kind;
  d.Code = code;
  d.AnswerMode = mode;
  return d;
}

// A command layer connected to a scripted peer.
class DynaIrDATest : public ::testing::Test {
 protected:
  void SetUp() override {
    link.LinkOk = true;
    link.CreateDataSocket({1, 2, 3, 4});
    link.ConnectDevice(false);
    ASSERT_TRUE(link.LinkOk) << link.Status;
    sleeps.Clear();
  }

  // The pauses of the device dialogue belong to the transfer worker, never to the exchange.
  void TearDown() override { EXPECT_TRUE(sleeps.Waits().empty()); }

  int Sends() const { return api.Count("Send "); }
  int Receives() const { return api.Count("Receive "); }
  std::string LastSent() const { return api.sent.empty() ? "(nothing)" : ToHex(api.sent.back()); }

  testsupport::SleepRecorder sleeps;
  testsupport::ScriptedSocketApi api;
  TDynaIrDA link{&api};
};

TEST_F(DynaIrDATest, FramesEveryKind) {
  EXPECT_TRUE(link.ExecuteCommand(Command(1, 0x10, 0)));
  EXPECT_EQ(LastSent(), "10");

  TCommandDescriptor kind4 = Command(4, 0xFF, 0);
  kind4.Params = {0xF5};
  EXPECT_TRUE(link.ExecuteCommand(kind4));
  EXPECT_EQ(LastSent(), "FF F5");

  TCommandDescriptor kind3 = Command(3, 0x20, 0);
  kind3.Address = 0x12345;
  kind3.Length = 16;
  kind3.Params = {0xAA};  // kind 3 carries no parameters
  EXPECT_TRUE(link.ExecuteCommand(kind3));
  EXPECT_EQ(LastSent(), "20 45 23 01 00 10 00 00 00");

  TCommandDescriptor notation = Command(2, 0x30, 0);
  notation.Address = 0x0A0B0C0D;
  notation.Length = 99;  // ignored: the length is what the notation expands to
  notation.ParamsInNotation = true;
  notation.Params = platform::BytesOf("b1,w2");
  EXPECT_TRUE(link.ExecuteCommand(notation));
  EXPECT_EQ(LastSent(), "30 0D 0C 0B 0A 03 00 00 00 01 02 00");

  TCommandDescriptor raw = Command(2, 0x31, 0);
  raw.Address = -1;
  raw.Length = 7;  // raw parameters: the caller's length goes out as it is
  raw.Params = {0xAA, 0xBB};
  EXPECT_TRUE(link.ExecuteCommand(raw));
  EXPECT_EQ(LastSent(), "31 FF FF FF FF 07 00 00 00 AA BB");

  TCommandDescriptor kind4Notation = Command(4, 0xFF, 0);
  kind4Notation.ParamsInNotation = true;
  kind4Notation.Params = platform::BytesOf("b$F5,'OK'");
  EXPECT_TRUE(link.ExecuteCommand(kind4Notation));
  EXPECT_EQ(LastSent(), "FF F5 4F 4B");

  for (std::uint8_t kind : {0, 1, 5, 0xFF}) {
    TCommandDescriptor codeOnly = Command(kind, 0xE1, 0);
    codeOnly.Params = {0x01, 0x02};
    EXPECT_TRUE(link.ExecuteCommand(codeOnly));
    EXPECT_EQ(LastSent(), "E1") << "kind " << int(kind);
    EXPECT_EQ(ToHex(link.Request), "E1");
  }
  EXPECT_EQ(Receives(), 0);
}

TEST_F(DynaIrDATest, OneReceiveAnswersEveryModeButZeroAndTwo) {
  for (std::uint8_t mode : {1, 3, 0xFF}) {
    api.QueueReceive(Sequence(350));
    const int before = Receives();
    EXPECT_TRUE(link.ExecuteCommand(Command(1, 0x10, mode)));
    EXPECT_EQ(Receives() - before, 1) << "mode " << int(mode);
    EXPECT_EQ(link.Reply, Sequence(300));  // what one receive of ChunkSize returns
    EXPECT_EQ(link.ExpectedLength, 0);
    // Drain the rest so the next round starts clean.
    EXPECT_TRUE(link.Transact(1));
  }
  EXPECT_EQ(api.receiveSizes, std::vector<int>(6, 300));
}

TEST_F(DynaIrDATest, ModeZeroKeepsThePreviousReply) {
  api.QueueReceive(Bytes{0x11});
  ASSERT_TRUE(link.ExecuteCommand(Command(1, 0x10, 1)));
  api.QueueReceive(Bytes{0x55});  // must stay unread
  EXPECT_TRUE(link.ExecuteCommand(Command(4, 0xFF, 0)));
  EXPECT_EQ(link.Reply, Bytes{0x11});
  EXPECT_EQ(Receives(), 1);
}

TEST_F(DynaIrDATest, LengthPrefixedReplyIsCollectedOverSeveralReceives) {
  const Bytes reply = PrefixedReply(16, 16);
  api.QueueReceive(Slice(reply, 0, 10));
  api.QueueReceive(Slice(reply, 10, 16));
  api.QueueReceive(Bytes{0x99});  // the next reply's byte is not touched

  EXPECT_TRUE(link.ExecuteCommand(Command(4, 0xFF, 2)));
  EXPECT_EQ(Receives(), 2);
  EXPECT_EQ(link.Reply, reply);
  EXPECT_EQ(link.ExpectedLength, 16);
  EXPECT_EQ(link.TotalReceived, 16);
  EXPECT_EQ(link.LastReceived, 6);
  EXPECT_EQ(link.ReceiveBuffer.size(), 16u + 300u);
}

TEST_F(DynaIrDATest, LargeReplyFitsWithoutLoss) {
  const Bytes reply = PrefixedReply(1000, 1000);
  api.QueueReceive(reply);  // handed out 300 bytes at a time
  EXPECT_TRUE(link.Transact(2));
  EXPECT_EQ(Receives(), 4);
  EXPECT_EQ(link.Reply, reply);
}

TEST_F(DynaIrDATest, PeerClosingEarlyKeepsTheLinkAndWhatCame) {
  const Bytes reply = PrefixedReply(16, 10);
  api.QueueReceive(reply);
  api.QueuePeerClosed();
  EXPECT_TRUE(link.Transact(2));
  EXPECT_TRUE(link.RecvFinished);
  EXPECT_EQ(link.Reply, reply);
  EXPECT_EQ(link.ExpectedLength, 16);
}

TEST_F(DynaIrDATest, ReceiveFailureMidReplyFailsTheLink) {
  const Bytes reply = PrefixedReply(16, 10);
  api.QueueReceive(reply);
  api.QueueReceiveFailure(platform::wsa::kConnectionReset);
  EXPECT_FALSE(link.Transact(2));
  EXPECT_FALSE(link.LinkOk);
  EXPECT_EQ(link.LastReceived, -1);
  EXPECT_EQ(link.TotalReceived, 10);  // the failed receive takes nothing off what came
  EXPECT_EQ(link.Reply, reply);

  // Once the link is down nothing more goes out.
  EXPECT_FALSE(link.ExecuteCommand(Command(1, 0x10, 1)));
  EXPECT_EQ(Sends(), 1);
  EXPECT_EQ(Receives(), 2);
}

TEST_F(DynaIrDATest, NothingIsSentOnAFailedLink) {
  link.LinkOk = false;
  link.Status = "earlier failure";
  EXPECT_FALSE(link.ExecuteCommand(Command(1, 0x10, 1)));
  EXPECT_EQ(link.SendResult, 0);
  EXPECT_EQ(Sends(), 0);
  EXPECT_EQ(Receives(), 0);
  EXPECT_EQ(link.Status, "earlier failure");
}

TEST_F(DynaIrDATest, FailedSendReadsNothing) {
  api.QueueSendFailure(platform::wsa::kConnectionReset);
  api.QueueReceive(Bytes{0x11});
  EXPECT_FALSE(link.ExecuteCommand(Command(1, 0x10, 1)));
  EXPECT_EQ(link.SendResult, -1);
  EXPECT_EQ(Receives(), 0);
}

TEST_F(DynaIrDATest, MalformedNotationSendsNothingAndFailsTheLink) {
  TCommandDescriptor bad = Command(2, 0x30, 0);
  bad.ParamsInNotation = true;
  bad.Params = platform::BytesOf("b1,,w2");
  EXPECT_FALSE(link.ExecuteCommand(bad));
  EXPECT_FALSE(link.LinkOk);
  EXPECT_EQ(link.Status, "Bad parameter notation: b1,,w2");
  EXPECT_EQ(Sends(), 0);
}

// A prefix no device file can have is not taken as an allocation size.
TEST_F(DynaIrDATest, ImpossibleLengthPrefixFailsTheLink) {
  for (std::uint32_t prefix : {0xFFFFFFFFu, 0x80000000u, 16u * 1024 * 1024 + 1}) {
    link.LinkOk = true;
    api.QueueReceive(PrefixedReply(prefix, 8));
    EXPECT_FALSE(link.Transact(2)) << prefix;
    EXPECT_EQ(link.Status,
              "Reply length out of range: " + std::to_string(static_cast<std::int32_t>(prefix)));
    EXPECT_LT(link.ReceiveBuffer.size(), 1000u);
  }
  EXPECT_EQ(Receives(), 3);
}

TEST_F(DynaIrDATest, PrefixSplitOverSeveralChunksIsCompletedFirst) {
  // Read from its first byte alone, the prefix 10 03 00 00 would announce 16 bytes.
  const Bytes reply = PrefixedReply(0x310, 0x310);
  api.QueueReceive(Slice(reply, 0, 1));
  api.QueueReceive(Slice(reply, 1, 3));
  api.QueueReceive(Slice(reply, 3, 9));
  api.QueueReceive(Slice(reply, 9, reply.size()));  // handed out as 300, 300, 175
  EXPECT_TRUE(link.Transact(2));
  EXPECT_EQ(Receives(), 6);
  EXPECT_EQ(link.ExpectedLength, 0x310);
  EXPECT_EQ(link.Reply, reply);
}

TEST_F(DynaIrDATest, StreamEndingInsideThePrefixLeavesNoLength) {
  api.QueueReceive(Bytes{0x10, 0x00});
  api.QueuePeerClosed();
  EXPECT_TRUE(link.Transact(2));
  EXPECT_EQ(link.ExpectedLength, 0);
  EXPECT_EQ(link.Reply, (Bytes{0x10, 0x00}));
}

// The receive buffer is sized for the announced length; a peer that sends a full chunk when one
// byte is missing must not make the chunk land over the start of the reply.
TEST_F(DynaIrDATest, OverlongReplyDoesNotOverwriteItsStart) {
  const Bytes head = PrefixedReply(16, 15);
  api.QueueReceive(head);
  api.QueueReceive(Bytes(300, 0xEE));
  EXPECT_TRUE(link.Transact(2));
  ASSERT_EQ(link.Reply.size(), 315u);
  EXPECT_EQ(Slice(link.Reply, 0, 15), head);
  EXPECT_EQ(Slice(link.Reply, 15, 315), Bytes(300, 0xEE));
}

}  // namespace
