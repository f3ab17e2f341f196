#include <gtest/gtest.h>

#include <string>

#include "irda/DynaIrDA.h"
#include "platform/SleepHook.h"
#include "support/ScriptedSocketApi.h"
#include "support/SleepRecorder.h"

using platform::Bytes;
using platform::ToHex;

namespace {

// Frame on the wire and answer mode of each entry, in table order.
struct Expected {
  std::string frame;
  std::uint8_t mode;
};

const Expected kTable[kCommandCount] = {
    {"00", 1},    {"10", 1},    {"14", 1},    {"FF F5", 1}, {"FF 37", 1},
    {"FF FA", 2}, {"FF C2", 2}, {"FF D2", 0}, {"FF 57", 0}, {"FF E8", 0},
    {"FF D0", 0}, {"FF E9", 0}, {"FF E3", 0}, {"E8", 0},    {"E1", 0},
};

// Sends `command` to a scripted peer that answers as its mode expects.
struct Exchange {
  explicit Exchange(const TCommandDescriptor& command, Bytes answer = {0x11}) {
    link.LinkOk = true;
    link.CreateDataSocket({1, 2, 3, 4});
    link.ConnectDevice(false);
    api.QueueReceive(std::move(answer));
    ok = link.ExecuteCommand(command);
  }
  std::string Sent() const { return api.sent.empty() ? "(nothing)" : ToHex(api.sent.back()); }
  int Receives() const { return api.Count("Receive "); }

  testsupport::ScriptedSocketApi api;
  TDynaIrDA link{&api};
  bool ok = false;
};

TEST(CommandTable, FifteenEntriesFrameAndReadAsTheirModeSays) {
  testsupport::SleepRecorder sleeps;
  EXPECT_EQ(&CommandTable(), &CommandTable());
  for (std::size_t i = 0; i < kCommandCount; ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    const TCommandDescriptor& entry = CommandTable()[i];
    EXPECT_EQ(entry.AnswerMode, kTable[i].mode);
    EXPECT_EQ(entry.Address, 0);
    EXPECT_EQ(entry.Length, 0);
    EXPECT_FALSE(entry.ParamsInNotation);
    EXPECT_TRUE(entry.Reserved1.empty() && entry.Reserved2.empty());
    Exchange exchange(CommandTable()[i], Bytes{0x04, 0x00, 0x00, 0x00});
    EXPECT_TRUE(exchange.ok) << exchange.link.Status;
    EXPECT_EQ(exchange.Sent(), kTable[i].frame);
    EXPECT_EQ(exchange.Receives(), kTable[i].mode == 0 ? 0 : 1);
  }
}

TEST(CommandTable, IssuedCommandsCarryTheirCallParameters) {
  testsupport::SleepRecorder sleeps;
  const TCommandTable& t = CommandTable();
  const Bytes picturesDirectory = {0xFF, 0x04, 0xFF};

  // The identity command sends the single byte 10 and reads one receive.
  Exchange identity(t[kIdentityCommand], Bytes{0x19});
  EXPECT_EQ(identity.Sent(), "10");
  EXPECT_EQ(identity.link.Reply, Bytes{0x19});

  Exchange area(WithParams(t[kAreaCommand], Bytes{0x04}), Bytes{0x00, 0x00, 0x02, 0x00});
  EXPECT_EQ(area.Sent(), "FF 37 04");
  EXPECT_EQ(area.link.Reply.size(), 4u);

  // The picture directory: a length prefix counting itself and one 32-byte header per picture.
  Bytes directory(4 + 2 * 32, 0xA5);
  platform::WriteLE32(directory, 0, 4 + 2 * 32);
  Exchange dir(WithParams(t[kDirectoryCommand], picturesDirectory), directory);
  EXPECT_TRUE(dir.ok);
  EXPECT_EQ(dir.Sent(), "FF FA FF 04 FF");
  EXPECT_EQ(dir.link.Reply, directory);

  Exchange file(WithParams(t[kFileCommand], Bytes{0xFF, 0x04, 0x02}),
                Bytes{8, 0, 0, 0, 1, 2, 3, 4});
  EXPECT_EQ(file.Sent(), "FF C2 FF 04 02");

  // Making the third picture the startup picture reads nothing.
  Exchange startup(WithParams(t[kDefaultCommand], Bytes{0xFF, 0x04, 0x03}));
  EXPECT_EQ(startup.Sent(), "FF 57 FF 04 03");
  EXPECT_EQ(startup.Receives(), 0);

  Exchange remove(WithParams(t[kDeleteCommand], Bytes{0xFF, 0x04, 0x02, 0x00}));
  EXPECT_EQ(remove.Sent(), "FF D0 FF 04 02 00");

  Exchange cleanUp(WithParams(t[kCleanUpCommand], Bytes{0, 0, 0, 0}));
  EXPECT_EQ(cleanUp.Sent(), "FF E9 00 00 00 00");

  Exchange block(WithParams(t[kBlockCommand], Bytes{0x02, 0xAB, 0xCD}));
  EXPECT_EQ(block.Sent(), "FF D2 02 AB CD");

  Exchange battery(t[kBatteryCommand], Bytes{0x05});
  EXPECT_EQ(battery.Sent(), "FF F5");
  EXPECT_EQ(battery.link.Reply, Bytes{0x05});

  EXPECT_TRUE(sleeps.Waits().empty());
}

TEST(CommandTable, CallParametersGoIntoACopyOnly) {
  const TCommandTable& t = CommandTable();
  const TCommandDescriptor withSubCode = WithParams(t[kDeleteCommand], Bytes{1, 2});
  EXPECT_EQ(withSubCode.Params, (Bytes{0xD0, 1, 2}));
  EXPECT_EQ(t[kDeleteCommand].Params, Bytes{0xD0});

  // Without the 0xFF code the call's bytes replace Params; a kind-1 frame still sends none.
  const TCommandDescriptor plain = WithParams(t[kIdentityCommand], Bytes{7, 8});
  EXPECT_EQ(plain.Params, (Bytes{7, 8}));
  EXPECT_TRUE(t[kIdentityCommand].Params.empty());
  Exchange exchange(plain);
  EXPECT_EQ(exchange.Sent(), "10");
}

}  // namespace
