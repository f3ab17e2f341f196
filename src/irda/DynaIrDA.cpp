#include "irda/DynaIrDA.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "irda/DynaUtils.h"
#include "irda/LinkTrace.h"

namespace {

// Fields wider than 4 bytes carry zeros above the 32-bit value; the frame is zero-filled.
void PutField(platform::Bytes& frame, std::size_t offset, std::int32_t value, int width) {
  platform::WriteLE(frame.data(), offset, static_cast<std::uint32_t>(value), std::min(width, 4));
}

}  // namespace

TDynaIrDA::TDynaIrDA(platform::IrdaSocketApi* api) : TIrDA(api) {}

bool TDynaIrDA::ExecuteCommand(TCommandDescriptor command) {
  Request.assign(1, command.Code);

  platform::Bytes params;
  if (command.Kind == 2 || command.Kind == 4) {
    if (command.ParamsInNotation) {
      const std::string text(command.Params.begin(), command.Params.end());
      std::optional<platform::Bytes> expanded = ExpandNotation(text);
      if (!expanded) {
        // A broken table entry must not reach the device as some guessed frame. An earlier
        // failure keeps its own diagnostic.
        if (LinkOk) Fail("Bad parameter notation: " + text);
        return false;
      }
      params = std::move(*expanded);
    } else {
      params = command.Params;
    }
  }

  const std::size_t a = AddressWidth;
  const std::size_t l = LengthWidth;
  switch (command.Kind) {
    case 2: {
      Request.resize(1 + a + l, 0);
      PutField(Request, 1, command.Address, AddressWidth);
      Request.insert(Request.end(), params.begin(), params.end());
      const std::int32_t lengthValue =
          command.ParamsInNotation ? static_cast<std::int32_t>(params.size()) : command.Length;
      PutField(Request, 1 + a, lengthValue, LengthWidth);
      break;
    }
    case 3:
      Request.resize(1 + a + l, 0);
      PutField(Request, 1, command.Address, AddressWidth);
      PutField(Request, 1 + a, command.Length, LengthWidth);
      break;
    case 4:
      Request.insert(Request.end(), params.begin(), params.end());
      break;
    default:
      break;
  }
  return Transact(command.AnswerMode);
}

bool TDynaIrDA::Transact(std::uint8_t mode) {
  SendResult = 0;
  if (LinkOk) {
    SendBuffer = Request;
    SendResult = SendRequest();
    if (LinkOk) Trace(TTraceDirection::Request, mode, SendBuffer);
  }
  LastReceived = 0;
  TotalReceived = 0;
  ExpectedLength = 0;
  if (!LinkOk || mode == 0) return LinkOk;

  Reply.clear();
  ReceiveBuffer.assign(2 * static_cast<std::size_t>(std::max(ChunkSize, 1)), 0);
  WritePos = 0;
  receives_ = 0;
  TakeChunk();

  if (LinkOk && mode == 2) {
    // The device sends the whole prefix in its first packet, but a stream may cut it anywhere.
    const std::int32_t prefixWidth = LengthWidth;
    while (LinkOk && !RecvFinished && TotalReceived < prefixWidth) TakeChunk();
    // A stream that ended inside the prefix leaves ExpectedLength 0 and Reply what came.
    if (LinkOk && TotalReceived >= prefixWidth) {
      ExpectedLength = ReadLengthPrefix();
      // The length counts the prefix itself, so a smaller one is no length at all: taken, it
      // would pass the reply's first chunk off as all of it and leave the rest in the stream.
      if (ExpectedLength < prefixWidth || ExpectedLength > kMaxReplyLength) {
        Fail("Reply length out of range: " + std::to_string(ExpectedLength));
      } else {
        const std::size_t wanted = static_cast<std::size_t>(ExpectedLength) +
                                   static_cast<std::size_t>(std::max(ChunkSize, 1));
        ReceiveBuffer.resize(std::max(wanted, static_cast<std::size_t>(TotalReceived)), 0);
        while (LinkOk && !RecvFinished && TotalReceived < ExpectedLength) TakeChunk();
      }
    }
  }

  if (TotalReceived > 0) {
    const std::size_t n = std::min(static_cast<std::size_t>(TotalReceived), ReceiveBuffer.size());
    Reply.assign(ReceiveBuffer.begin(), ReceiveBuffer.begin() + static_cast<std::ptrdiff_t>(n));
  }
  // Also what a failed or ended stream left: an empty or cut reply is what a trace is read for.
  Trace(TTraceDirection::Reply, mode, Reply);
  return LinkOk;
}

