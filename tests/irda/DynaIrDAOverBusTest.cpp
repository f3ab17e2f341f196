// TDynaIrDA with the real bus backend, talking to the simulated dive computer in this process on
// a private bus.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DeviceSimulator.h"
#include "irda/DynaIrDA.h"
#include "platform/SleepHook.h"
#include "support/LinkOnBus.h"

using platform::Bytes;

namespace {

constexpr std::uint8_t kLanguages = 3;
constexpr std::uint8_t kPictures = 4;

class DynaIrDAOverBusTest : public testsupport::LinkOnBusTest {
 protected:
  bool Run(TDynaIrDA& link, std::size_t entry, const Bytes& params = {}) {
    return link.ExecuteCommand(WithParams(CommandTable()[entry], params));
  }
};

TEST_F(DynaIrDAOverBusTest, ReadsIdentityBatteryAreaDirectoryAndEveryFile) {
  TDynaIrDA link;
  Connect(link);

  ASSERT_TRUE(Run(link, kIdentityCommand)) << link.Status;
  EXPECT_EQ(link.Reply, Bytes{17});
  ASSERT_TRUE(Run(link, kBatteryCommand)) << link.Status;
  EXPECT_EQ(link.Reply, Bytes{7});

  for (std::uint8_t area : {kLanguages, kPictures}) {
    SCOPED_TRACE("area " + std::to_string(area));
    ASSERT_TRUE(Run(link, kAreaCommand, {area})) << link.Status;
    ASSERT_EQ(link.Reply.size(), 4u);
    EXPECT_EQ(platform::ReadLE16(link.Reply, 2), simulator->DefaultIndex(area));

    const std::vector<Bytes> files = simulator->Files(area);
    ASSERT_FALSE(files.empty());
    ASSERT_TRUE(Run(link, kDirectoryCommand, {0xFF, area, 0xFF})) << link.Status;
    EXPECT_EQ(link.ExpectedLength, static_cast<std::int32_t>(4 + 32 * files.size()));
    ASSERT_EQ(link.Reply.size(), 4 + 32 * files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      EXPECT_EQ(Bytes(link.Reply.begin() + 4 + 32 * i, link.Reply.begin() + 4 + 32 * (i + 1)),
                Bytes(files[i].begin(), files[i].begin() + 32))
          << "header " << i + 1;
    }

    // Whole files, most of them longer than one receive.
    for (std::size_t i = 0; i < files.size(); ++i) {
      ASSERT_TRUE(Run(link, kFileCommand, {0xFF, area, static_cast<std::uint8_t>(i + 1)}))
          << link.Status;
      EXPECT_EQ(link.Reply, files[i]) << "file " << i + 1;
    }
  }

  link.CloseClient();
  EXPECT_EQ(sleeps.Count(200), 1);  // only the close pauses; the exchanges themselves never do
}

TEST_F(DynaIrDAOverBusTest, AbsurdLengthPrefixFailsTheLink) {
  devsim::Faults faults;
  faults.absurdPrefix = 2;
  simulator->SetFaults(faults);
  TDynaIrDA link;
  Connect(link);
  ASSERT_TRUE(Run(link, kIdentityCommand)) << link.Status;
  EXPECT_FALSE(Run(link, kDirectoryCommand, {0xFF, kPictures, 0xFF}));
  EXPECT_EQ(link.Status, "Reply length out of range: 2147483647");
  link.CloseClient();
}

TEST_F(DynaIrDAOverBusTest, ShortReplyKeepsTheLinkAndWhatCame) {
  devsim::Faults faults;
  faults.shortReply = 1;
  simulator->SetFaults(faults);
  TDynaIrDA link;
  Connect(link);
  const std::size_t full = 4 + 32 * simulator->Files(kPictures).size();
  EXPECT_TRUE(Run(link, kDirectoryCommand, {0xFF, kPictures, 0xFF})) << link.Status;
  EXPECT_TRUE(link.RecvFinished);
  EXPECT_EQ(link.ExpectedLength, static_cast<std::int32_t>(full));
  EXPECT_EQ(link.Reply.size(), full / 2);
  link.CloseClient();
}

}  // namespace
