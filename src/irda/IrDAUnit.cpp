#include "irda/IrDAUnit.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "irda/LinkTrace.h"
#include "platform/SleepHook.h"

namespace {

constexpr std::uint16_t kRequestedVersion = 0x0202;
constexpr int kMaxServiceNameLength = platform::kServiceNameSize - 1;
constexpr int kLastConnectTrial = 400;
constexpr int kEnumerationAttempts = 2;

// A text field of the start-up data ends at its first zero byte, as the C string it stands for.
std::string UpToZero(const std::string& text) {
  return text.substr(0, text.find('\0'));
}

std::string VersionText(std::uint16_t version) {
  return std::to_string(version >> 8) + "." + std::to_string(version & 0xFF);
}

}  // namespace

TIrDA::TIrDA(platform::IrdaSocketApi* api) : api_(api ? api : &platform::DefaultSocketApi()) {}

void TIrDA::SetStatus(std::string text) {
  Status = std::move(text);
  TraceLinkStatus(Status);
}

void TIrDA::AppendStatus(std::string_view text) {
  Status += text;
  TraceLinkStatus(Status);
}

std::int64_t TIrDA::MillisecondsSinceConnect() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               connectedAt_)
      .count();
}

void TIrDA::StartWinsock() {
  if (api_->Startup(kRequestedVersion, WinsockData) != 0) {
    SetStatus("Wrong winscock dlls");
    LinkOk = false;
    return;
  }
  SetStatus("WSAStartup OK: " + VersionText(WinsockData.version) + "/" +
            VersionText(WinsockData.highVersion) + " " + UpToZero(WinsockData.description) + " " +
            UpToZero(WinsockData.systemStatus) + " " + UpToZero(WinsockData.vendorInfo));
}

void TIrDA::StopWinsock() {
  api_->Cleanup();
  SetStatus("WSACleanUp done");
}

void TIrDA::CreateDataSocket(const DeviceIdBytes& deviceId) {
  // A failed creation leaves the invalid handle behind, so that a later CloseClient does not
  // close whatever handle happened to be stored before.
  DataSocket = api_->CreateSocket();
  if (DataSocket == platform::kInvalidSocket) {
    SetStatus("WSCreateDF failed");
    LinkOk = false;
    LastError = api_->LastError();
    return;
  }
  std::copy(deviceId.begin(), deviceId.end(), TargetAddress.deviceId);
  SetStatus("WSCreateDF OK / GetOptDF OK");
}

void TIrDA::SetNoLinger() {
  if (api_->SetNoLinger(DataSocket) == platform::kSocketError) {
    SetStatus("SetOpt: " + std::to_string(api_->LastError()));
  } else {
    SetStatus("SetOpt OK");
  }
}

void TIrDA::FailConnect(int errorCode) {
  const int closeResult = api_->Close(DataSocket);
  DataSocket = platform::kInvalidSocket;
  SetStatus("Connect failed: " + std::to_string(errorCode) +
            " / Close Client: " + std::to_string(closeResult));
  LinkOk = false;
}