void TDynaIrDA::Trace(TTraceDirection direction, std::uint8_t mode,
                      const platform::Bytes& bytes) const {
  if (!LinkTraceWanted(TTraceChannel::Frames)) return;
  TFrameTrace frame;
  frame.Direction = direction;
  frame.AnswerMode = mode;
  frame.Bytes = bytes;
  frame.Receives = direction == TTraceDirection::Reply ? receives_ : 0;
  frame.ElapsedMs = MillisecondsSinceConnect();
  TraceLinkFrame(frame);
}

std::int32_t TDynaIrDA::ReadLengthPrefix() const {
  return static_cast<std::int32_t>(platform::ReadLE(ReceiveBuffer.data(), ReceiveBuffer.size(), 0,
                                                    std::min<int>(LengthWidth, 4)));
}

void TDynaIrDA::TakeChunk() {
  // ReceiveChunk stores a chunk from position 0 when it would reach the buffer's last byte. Room
  // for a whole chunk below that byte keeps a reply that runs past its announced length (or a
  // prefix read in pieces) from overwriting its own start.
  const std::size_t needed =
      static_cast<std::size_t>(WritePos) + static_cast<std::size_t>(std::max(ChunkSize, 1)) + 2;
  if (ReceiveBuffer.size() < needed) ReceiveBuffer.resize(needed, 0);
  const int count = ReceiveChunk();
  ++receives_;
  LastReceived = count;
  if (count > 0) {  // a failed receive (-1) must not take a byte off what has come
    WritePos += count;
    TotalReceived += count;
  }
}

void TDynaIrDA::Fail(const std::string& status) {
  LinkOk = false;
  SetStatus(status);
}

// ---- The command table ------------------------------------------------------------------------

namespace {

TCommandDescriptor Entry(std::uint8_t kind, std::uint8_t code,
                         std::initializer_list<std::uint8_t> subCode, std::uint8_t answerMode) {
  TCommandDescriptor d;
  d.Kind = kind;
  d.Code = code;
  d.Params = subCode;
  d.AnswerMode = answerMode;
  return d;
}

}  // namespace

const TCommandTable& CommandTable() {
  static const TCommandTable table = {
      Entry(1, 0x00, {}, 1),      // not issued
      Entry(1, 0x10, {}, 1),      // identity
      Entry(1, 0x14, {}, 1),      // not issued
      Entry(4, 0xFF, {0xF5}, 1),  // battery
      Entry(4, 0xFF, {0x37}, 1),  // area
      Entry(4, 0xFF, {0xFA}, 2),  // directory
      Entry(4, 0xFF, {0xC2}, 2),  // file
      Entry(4, 0xFF, {0xD2}, 0),  // block
      Entry(4, 0xFF, {0x57}, 0),  // default
      Entry(4, 0xFF, {0xE8}, 0),  // not issued
      Entry(4, 0xFF, {0xD0}, 0),  // delete
      Entry(4, 0xFF, {0xE9}, 0),  // clean-up
      Entry(4, 0xFF, {0xE3}, 0),  // not issued
      Entry(1, 0xE8, {}, 0),      // not issued
      Entry(1, 0xE1, {}, 0),      // not issued
  };
  return table;
}

TCommandDescriptor WithParams(TCommandDescriptor entry, std::span<const std::uint8_t> params) {
  if (entry.Code == 0xFF) {
    entry.Params.insert(entry.Params.end(), params.begin(), params.end());
  } else {
    entry.Params.assign(params.begin(), params.end());
  }
  return entry;
}
