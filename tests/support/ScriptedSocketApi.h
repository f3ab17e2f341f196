// A scripted IrDA socket layer for tests: answers come from queues filled by the test, and every
// call is recorded, so exact chunking, failures and call order can be asserted without a peer.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/IrdaSocketApi.h"

namespace testsupport {

class ScriptedSocketApi : public platform::IrdaSocketApi {
 public:
  struct Device {
    std::array<std::uint8_t, platform::kDeviceIdSize> id{};
    std::string name;  // at most 22 bytes are listed, zero-padded
  };

  // One answer of EnumerateDevices. `count` is what the list header claims; normally the
  // number of `devices`, but a test may make it lie.
  struct Enumeration {
    int result = 0;
    int error = 0;  // set as last error when result is kSocketError
    std::uint32_t count = 0;
    std::vector<Device> devices;
  };

  // One answer of a call that returns a number and may set an error.
  struct Outcome {
    int result = 0;
    int error = 0;
  };

  // ---- Script -------------------------------------------------------------------------------

  int startupResult = 0;
  platform::SocketLayerInfo startupInfo{0x0202, 0x0202, "Scripted Sockets", "Running", ""};
  int cleanupResult = 0;
  Outcome noLingerOutcome{0, 0};
  // What EnumerateDevices answers once its queue is empty (by default: no device in range). Set
  // while the watcher enumerates, so under the lock.
  void SetIdleDevices(std::vector<Device> devices) {
    Locked([&] {
      idleEnumeration_.count = static_cast<std::uint32_t>(devices.size());
      idleEnumeration_.devices = std::move(devices);
    });
  }

  // The next CreateSocket fails with `error`; later ones succeed again.
  void QueueCreateFailure(int error) {
    Locked([&] { createFailures_.push_back(error); });
  }

  void QueueEnumeration(std::vector<Device> devices) {
    Enumeration e;
    e.count = static_cast<std::uint32_t>(devices.size());
    e.devices = std::move(devices);
    QueueEnumeration(std::move(e));
  }
  void QueueEnumeration(Enumeration e) {
    Locked([&] { enumerations_.push_back(std::move(e)); });
  }
  void QueueEnumerationFailure(int error) {
    QueueEnumeration(Enumeration{platform::kSocketError, error, 0, {}});
  }

  // Connect answers in call order; with the queue empty a connect succeeds (0).
  void QueueConnect(int result, int error = 0) {
    Locked([&] { connects_.push_back({result, error}); });
  }

  // Receive script, consumed in order. A chunk longer than the asked size is handed out over
  // several receives, as a stream would.
  void QueueReceive(platform::Bytes chunk) {
    Locked([&] { receives_.push_back({Step::kData, std::move(chunk), 0}); });
  }
  void QueueReceive(const std::string& chunk) { QueueReceive(platform::BytesOf(chunk)); }
  void QueuePeerClosed() {
    Locked([&] { receives_.push_back({Step::kClosed, {}, 0}); });
  }
  void QueueReceiveFailure(int error) {
    Locked([&] { receives_.push_back({Step::kFailure, {}, error}); });
  }
  // With nothing left to hand out, a receive fails as a timed-out receive does (10060): a test
  // that reads more than it scripted gets a failure rather than a hang.

  // Send answers in call order; with the queue empty a send takes all bytes. A positive result
  // smaller than the length simulates a short write.
  void QueueSend(int result, int error = 0) {
    Locked([&] { sends_.push_back({result, error}); });
  }
  void QueueSendFailure(int error) { QueueSend(platform::kSocketError, error); }

  // Adds a line to the call log, e.g. from a SleepRecorder's OnSleep, to check interleaving.
  void Note(const std::string& line) {
    Locked([&] { calls.push_back(line); });
  }

  // ---- Records (read them once every thread using the API has finished) ----------------------

  std::vector<std::string> calls;  // "Connect 100", "Receive 100 300", "Close 100", ...
  std::uint16_t requestedVersion = 0;
  std::vector<platform::SocketHandle> created;
  std::vector<int> enumerateLengths;  // buffer length passed in
  std::vector<platform::SocketHandle> noLingerSockets;
  std::vector<std::pair<platform::SocketHandle, bool>> nonBlockingSwitches;
  std::vector<std::pair<platform::SocketHandle, int>> receiveTimeouts;
  std::vector<platform::SockAddrIrda> connectAddresses;
  std::vector<int> connectLengths;
  std::vector<platform::Bytes> sent;  // bytes accepted by each send
  std::vector<int> receiveSizes;      // size asked for by each receive
  std::vector<platform::SocketHandle> shutdowns;
  std::vector<platform::SocketHandle> closes;

