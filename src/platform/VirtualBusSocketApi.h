// The IrDA socket layer on POSIX systems: devices are directories of Unix-domain sockets on the
// virtual IrDA bus, and every failure is reported with the Winsock number Windows would give.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/IrdaSocketApi.h"

namespace platform {

class VirtualBusSocketApi : public IrdaSocketApi {
 public:
  // How long one enumeration waits for devices to answer, like the discovery of an adapter.
  static constexpr int kDiscoveryMs = 250;

  VirtualBusSocketApi() = default;
  ~VirtualBusSocketApi() override;
  VirtualBusSocketApi(const VirtualBusSocketApi&) = delete;
  VirtualBusSocketApi& operator=(const VirtualBusSocketApi&) = delete;

  int Startup(std::uint16_t requestedVersion, SocketLayerInfo& info) override;
  int Cleanup() override;
  SocketHandle CreateSocket() override;
  int EnumerateDevices(SocketHandle socket, std::uint8_t* buffer, int* length) override;
  int SetNoLinger(SocketHandle socket) override;
  int SetNonBlocking(SocketHandle socket, bool nonBlocking) override;
  int SetReceiveTimeout(SocketHandle socket, int milliseconds) override;
  int Connect(SocketHandle socket, const SockAddrIrda& address, int addressLength) override;
  int Send(SocketHandle socket, const std::uint8_t* data, int length) override;
  int Receive(SocketHandle socket, std::uint8_t* buffer, int length) override;
  int WaitReadable(SocketHandle socket, int milliseconds) override;
  int Shutdown(SocketHandle socket) override;
  int Close(SocketHandle socket) override;
  int LastError() override;

  // The Winsock number reported for a POSIX errno.
  static int WinsockError(int posixError);

 private:
  enum class ConnectState { kIdle, kPending, kConnected };

  // Only descriptors made by CreateSocket are ever touched: a stray handle (0 is stdin) must
  // fail with WSAENOTSOCK instead of closing or reading something else of the process.
  bool Known(SocketHandle socket);
  int Fail(int winsockError);
  int FailErrno(int posixError);
  // EAGAIN means "would block" only on a non-blocking socket; on a blocking one it means the
  // socket's time-out ran out.
  int FailIo(int fd, int posixError);
  int ConnectNonBlocking(int fd, const std::string& path);

  std::mutex mutex_;
  std::map<int, ConnectState> sockets_;
};

}  // namespace platform
