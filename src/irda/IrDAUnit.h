// TIrDA: the IrDA socket transport. Socket-layer start-up and clean-up, discovery of the devices
// in range, and one stream connection to a device. Failures never throw: they clear LinkOk and
// leave a diagnostic line in Status.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ByteOrder.h"
#include "platform/IrdaSocketApi.h"

class TIrDA {
 public:
  // `api` defaults to the platform's backend; it must outlive the component.
  explicit TIrDA(platform::IrdaSocketApi* api = nullptr);
  virtual ~TIrDA() = default;
  TIrDA(const TIrDA&) = delete;
  TIrDA& operator=(const TIrDA&) = delete;

  using DeviceIdBytes = std::array<std::uint8_t, platform::kDeviceIdSize>;

  void StartWinsock();
  void StopWinsock();
  void CreateDataSocket(const DeviceIdBytes& deviceId);
  void SetNoLinger();
  void ConnectDevice(bool nonBlocking);
  int SendRequest();
  int ReceiveChunk();
  void ShutdownClient();
  void CloseClient();
  void CreateCheckSocket();
  void CloseCheckSocket();
  void ListDevices();

  // Views of DeviceList: the device count and the first entry's id.
  std::uint32_t ListedDeviceCount() const;
  DeviceIdBytes FirstDeviceId() const;
  // True when `id` is among the devices the last enumeration listed.
  bool IsListed(const DeviceIdBytes& id) const;

  platform::IrdaSocketApi& Api() const { return *api_; }

  // Status := text, and Status += text; either way the whole new text goes to the link trace.
  void SetStatus(std::string text);
  void AppendStatus(std::string_view text);
  // Milliseconds since the data connection was made (since construction, before any).
  std::int64_t MillisecondsSinceConnect() const;

  // Fields, in declaration order of the component.
  platform::SocketHandle DataSocket = 0;
  std::int32_t ConnectResult = 0;
  platform::SocketHandle CheckSocket = 0;
  platform::SocketLayerInfo WinsockData;
  platform::SockAddrIrda TargetAddress;
  std::array<std::uint8_t, platform::kDeviceListSize> DeviceList{};
  std::string DeviceCountText;
  std::string DeviceIdText;
  std::string DeviceNameText;
  std::string ServiceName = "LSAP-SEL01";
  std::string Status;
  std::int32_t ChunkSize = 300;
  std::int32_t SendResult = 0;
  std::int32_t LastReceived = 0;
  std::int32_t TotalReceived = 0;
  platform::Bytes SendBuffer;
  platform::Bytes ReceiveBuffer;
  std::int32_t WritePos = 0;
  bool RecvFinished = false;
  bool LinkOk = false;
  std::int32_t LastError = 0;

  // A device that accepts the connection and then never answers must not hang the transfer:
  // every receive on the data socket gives up after this long and fails the link.
  static constexpr int kDefaultReceiveTimeoutMs = 10000;
  int ReceiveTimeoutMs = kDefaultReceiveTimeoutMs;

  // A receive waits for its data in slices of this length and calls WhileWaiting between them,
  // if set: whoever runs the exchange keeps its window alive there, and calls the receive off by
  // answering false (the link then fails as on a time-out).
  static constexpr int kReceiveSliceMs = 50;
  std::function<bool()> WhileWaiting;

 private:
  void FailConnect(int errorCode);
  void ApplyReceiveTimeout();
  // True once the data socket has something to receive; false when the receive time-out ran out
  // or WhileWaiting called the wait off.
  bool AwaitReceivable();
  // After a failed send or receive: close DataSocket (if any), mark it invalid, fail the link.
  void DropDataSocket();

  platform::IrdaSocketApi* api_;
  std::chrono::steady_clock::time_point connectedAt_ = std::chrono::steady_clock::now();
};
