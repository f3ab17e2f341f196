// A device for the command-layer target: it accepts every request and answers with a script
// read from the fuzz input, so the receive logic meets every way a reply can arrive.
#pragma once

#include <deque>

#include "platform/ByteOrder.h"
#include "platform/IrdaSocketApi.h"

namespace fuzz {

class TFuzzPeer : public platform::IrdaSocketApi {
 public:
  struct TStep {
    enum TKind { kData, kClosed, kFailure } Kind = kData;
    platform::Bytes Data;
  };

  // The replies in order. With none left the peer ends the stream, or lets the receive time out
  // when `timeOutAtEnd`.
  std::deque<TStep> Steps;
  bool TimeOutAtEnd = false;
  bool SendFails = false;

  // Records: the bytes handed out, in order, and the calls made.
  platform::Bytes Delivered;
  std::vector<platform::Bytes> Sent;
  int Receives = 0;

  int Startup(std::uint16_t, platform::SocketLayerInfo&) override { return 0; }
  int Cleanup() override { return 0; }
  platform::SocketHandle CreateSocket() override { return 7; }
  int EnumerateDevices(platform::SocketHandle, std::uint8_t*, int*) override {
    return platform::kSocketError;
  }
  int SetNoLinger(platform::SocketHandle) override { return 0; }
  int SetNonBlocking(platform::SocketHandle, bool) override { return 0; }
  int SetReceiveTimeout(platform::SocketHandle, int) override { return 0; }
  int Connect(platform::SocketHandle, const platform::SockAddrIrda&, int) override { return 0; }

  int Send(platform::SocketHandle, const std::uint8_t* data, int length) override {
    if (SendFails) {
      lastError_ = platform::wsa::kConnectionReset;
      return platform::kSocketError;
    }
    Sent.emplace_back(data, data + length);
    return length;
  }

  int Receive(platform::SocketHandle, std::uint8_t* buffer, int length) override {
    ++Receives;
    if (Steps.empty()) {
      if (!TimeOutAtEnd) return 0;
      lastError_ = platform::wsa::kTimedOut;
      return platform::kSocketError;
    }
    TStep& step = Steps.front();
    if (step.Kind != TStep::kData) {
      const bool closed = step.Kind == TStep::kClosed;
      Steps.pop_front();
      if (closed) return 0;
      lastError_ = platform::wsa::kConnectionReset;
      return platform::kSocketError;
    }
    // A chunk longer than asked for comes over several receives, as a stream gives it.
    const std::size_t n = std::min<std::size_t>(step.Data.size(), static_cast<std::size_t>(length));
    std::copy_n(step.Data.begin(), n, buffer);
    Delivered.insert(Delivered.end(), step.Data.begin(), step.Data.begin() + n);
    step.Data.erase(step.Data.begin(), step.Data.begin() + static_cast<std::ptrdiff_t>(n));
    if (step.Data.empty()) Steps.pop_front();
    return static_cast<int>(n);
  }

  int Shutdown(platform::SocketHandle) override { return 0; }
  int Close(platform::SocketHandle) override { return 0; }
  int LastError() override { return lastError_; }

 private:
  int lastError_ = 0;
};

}  // namespace fuzz