void TIrDA::ConnectDevice(bool nonBlocking) {
  TargetAddress.family = platform::kAfIrda;
  std::memset(TargetAddress.serviceName, 0, sizeof TargetAddress.serviceName);
  const std::size_t nameLength =
      std::min<std::size_t>(ServiceName.size(), static_cast<std::size_t>(kMaxServiceNameLength));
  std::memcpy(TargetAddress.serviceName, ServiceName.data(), nameLength);

  if (nonBlocking) api_->SetNonBlocking(DataSocket, true);
  ConnectResult = api_->Connect(DataSocket, TargetAddress, platform::kSockAddrIrdaSize);
  if (ConnectResult != platform::kSocketError) {
    connectedAt_ = std::chrono::steady_clock::now();
    SetStatus("Connect OK");
    ApplyReceiveTimeout();
    return;
  }
  const int error = api_->LastError();
  if (!nonBlocking || error != platform::wsa::kWouldBlock) {
    FailConnect(error);
    return;
  }

  SetStatus("Non-blocking connect OK");
  int trials = 0;
  bool ended = false;
  do {
    ConnectResult = api_->Connect(DataSocket, TargetAddress, platform::kSockAddrIrdaSize);
    if (ConnectResult == 0) {
      ended = true;
    } else if (ConnectResult == platform::kSocketError) {
      const int trialError = api_->LastError();
      if (trialError == platform::wsa::kIsConnected) {
        ended = true;
      } else if (trialError != platform::wsa::kWouldBlock &&
                 trialError != platform::wsa::kAlready) {
        // Left for the first send or receive to report: the trials only wait for the link.
        ended = true;
        platform::Sleep(1000);
        AppendStatus(" " + std::to_string(api_->LastError()));
      }
    }
    if (!ended) platform::Sleep(25);
    ++trials;
  } while (!ended && trials <= kLastConnectTrial);

  // Judged by whether the trials ended rather than by the counter alone: a connect that succeeds
  // on the very last trial is a connection, not a failure.
  if (!ended) {
    const int closeResult = api_->Close(DataSocket);
    DataSocket = platform::kInvalidSocket;
    AppendStatus("\r\nConnect failed / Close Client: " + std::to_string(closeResult));
    LinkOk = false;
    return;
  }
  connectedAt_ = std::chrono::steady_clock::now();
  AppendStatus(" Trials=" + std::to_string(trials));
  api_->SetNonBlocking(DataSocket, false);
  ApplyReceiveTimeout();
}

void TIrDA::ApplyReceiveTimeout() {
  if (ReceiveTimeoutMs >= 0) api_->SetReceiveTimeout(DataSocket, ReceiveTimeoutMs);
}

int TIrDA::SendRequest() {
  int result = platform::kSocketError;
  int error = platform::wsa::kNotSocket;  // what an operation on no socket at all reports
  if (DataSocket != platform::kInvalidSocket) {
    result = api_->Send(DataSocket, SendBuffer.data(), static_cast<int>(SendBuffer.size()));
    if (result < 0) error = api_->LastError();
  }
  if (result < 0) {
    SetStatus("Send failed " + std::to_string(error));
    DropDataSocket();
    return platform::kSocketError;
  }
  SetStatus("Send OK");
  return result;
}

int TIrDA::ReceiveChunk() {
  RecvFinished = false;
  const int size = std::max(ChunkSize, 1);
  platform::Bytes scratch(static_cast<std::size_t>(size));
  int count = platform::kSocketError;
  if (DataSocket != platform::kInvalidSocket && AwaitReceivable())
    count = api_->Receive(DataSocket, scratch.data(), size);

  if (count < 0) {
    SetStatus("Recv failed");
    DropDataSocket();
    return platform::kSocketError;
  }
  if (count == 0) {
    SetStatus("Finished recv data");
    RecvFinished = true;
    return 0;
  }
  count = std::min(count, size);  // never trust a layer to keep to the asked count
  SetStatus("Recv data OK");
  const long long highestIndex = static_cast<long long>(ReceiveBuffer.size()) - 1;
  if (WritePos < 0 || static_cast<long long>(WritePos) + count >= highestIndex) WritePos = 0;
  // A chunk larger than the whole buffer grows it rather than being cut or written past its end.
  const std::size_t end = static_cast<std::size_t>(WritePos) + static_cast<std::size_t>(count);
  if (ReceiveBuffer.size() < end) ReceiveBuffer.resize(end);
  std::copy_n(scratch.begin(), count, ReceiveBuffer.begin() + WritePos);
  return count;
}

bool TIrDA::AwaitReceivable() {
  using Clock = std::chrono::steady_clock;
  // No time-out: the receive itself waits for ever, as the socket was told.
  const bool bounded = ReceiveTimeoutMs > 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ReceiveTimeoutMs);
  for (;;) {
    int slice = kReceiveSliceMs;
    if (bounded) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      slice = static_cast<int>(std::min<long long>(left, slice));
    }
    if (api_->WaitReadable(DataSocket, slice) != 0) return true;
    if (WhileWaiting && !WhileWaiting()) return false;
  }
}

