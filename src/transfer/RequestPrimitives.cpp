#include "transfer/RequestPrimitives.h"

#include <algorithm>

#include "platform/SleepHook.h"

TRequestPrimitives::TRequestPrimitives(TDynaIrDA& link, TTransferHost& host)
    : link_(link), host_(host) {
  link_.WhileWaiting = [this] {
    host_.ProcessEventsWhileWaiting();
    return !host_.StopRequested();
  };
}

TRequestPrimitives::~TRequestPrimitives() {
  link_.WhileWaiting = nullptr;
}

bool TRequestPrimitives::Active() const {
  return link_.LinkOk && !host_.StopRequested();
}

bool TRequestPrimitives::Exchange(std::span<const std::uint8_t> params,
                                  const TCommandDescriptor& entry, bool stepProgress) {
  if (stepProgress) host_.StepProgress();
  platform::Sleep(kPauseBeforeCommand);
  return link_.ExecuteCommand(WithParams(entry, params));
}

void TRequestPrimitives::FailLink(const char* why) {
  link_.LinkOk = false;
  link_.SetStatus(why);
}

bool TRequestPrimitives::TakeFixed(std::span<std::uint8_t> dest, std::size_t n) {
  n = std::min(n, dest.size());
  if (link_.Reply.size() < n) {
    FailLink("Reply too short");
    return false;
  }
  std::copy_n(link_.Reply.begin(), n, dest.begin());
  return true;
}

bool TRequestPrimitives::ReadReply(std::span<std::uint8_t> dest, std::size_t n,
                                   const TCommandDescriptor& entry) {
  if (!Active()) return false;
  return Exchange({}, entry, true) && TakeFixed(dest, n);
}

bool TRequestPrimitives::PollReply(std::span<std::uint8_t> dest, std::size_t n,
                                   const TCommandDescriptor& entry) {
  if (!Active()) return false;
  return Exchange({}, entry, false) && TakeFixed(dest, n);
}

bool TRequestPrimitives::RequestReply(std::span<const std::uint8_t> params,
                                      const TCommandDescriptor& entry, std::size_t wanted,
                                      platform::Bytes& dest) {
  if (!Active()) return false;
  bool taken = false;
  if (Exchange(params, entry, true)) {
    const platform::Bytes& reply = link_.Reply;
    if (entry.AnswerMode == 2) {
      // The command layer keeps what came when the stream ends early; for a transfer that is a
      // cut-off file, and storing it would pass a damaged file off as the device's.
      const std::size_t announced = static_cast<std::size_t>(
          std::max<std::int32_t>({link_.ExpectedLength, link_.LengthWidth, 0}));
      if (reply.size() < announced) {
        FailLink("Reply ended before its announced length");
      } else {
        dest = reply;
        taken = true;
      }
    } else if (reply.size() < wanted) {
      FailLink("Reply too short");
    } else {
      dest.assign(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(wanted));
      taken = true;
    }
  }
  platform::Sleep(kPauseAfterCommand);
  return taken;
}

bool TRequestPrimitives::RequestReply(std::span<const std::uint8_t> params,
                                      const TCommandDescriptor& entry, std::size_t wanted,
                                      std::span<std::uint8_t> dest) {
  if (!Active()) return false;
  const bool taken = Exchange(params, entry, true) && TakeFixed(dest, wanted);
  platform::Sleep(kPauseAfterCommand);
  return taken;
}

bool TRequestPrimitives::SendCommand(std::span<const std::uint8_t> params,
                                     const TCommandDescriptor& entry) {
  if (!Active()) return false;
  const bool sent = Exchange(params, entry, true);
  // The firmware write sends its packets without the pause that follows other commands.
  if (host_.CurrentAction() != TAction::WriteFirmware) platform::Sleep(kPauseAfterCommand);
  return sent;
}

void TRequestPrimitives::WaitReady(TDeviceInfo& info, int maxPolls) {
  info.Identity = 0;
  // A stop request silences ReadReply, so it has to end the poll as well. The events between
  // polls are where a close or Exit of the window comes in.
  for (int polls = 0; !IsSupportedIdentity(info.Identity) && Active(); ++polls) {
    if (polls == maxPolls) {
      FailLink("Device never became ready");
      return;
    }
    host_.ProcessEvents();
    if (Active()) ReadReply(std::span(&info.Identity, 1), 1, CommandTable()[kIdentityCommand]);
  }
}

bool CheckIdentity(TRequestPrimitives& requests, TDeviceInfo& info) {
  TTransferHost& host = requests.Host();
  if (!requests.Active()) return false;
  host.SetProgressMaximum(1);
  // A reply too short to hold the byte has already failed the link: no device spoke, so this
  // is a transfer to retry, not a wrong device.
  if (!requests.ReadReply(std::span(&info.Identity, 1), 1, CommandTable()[kIdentityCommand])) {
    return false;
  }
  if (IsSupportedIdentity(info.Identity)) return true;
  // A window that is closing gets no box and no second request to end.
  if (host.StopRequested()) return false;
  host.Notify(TNoticeKind::Error, TText::WrongDevice);
  requests.Link().LinkOk = false;
  requests.Link().SetStatus("Wrong device");
  host.RequestTerminate();
  return false;
}

std::array<std::uint8_t, 3> LowThreeBytes(std::uint32_t param) {
  return {static_cast<std::uint8_t>(param & 0xFF), static_cast<std::uint8_t>((param >> 8) & 0xFF),
          static_cast<std::uint8_t>((param >> 16) & 0xFF)};
}
