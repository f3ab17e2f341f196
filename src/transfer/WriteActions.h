// The write direction of a transfer: the identity check and then the write of the current action
// code (language, picture, firmware, deletes, memory clean-up, default items). Runs on the GUI
// thread inside the worker's synchronised call; talks to the window only through TTransferHost.
#pragma once

#include <cstddef>
#include <cstdint>

#include "irda/DynaIrDA.h"
#include "platform/ByteOrder.h"
#include "transfer/DeviceInfo.h"
#include "transfer/ReadActions.h"
#include "transfer/RequestPrimitives.h"
#include "transfer/TransferHost.h"

// The firmware write needs at least this many battery segments.
inline constexpr std::uint8_t kMinimumBattery = 5;

// Ready polls the memory clean-up at exit waits for at most (about a second of pauses).
inline constexpr int kCleanUpReadyPolls = 50;

// File bytes carried by one content packet of the block command.
inline constexpr std::size_t kContentPacketBytes = 54;

// What a language or picture write did with its file. Whether a retry may send the file again
// depends on it: a file whose last packet went out may be stored although the link failed after.
enum class TWriteOutcome : std::uint8_t {
  NoFile,          // the action sends no file (deletes, default items, clean-up, firmware)
  Refused,         // the file was refused before anything was sent
  Incomplete,      // the link failed before the last packet: the device discards what it got
  LastPacketSent,  // the whole file went out
};

// What the worker calls for a write transfer once connected: the identity check, then the write
// step of host.CurrentAction() if the check passed. A failure shows in link.LinkOk.
TWriteOutcome RunWriteActions(TDynaIrDA& link, TDeviceInfo& info, TTransferHost& host);

// The write step alone, for an identity that has been checked. Codes the write direction does
// not handle get the unsupported-action notice.
TWriteOutcome RunWriteAction(TRequestPrimitives& requests, TDeviceInfo& info);

// Sends `count` bytes of `source`, from the 1-based position `start` on, as content packets and
// one last packet, with a quiet identity poll after every (pollInterval + 1)th content packet.
// A range that does not lie inside `source` sends nothing. True when the last packet went out.
bool SendContent(TRequestPrimitives& requests, std::size_t count, std::size_t start,
                 int pollInterval, const platform::Bytes& source);
