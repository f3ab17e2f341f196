// The link trace as the link library hands it out: the frames and status texts of exchanges with
// the simulated dive computer, and the gate that keeps an unwanted channel from costing anything.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DeviceSimulator.h"
#include "irda/DynaIrDA.h"
#include "irda/LinkTrace.h"
#include "platform/SleepHook.h"
#include "support/LinkOnBus.h"

using platform::Bytes;

namespace {

struct Frame {
  TTraceDirection direction;
  std::uint8_t mode;
  Bytes bytes;
  bool operator==(const Frame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Frame& frame) {
  out << (frame.direction == TTraceDirection::Request ? "request" : "reply") << " mode "
      << int(frame.mode) << " " << frame.bytes.size() << " bytes";
  return out;
}

// What a hook saw; it wants the channels it is told to.
struct Recorder {
  bool wantFrames = true;
  bool wantStatus = true;
  std::vector<Frame> frames;
  std::vector<std::int64_t> elapsed;
  std::vector<std::string> statuses;

  TLinkTraceHook Hook() {
    TLinkTraceHook hook;
    hook.Wanted = [this](TTraceChannel channel) {
      return channel == TTraceChannel::Frames ? wantFrames : wantStatus;
    };
    hook.Frame = [this](const TFrameTrace& f) {
      frames.push_back({f.Direction, f.AnswerMode, Bytes(f.Bytes.begin(), f.Bytes.end())});
      elapsed.push_back(f.ElapsedMs);
    };
    hook.Status = [this](std::string_view s) { statuses.emplace_back(s); };
    return hook;
  }
};

class LinkTraceTest : public testsupport::LinkOnBusTest {
 protected:
  void SetUp() override {
    LinkOnBusTest::SetUp();
    Connect(link);
  }

  TDynaIrDA link;
};

TEST_F(LinkTraceTest, AnExchangeTracesItsRequestAndReplyWithDirectionAndMode) {
  const std::size_t pictures = simulator->Files(4).size();
  const Bytes directoryPrefix = {static_cast<std::uint8_t>(4 + 32 * pictures), 0, 0, 0};
  struct Case {
    const char* name;
    std::size_t entry;
    Bytes params;
    std::vector<Frame> frames;  // a directory reply is compared by its length prefix
    std::vector<std::string> statuses;
  };
  const Case cases[] = {
      {"identity, one receive",
       kIdentityCommand,
       {},
       {{TTraceDirection::Request, 1, {0x10}}, {TTraceDirection::Reply, 1, {17}}},
       {"Send OK", "Recv data OK"}},
      {"picture directory, length-prefixed",
       kDirectoryCommand,
       {0xFF, 4, 0xFF},
       {{TTraceDirection::Request, 2, {0xFF, 0xFA, 0xFF, 4, 0xFF}},
        {TTraceDirection::Reply, 2, directoryPrefix}},
       {"Send OK", "Recv data OK"}},
      {"startup picture, no reply",
       kDefaultCommand,
       {0xFF, 4, 1},
       {{TTraceDirection::Request, 0, {0xFF, 0x57, 0xFF, 4, 1}}},
       {"Send OK"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder seen;
    {
      const TScopedLinkTrace trace(seen.Hook());
      ASSERT_TRUE(link.ExecuteCommand(WithParams(CommandTable()[c.entry], c.params)));
    }
    ASSERT_EQ(seen.frames.size(), c.frames.size());
    if (seen.frames.size() == 2 && c.entry == kDirectoryCommand) {
      EXPECT_EQ(seen.frames[1].bytes, link.Reply);
      seen.frames[1].bytes.resize(4);
    }
    EXPECT_EQ(seen.frames, c.frames);
    EXPECT_EQ(seen.statuses, c.statuses);
    EXPECT_TRUE(std::is_sorted(seen.elapsed.begin(), seen.elapsed.end()));
    EXPECT_GE(seen.elapsed.front(), 0);
  }
  // A trace that has ended leaves nothing behind.
  EXPECT_FALSE(LinkTraceWanted(TTraceChannel::Frames));
  EXPECT_FALSE(LinkTraceWanted(TTraceChannel::Status));
}

TEST_F(LinkTraceTest, AChannelTheHookDoesNotWantIsNeverHandedOver) {
  for (const bool wantFrames : {false, true}) {
    for (const bool wantStatus : {false, true}) {
      SCOPED_TRACE(testing::Message() << "frames " << wantFrames << ", status " << wantStatus);
      Recorder seen;
      seen.wantFrames = wantFrames;
      seen.wantStatus = wantStatus;
      const TScopedLinkTrace trace(seen.Hook());
      EXPECT_EQ(LinkTraceWanted(TTraceChannel::Frames), wantFrames);
      ASSERT_TRUE(link.ExecuteCommand(CommandTable()[kIdentityCommand]));
      EXPECT_EQ(seen.frames.size(), wantFrames ? 2u : 0u);
      EXPECT_EQ(seen.statuses.size(), wantStatus ? 2u : 0u);
    }
  }
}

}  // namespace