void TIrDA::DropDataSocket() {
  if (DataSocket != platform::kInvalidSocket) api_->Close(DataSocket);
  DataSocket = platform::kInvalidSocket;
  LinkOk = false;
}

void TIrDA::ShutdownClient() {
  SetStatus("Shutdown: " + std::to_string(api_->Shutdown(DataSocket)));
}

void TIrDA::CloseClient() {
  if (DataSocket == platform::kInvalidSocket) {
    SetStatus("Close Client: Invalid Socket");
    return;
  }
  ShutdownClient();
  const platform::SocketHandle old = DataSocket;
  DataSocket = platform::kInvalidSocket;
  platform::Sleep(200);
  AppendStatus(" / Close Client: " + std::to_string(api_->Close(old)));
}

void TIrDA::CreateCheckSocket() {
  CheckSocket = api_->CreateSocket();
  if (CheckSocket == platform::kInvalidSocket) {
    SetStatus("WSCreateCS failed");
    LinkOk = false;
    LastError = api_->LastError();
    return;
  }
  SetStatus("WSCreateCS OK");
}

void TIrDA::CloseCheckSocket() {
  // Marked invalid so that a second close cannot hit a handle the system has given out again.
  if (CheckSocket != platform::kInvalidSocket) api_->Close(CheckSocket);
  CheckSocket = platform::kInvalidSocket;
  SetStatus("Closed IrCheck");
}

void TIrDA::ListDevices() {
  constexpr std::size_t kFirstName = 4 + platform::kDeviceIdSize;
  DeviceCountText = "0";
  DeviceIdText = "--";
  DeviceNameText = "--";
  platform::WriteLE(DeviceList.data(), 0, 0, 4);
  std::fill_n(DeviceList.begin() + kFirstName, platform::kDeviceNameSize, 0);

  int result = platform::kSocketError;
  for (int attempt = 0; attempt < kEnumerationAttempts && ListedDeviceCount() == 0; ++attempt) {
    // The layer may shorten the length to what it filled in; every attempt offers the whole list.
    int length = platform::kDeviceListSize;
    result = api_->EnumerateDevices(CheckSocket, DeviceList.data(), &length);
    if (ListedDeviceCount() == 0) platform::Sleep(1000);
  }

  if (result == platform::kSocketError) {
    // Whatever a failed call left in the list, the watcher must read it as no device.
    platform::WriteLE(DeviceList.data(), 0, 0, 4);
    SetStatus("GetOptCDL failed ");
    return;
  }
  DeviceCountText = std::to_string(ListedDeviceCount());
  SetStatus("GetOptCDL OK:" + std::to_string(result) + " Dev:" + DeviceCountText);
  DeviceIdText.clear();
  for (std::uint8_t byte : FirstDeviceId()) DeviceIdText += std::to_string(byte) + " ";
  DeviceNameText.assign(reinterpret_cast<const char*>(DeviceList.data() + kFirstName),
                        platform::kDeviceNameSize);
}

std::uint32_t TIrDA::ListedDeviceCount() const {
  return platform::ReadLE(DeviceList.data(), DeviceList.size(), 0, 4);
}

bool TIrDA::IsListed(const DeviceIdBytes& id) const {
  const std::uint32_t count =
      std::min<std::uint32_t>(ListedDeviceCount(), platform::kMaxListedDevices);
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto entry = DeviceList.begin() + 4 + i * platform::kDeviceInfoSize;
    if (std::equal(id.begin(), id.end(), entry)) return true;
  }
  return false;
}

TIrDA::DeviceIdBytes TIrDA::FirstDeviceId() const {
  DeviceIdBytes id{};
  std::copy_n(DeviceList.begin() + 4, platform::kDeviceIdSize, id.begin());
  return id;
}
