// The request primitives every transfer action is built from: each one paces the device, issues
// one command-table entry on the transfer's link and checks what came back. Once the link has
// failed or the worker was asked to stop, every primitive does nothing, so an action can run its
// steps one after the other and the first failure silences the rest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "irda/DynaIrDA.h"
#include "platform/ByteOrder.h"
#include "transfer/Action.h"
#include "transfer/DeviceInfo.h"
#include "transfer/TransferHost.h"

// Pauses of the device dialogue, in milliseconds.
inline constexpr int kPauseBeforeCommand = 20;
inline constexpr int kPauseAfterCommand = 200;

class TRequestPrimitives {
 public:
  // Both must outlive the primitives; the action code is read from `host` when it matters.
  // While they live, a reply that keeps the link waiting lets the window's events through and
  // ends at once when the transfer is asked to stop.
  TRequestPrimitives(TDynaIrDA& link, TTransferHost& host);
  ~TRequestPrimitives();
  TRequestPrimitives(const TRequestPrimitives&) = delete;
  TRequestPrimitives& operator=(const TRequestPrimitives&) = delete;

  // Every primitive returns true when it ran and its reply (if any) was taken; false when it did
  // nothing or failed the link.

  // Steps the progress bar, pauses and issues `entry`; copies the first `n` reply bytes into
  // `dest` (n is capped at dest's size). A shorter reply fails the link.
  bool ReadReply(std::span<std::uint8_t> dest, std::size_t n, const TCommandDescriptor& entry);
  // ReadReply without the progress step, for quiet polls.
  bool PollReply(std::span<std::uint8_t> dest, std::size_t n, const TCommandDescriptor& entry);

  // Steps the progress bar, pauses, issues `entry` with `params` and always pauses afterwards.
  // A length-prefixed entry (answer mode 2) puts its whole reply into `dest`; a reply that ends
  // before the length it announced fails the link. Any other entry needs `wanted` bytes, of which
  // `dest` gets exactly those.
  bool RequestReply(std::span<const std::uint8_t> params, const TCommandDescriptor& entry,
                    std::size_t wanted, platform::Bytes& dest);
  // The same into a fixed buffer: `wanted` bytes (capped at dest's size), whatever the mode.
  bool RequestReply(std::span<const std::uint8_t> params, const TCommandDescriptor& entry,
                    std::size_t wanted, std::span<std::uint8_t> dest);

  // Steps the progress bar, pauses and issues `entry` with `params`; no reply is looked at. The
  // pause afterwards is left out during a firmware write.
  bool SendCommand(std::span<const std::uint8_t> params, const TCommandDescriptor& entry);

  // Polls the identity command until the device says it is ready (17 or 25), the link fails or
  // the transfer is asked to stop; the window's events are let through between polls. A device
  // that stays busy for `maxPolls` polls (by default a minute of pauses) fails the link, so a
  // stuck device ends in a retried transfer instead of a window that never answers again.
  void WaitReady(TDeviceInfo& info, int maxPolls = kMaxReadyPolls);
  static constexpr int kMaxReadyPolls = 3000;

  // True while the primitives still do something.
  bool Active() const;

  TDynaIrDA& Link() { return link_; }
  TTransferHost& Host() { return host_; }

 private:
  bool Exchange(std::span<const std::uint8_t> params, const TCommandDescriptor& entry,
                bool stepProgress);
  bool TakeFixed(std::span<std::uint8_t> dest, std::size_t n);
  void FailLink(const char* why);

  TDynaIrDA& link_;
  TTransferHost& host_;
};

// The first step of both directions: reads the identity byte into `info.Identity`. True when a
// supported device answered. An unreadable answer is a link failure, retried like any other; a
// readable answer from another device shows the wrong-device error, fails the link and asks the
// program to end.
bool CheckIdentity(TRequestPrimitives& requests, TDeviceInfo& info);

// Parameter bytes of the file and directory commands: the low three bytes of `param`.
std::array<std::uint8_t, 3> LowThreeBytes(std::uint32_t param);
