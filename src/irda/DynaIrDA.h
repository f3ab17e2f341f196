// TDynaIrDA: the dive computer's request/reply protocol on top of the IrDA transport, plus the
// table of device commands that every transfer draws its requests from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "irda/IrDAUnit.h"
#include "irda/LinkTrace.h"
#include "platform/ByteOrder.h"

// One device command, kept and passed by value.
struct TCommandDescriptor {
  std::string Reserved1;  // unused, kept for the record's layout
  std::uint8_t Kind = 1;  // 1 code, 2 code+address+length+params, 3 code+address+length,
                          // 4 code+params; anything else frames like 1
  std::uint8_t Code = 0;  // 0xFF: the first byte of Params selects the operation
  std::int32_t Address = 0;
  std::int32_t Length = 0;        // length field of kinds 2 (raw Params) and 3
  bool ParamsInNotation = false;  // Params is notation text (see ExpandNotation), not bytes
  platform::Bytes Params;
  std::uint8_t AnswerMode = 0;  // 0 no reply, 2 length-prefixed reply, else one receive
  std::string Reserved2;        // unused, kept for the record's layout
};

class TDynaIrDA : public TIrDA {
 public:
  explicit TDynaIrDA(platform::IrdaSocketApi* api = nullptr);

  // A length prefix beyond this cannot come from the device (its whole memory is smaller); it
  // fails the link instead of being allocated, as does one shorter than the prefix itself.
  static constexpr std::int32_t kMaxReplyLength = 16 * 1024 * 1024;

  // Builds Request from `command` and exchanges it; returns LinkOk. Malformed notation in Params
  // sends nothing and fails the link.
  bool ExecuteCommand(TCommandDescriptor command);
  // Sends Request and collects Reply as `mode` says; returns LinkOk. Mode 0 keeps the old Reply.
  bool Transact(std::uint8_t mode);
  // The first LengthWidth bytes of ReceiveBuffer, little-endian.
  std::int32_t ReadLengthPrefix() const;

  std::uint8_t AddressWidth = 4;
  std::uint8_t LengthWidth = 4;
  platform::Bytes Reply;
  platform::Bytes Request;
  std::int32_t ExpectedLength = 0;

 private:
  void TakeChunk();
  void Fail(const std::string& status);
  // Hands a frame of this exchange to the link trace, when a trace wants frames.
  void Trace(TTraceDirection direction, std::uint8_t mode, const platform::Bytes& bytes) const;

  int receives_ = 0;  // receive calls of the reply being collected
};

// ---- The command table ------------------------------------------------------------------------

inline constexpr std::size_t kCommandCount = 15;
using TCommandTable = std::array<TCommandDescriptor, kCommandCount>;

// The entries the transfers issue, as indexes into CommandTable().
inline constexpr std::size_t kIdentityCommand = 1;
inline constexpr std::size_t kBatteryCommand = 3;
inline constexpr std::size_t kAreaCommand = 4;
inline constexpr std::size_t kDirectoryCommand = 5;
inline constexpr std::size_t kFileCommand = 6;
inline constexpr std::size_t kBlockCommand = 7;
inline constexpr std::size_t kDefaultCommand = 8;
inline constexpr std::size_t kDeleteCommand = 10;
inline constexpr std::size_t kCleanUpCommand = 11;

// The predefined commands; built once, never changed.
const TCommandTable& CommandTable();

// A copy of `entry` carrying the call's parameter bytes: after the sub-code for an entry with
// Code 0xFF, in place of Params for any other.
TCommandDescriptor WithParams(TCommandDescriptor entry, std::span<const std::uint8_t> params);
