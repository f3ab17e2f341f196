// The command layer sends an entry of the command table and collects the reply as the entry's
// answer mode says, from a peer that replies with the fuzz input.
//
// Input: command index (1 byte, modulo the table size), settings (1 byte: bits 0-1 the answer
// mode — the entry's own, 0, 1 or 2; bits 2-3 the length prefix width 4, 1, 2 or 3; bit 4 the
// receive times out at the end of the script instead of the stream ending; bit 5 the send fails;
// bits 6-7 the chunk size 300, 1, 7 or 64), parameter count (1 byte, modulo 4) and that many
// parameter bytes, then the script: a length byte and that many reply bytes for each step, where
// length 0 is the peer ending the stream and 255 a failed receive.
#include <algorithm>

#include "FuzzChecks.h"
#include "FuzzPeer.h"
#include "irda/DynaIrDA.h"

namespace {

std::deque<fuzz::TFuzzPeer::TStep> Script(fuzz::TInput& input) {
  std::deque<fuzz::TFuzzPeer::TStep> steps;
  while (!input.Empty()) {
    const std::uint8_t length = input.Byte();
    fuzz::TFuzzPeer::TStep step;
    if (length == 0) {
      step.Kind = fuzz::TFuzzPeer::TStep::kClosed;
    } else if (length == 255) {
      step.Kind = fuzz::TFuzzPeer::TStep::kFailure;
    } else {
      const std::span<const std::uint8_t> bytes = input.Take(length);
      step.Data.assign(bytes.begin(), bytes.end());
      if (step.Data.empty()) break;
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  const std::size_t index = input.Byte() % kCommandCount;
  const std::uint8_t settings = input.Byte();
  const std::span<const std::uint8_t> params = input.Take(input.Byte() % 4);

  TCommandDescriptor command = WithParams(CommandTable()[index], params);
  constexpr std::uint8_t kModes[] = {0, 0, 1, 2};
  if (settings & 3) command.AnswerMode = kModes[settings & 3];
  constexpr std::uint8_t kWidths[] = {4, 1, 2, 3};

  fuzz::TFuzzPeer peer;
  peer.TimeOutAtEnd = settings & 0x10;
  peer.SendFails = settings & 0x20;
  peer.Steps = Script(input);
  constexpr std::int32_t kChunkSizes[] = {300, 1, 7, 64};
  const std::size_t chunk = static_cast<std::size_t>(kChunkSizes[settings >> 6]);
  // Receives the script can answer: one a step, more where a step is longer than a chunk, and
  // the one that finds the script over.
  std::size_t answerable = 1;
  for (const auto& step : peer.Steps)
    answerable += std::max<std::size_t>(1, (step.Data.size() + chunk - 1) / chunk);

  TDynaIrDA link(&peer);
  link.LinkOk = true;
  link.LengthWidth = kWidths[settings >> 2 & 3];
  link.ChunkSize = static_cast<std::int32_t>(chunk);
  link.CreateDataSocket({1, 2, 3, 4});
  link.ConnectDevice(false);
  const platform::Bytes earlier = {0xEE};
  link.Reply = earlier;

  const bool ok = link.ExecuteCommand(command);
  FUZZ_CHECK(ok == link.LinkOk);

  // The request is the entry's frame: the code, then for kind 4 the parameters.
  platform::Bytes frame{command.Code};
  if (command.Kind == 4) frame.insert(frame.end(), command.Params.begin(), command.Params.end());
  FUZZ_CHECK(link.Request == frame);
  if (peer.SendFails) {
    FUZZ_CHECK(!ok && peer.Sent.empty() && peer.Receives == 0);
    return 0;
  }
  FUZZ_CHECK(peer.Sent.size() == 1 && peer.Sent.front() == link.Request);

  if (command.AnswerMode == 0) {
    // No reply is waited for, and the reply before stays.
    FUZZ_CHECK(ok && peer.Receives == 0 && link.Reply == earlier);
    return 0;
  }
  // Never more receives than the script has steps (and the one that finds it over), and the
  // reply is exactly what came, in order: nothing lost, nothing overwritten, nothing invented.
  FUZZ_CHECK(peer.Receives >= 1 && static_cast<std::size_t>(peer.Receives) <= answerable);
  FUZZ_CHECK(link.TotalReceived == static_cast<std::int32_t>(peer.Delivered.size()));
  FUZZ_CHECK(link.Reply == peer.Delivered);
  if (command.AnswerMode != 2) {
    FUZZ_CHECK(peer.Receives == 1);
    return 0;
  }
  const std::size_t width = link.LengthWidth;
  if (peer.Delivered.size() < width) {
    FUZZ_CHECK(link.ExpectedLength == 0);
    return 0;
  }
  const std::int32_t announced = static_cast<std::int32_t>(
      platform::ReadLE(peer.Delivered.data(), width, 0, static_cast<int>(width)));
  FUZZ_CHECK(link.ExpectedLength == announced);
  if (announced < 0 || announced > TDynaIrDA::kMaxReplyLength) {
    FUZZ_CHECK(!ok);
  } else if (ok && !link.RecvFinished) {
    // Collected until the announced length was reached.
    FUZZ_CHECK(link.TotalReceived >= announced);
  }
  return 0;
}