  int Count(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
      return c.compare(0, prefix.size(), prefix) == 0;
    }));
  }

  // ---- IrdaSocketApi ------------------------------------------------------------------------

  int Startup(std::uint16_t version, platform::SocketLayerInfo& info) override {
    std::lock_guard lock(mutex_);
    calls.push_back("Startup");
    requestedVersion = version;
    if (startupResult == 0) info = startupInfo;
    return startupResult;
  }

  int Cleanup() override {
    std::lock_guard lock(mutex_);
    calls.push_back("Cleanup");
    return cleanupResult;
  }

  platform::SocketHandle CreateSocket() override {
    std::lock_guard lock(mutex_);
    calls.push_back("CreateSocket");
    if (!createFailures_.empty()) {
      lastError_ = createFailures_.front();
      createFailures_.pop_front();
      return platform::kInvalidSocket;
    }
    created.push_back(nextHandle_);
    return nextHandle_++;
  }

  int EnumerateDevices(platform::SocketHandle socket, std::uint8_t* buffer, int* length) override {
    std::lock_guard lock(mutex_);
    calls.push_back("EnumerateDevices " + std::to_string(socket));
    enumerateLengths.push_back(*length);
    Enumeration e = idleEnumeration_;
    if (!enumerations_.empty()) {
      e = std::move(enumerations_.front());
      enumerations_.pop_front();
    }
    if (e.result == platform::kSocketError) {
      lastError_ = e.error;
      return platform::kSocketError;
    }
    const std::size_t room = static_cast<std::size_t>(std::max(*length, 0));
    platform::Bytes list;
    platform::AppendLE(list, e.count, 4);
    for (const Device& d : e.devices) {
      list.insert(list.end(), d.id.begin(), d.id.end());
      std::uint8_t name[platform::kDeviceNameSize] = {};
      std::memcpy(name, d.name.data(),
                  std::min<std::size_t>(d.name.size(), platform::kDeviceNameSize));
      list.insert(list.end(), name, name + platform::kDeviceNameSize);
      list.insert(list.end(), {0, 0, 0});  // hint bytes, character set
    }
    const std::size_t used = std::min(room, list.size());
    std::copy_n(list.begin(), used, buffer);
    *length = static_cast<int>(used);
    return e.result;
  }

  int SetNoLinger(platform::SocketHandle socket) override {
    std::lock_guard lock(mutex_);
    calls.push_back("SetNoLinger " + std::to_string(socket));
    noLingerSockets.push_back(socket);
    return Answer(noLingerOutcome);
  }

  int SetNonBlocking(platform::SocketHandle socket, bool nonBlocking) override {
    std::lock_guard lock(mutex_);
    calls.push_back("SetNonBlocking " + std::to_string(socket) + (nonBlocking ? " 1" : " 0"));
    nonBlockingSwitches.emplace_back(socket, nonBlocking);
    return 0;
  }

  int SetReceiveTimeout(platform::SocketHandle socket, int milliseconds) override {
    std::lock_guard lock(mutex_);
    calls.push_back("SetReceiveTimeout " + std::to_string(socket) + " " +
                    std::to_string(milliseconds));
    receiveTimeouts.emplace_back(socket, milliseconds);
    return 0;
  }

  int Connect(platform::SocketHandle socket, const platform::SockAddrIrda& address,
              int addressLength) override {
    std::lock_guard lock(mutex_);
    calls.push_back("Connect " + std::to_string(socket));
    connectAddresses.push_back(address);
    connectLengths.push_back(addressLength);
    Outcome outcome;
    if (!connects_.empty()) {
      outcome = connects_.front();
      connects_.pop_front();
    }
    return Answer(outcome);
  }

  int Send(platform::SocketHandle socket, const std::uint8_t* data, int length) override {
    std::lock_guard lock(mutex_);
    calls.push_back("Send " + std::to_string(socket) + " " + std::to_string(length));
    Outcome outcome{length, 0};
    if (!sends_.empty()) {
      outcome = sends_.front();
      sends_.pop_front();
    }
    if (outcome.result > 0) sent.emplace_back(data, data + std::min(outcome.result, length));
    return Answer(outcome);
  }

  int Receive(platform::SocketHandle socket, std::uint8_t* buffer, int length) override {
    std::lock_guard lock(mutex_);
    calls.push_back("Receive " + std::to_string(socket) + " " + std::to_string(length));
    receiveSizes.push_back(length);
    if (receives_.empty()) return Answer({platform::kSocketError, platform::wsa::kTimedOut});
    Step& step = receives_.front();
    if (step.kind == Step::kClosed) {
      receives_.pop_front();
      return 0;
    }
    if (step.kind == Step::kFailure) {
      const int error = step.error;
      receives_.pop_front();
      return Answer({platform::kSocketError, error});
    }
    const std::size_t n = std::min<std::size_t>(step.data.size(), std::max(length, 0));
    std::copy_n(step.data.begin(), n, buffer);
    step.data.erase(step.data.begin(), step.data.begin() + static_cast<std::ptrdiff_t>(n));
    if (step.data.empty()) receives_.pop_front();
    return static_cast<int>(n);
  }

  int Shutdown(platform::SocketHandle socket) override {
    std::lock_guard lock(mutex_);
    calls.push_back("Shutdown " + std::to_string(socket));
    shutdowns.push_back(socket);
    return 0;
  }

  int Close(platform::SocketHandle socket) override {
    std::lock_guard lock(mutex_);
    calls.push_back("Close " + std::to_string(socket));
    closes.push_back(socket);
    return 0;
  }

  int LastError() override {
    std::lock_guard lock(mutex_);
    return lastError_;
  }

 private:
  struct Step {
    enum Kind { kData, kClosed, kFailure } kind;
    platform::Bytes data;
    int error;
  };

  template <typename F>
  void Locked(F&& f) {
    std::lock_guard lock(mutex_);
    f();
  }

  int Answer(const Outcome& outcome) {
    if (outcome.result == platform::kSocketError) lastError_ = outcome.error;
    return outcome.result;
  }

  mutable std::mutex mutex_;
  platform::SocketHandle nextHandle_ = 100;
  int lastError_ = 0;
  std::deque<int> createFailures_;
  std::deque<Enumeration> enumerations_;
  Enumeration idleEnumeration_;
  std::deque<Outcome> connects_;
  std::deque<Step> receives_;
  std::deque<Outcome> sends_;
};

}  // namespace testsupport
