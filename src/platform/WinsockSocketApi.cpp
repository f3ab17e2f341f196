#include "platform/WinsockSocketApi.h"

// winsock2.h must come before af_irda.h, which relies on its types.
#include <winsock2.h>

#include <af_irda.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

static_assert(sizeof(SOCKET) == sizeof(SocketHandle));
static_assert(INVALID_SOCKET == kInvalidSocket);
static_assert(sizeof(WINDOWS_IRDA_DEVICE_INFO) == kDeviceInfoSize);
static_assert(sizeof(SOCKADDR_IRDA) == kSockAddrIrdaSize);
static_assert(AF_IRDA == kAfIrda);

SOCKET Native(SocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

// The WSADATA texts are fixed arrays that a broken stack need not terminate.
template <std::size_t N>
std::string TextOf(const char (&field)[N]) {
  return std::string(field, std::find(field, field + N, '\0'));
}

}  // namespace

int WinsockSocketApi::Startup(std::uint16_t requestedVersion, SocketLayerInfo& info) {
  WSADATA data;
  std::memset(&data, 0, sizeof data);
  const int result = ::WSAStartup(requestedVersion, &data);
  if (result != 0) return result;
  info.version = data.wVersion;
  info.highVersion = data.wHighVersion;
  info.description = TextOf(data.szDescription);
  info.systemStatus = TextOf(data.szSystemStatus);
  // From Winsock 2 on the vendor pointer is undefined and must not be followed.
  info.vendorInfo.clear();
  if (LOBYTE(data.wVersion) < 2 && data.lpVendorInfo) {
    info.vendorInfo.assign(data.lpVendorInfo, ::strnlen(data.lpVendorInfo, 256));
  }
  return 0;
}

int WinsockSocketApi::Cleanup() {
  return ::WSACleanup();
}

SocketHandle WinsockSocketApi::CreateSocket() {
  return static_cast<SocketHandle>(::socket(AF_IRDA, SOCK_STREAM, 0));
}

int WinsockSocketApi::EnumerateDevices(SocketHandle socket, std::uint8_t* buffer, int* length) {
  // The caller's buffer already has the DEVICELIST layout: a 32-bit count, then 29-byte entries.
  return ::getsockopt(Native(socket), SOL_IRLMP, IRLMP_ENUMDEVICES, reinterpret_cast<char*>(buffer),
                      length);
}

int WinsockSocketApi::SetNoLinger(SocketHandle socket) {
  linger off;
  off.l_onoff = 0;
  off.l_linger = 0;
  return ::setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&off),
                      sizeof off);
}

int WinsockSocketApi::SetNonBlocking(SocketHandle socket, bool nonBlocking) {
  u_long argument = nonBlocking ? 1 : 0;
  return ::ioctlsocket(Native(socket), FIONBIO, &argument);
}

int WinsockSocketApi::SetReceiveTimeout(SocketHandle socket, int milliseconds) {
  const DWORD timeout = milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds);
  return ::setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO,
                      reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

int WinsockSocketApi::Connect(SocketHandle socket, const SockAddrIrda& address, int addressLength) {
  SOCKADDR_IRDA native;
  std::memset(&native, 0, sizeof native);
  native.irdaAddressFamily = address.family;
  std::memcpy(native.irdaDeviceID, address.deviceId, sizeof native.irdaDeviceID);
  std::memcpy(native.irdaServiceName, address.serviceName, sizeof native.irdaServiceName);
  const int size = std::min<int>(addressLength, sizeof native);
  return ::connect(Native(socket), reinterpret_cast<const sockaddr*>(&native), size);
}

int WinsockSocketApi::Send(SocketHandle socket, const std::uint8_t* data, int length) {
  return ::send(Native(socket), reinterpret_cast<const char*>(data), length, 0);
}

int WinsockSocketApi::Receive(SocketHandle socket, std::uint8_t* buffer, int length) {
  return ::recv(Native(socket), reinterpret_cast<char*>(buffer), length, 0);
}

int WinsockSocketApi::WaitReadable(SocketHandle socket, int milliseconds) {
  // select() rather than a short SO_RCVTIMEO: a receive that times out leaves a Winsock
  // connection in an undefined state.
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(socket), &readable);
  const int ms = milliseconds < 0 ? 0 : milliseconds;
  timeval timeout{ms / 1000, (ms % 1000) * 1000};
  return ::select(0, &readable, nullptr, nullptr, &timeout) == 0 ? 0 : 1;
}

int WinsockSocketApi::Shutdown(SocketHandle socket) {
  return ::shutdown(Native(socket), SD_BOTH);
}

int WinsockSocketApi::Close(SocketHandle socket) {
  return ::closesocket(Native(socket));
}

int WinsockSocketApi::LastError() {
  return ::WSAGetLastError();
}

IrdaSocketApi& DefaultSocketApi() {
  static WinsockSocketApi api;
  return api;
}

}  // namespace platform
