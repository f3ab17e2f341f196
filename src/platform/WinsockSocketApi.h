// The IrDA socket layer on Windows: Winsock 2 with the IrDA address family, the real transport
// to the dive computer.
#pragma once

#include "platform/IrdaSocketApi.h"

namespace platform {

class WinsockSocketApi : public IrdaSocketApi {
 public:
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
};

}  // namespace platform
