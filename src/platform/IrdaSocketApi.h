// The IrDA socket operations the transport needs, behind one interface: Winsock with AF_IRDA on
// Windows, the virtual IrDA bus elsewhere, scripted peers in tests.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};
inline constexpr int kSocketError = -1;

// Winsock error numbers; every backend reports these, whatever the system.
namespace wsa {
inline constexpr int kFault = 10014;
inline constexpr int kInvalid = 10022;
inline constexpr int kWouldBlock = 10035;
inline constexpr int kInProgress = 10036;
inline constexpr int kAlready = 10037;
inline constexpr int kNotSocket = 10038;
inline constexpr int kAddressFamilyNotSupported = 10047;
inline constexpr int kNetworkDown = 10050;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kIsConnected = 10056;
inline constexpr int kNotConnected = 10057;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kNotInitialised = 10093;
}  // namespace wsa

// Layout constants of the platform's IrDA structures.
inline constexpr int kDeviceIdSize = 4;
inline constexpr int kDeviceNameSize = 22;
inline constexpr int kDeviceInfoSize = 29;  // id, name, two hint bytes, character set
inline constexpr int kMaxListedDevices = 16;
inline constexpr int kDeviceListSize = 4 + kMaxListedDevices * kDeviceInfoSize;  // 468
inline constexpr int kServiceNameSize = 25;
inline constexpr int kSockAddrIrdaSize = 32;
inline constexpr std::uint16_t kAfIrda = 26;

// What the socket layer's start-up reports (the WSADATA texts that the transport shows).
struct SocketLayerInfo {
  std::uint16_t version = 0;
  std::uint16_t highVersion = 0;
  std::string description;
  std::string systemStatus;
  std::string vendorInfo;
};

// The IrDA socket address: family, device id, zero-terminated service name.
struct SockAddrIrda {
  std::uint16_t family = 0;
  std::uint8_t deviceId[kDeviceIdSize] = {};
  char serviceName[kServiceNameSize] = {};
};

class IrdaSocketApi {
 public:
  virtual ~IrdaSocketApi() = default;

  // 0 on success, otherwise a Winsock error number (as WSAStartup returns it).
  virtual int Startup(std::uint16_t requestedVersion, SocketLayerInfo& info) = 0;
  virtual int Cleanup() = 0;
  // An IrDA stream socket, or kInvalidSocket (error in LastError()).
  virtual SocketHandle CreateSocket() = 0;
  // Fills `buffer` (length in/out) as the platform's device list: a 32-bit little-endian count,
  // then one 29-byte entry per device, at most 16. Returns 0 or kSocketError.
  virtual int EnumerateDevices(SocketHandle socket, std::uint8_t* buffer, int* length) = 0;
  virtual int SetNoLinger(SocketHandle socket) = 0;
  virtual int SetNonBlocking(SocketHandle socket, bool nonBlocking) = 0;
  // Bounds every later receive on the socket; 0 means wait for ever.
  virtual int SetReceiveTimeout(SocketHandle socket, int milliseconds) = 0;
  virtual int Connect(SocketHandle socket, const SockAddrIrda& address, int addressLength) = 0;
  // Bytes sent, or kSocketError.
  virtual int Send(SocketHandle socket, const std::uint8_t* data, int length) = 0;
  // Bytes received (0 = the peer ended the stream), or kSocketError.
  virtual int Receive(SocketHandle socket, std::uint8_t* buffer, int length) = 0;
  // Waits at most `milliseconds` for the socket to have something for Receive (bytes, the end of
  // the stream or an error): 1 when it has, 0 when the time ran out. A layer that cannot tell
  // answers 1, and the receive then waits with the socket's own time-out.
  virtual int WaitReadable(SocketHandle socket, int milliseconds) {
    static_cast<void>(socket);
    static_cast<void>(milliseconds);
    return 1;
  }
  virtual int Shutdown(SocketHandle socket) = 0;
  virtual int Close(SocketHandle socket) = 0;
  // The calling thread's last error, as a Winsock number.
  virtual int LastError() = 0;
};

// The platform's backend: Winsock on Windows, the virtual IrDA bus elsewhere.
IrdaSocketApi& DefaultSocketApi();

}  // namespace platform
