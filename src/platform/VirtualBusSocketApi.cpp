#include "platform/VirtualBusSocketApi.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/IrdaBus.h"
#include "platform/SleepHook.h"

namespace platform {
namespace {

// A device that never accepts (its queue is full) or stops taking bytes must not hold a
// blocking connect or send for ever.
constexpr int kSendTimeoutMs = 10000;

thread_local int lastError = 0;

std::vector<std::string> SortedNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* stream = ::opendir(dir.c_str());
  if (!stream) return names;
  while (const dirent* entry = ::readdir(stream)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(stream);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<mode_t> TypeOf(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
  return info.st_mode & S_IFMT;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Fills `address` for `path`; false (errno set) when the path does not fit.
bool UnixAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int ConnectPath(int fd, const std::string& path) {
  sockaddr_un address;
  if (!UnixAddress(path, address)) return -1;
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  return result;
}

// A device is in range when its first socket, in name order, takes a connection. The probe
// never blocks: a device that cannot take it now is not counted this round.
bool AnswersProbe(const std::string& deviceDir) {
  for (const std::string& name : SortedNames(deviceDir)) {
    const std::string path = deviceDir + "/" + name;
    if (TypeOf(path) != S_IFSOCK) continue;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool accepted = ConnectPath(fd, path) == 0;
    ::close(fd);
    return accepted;
  }
  return false;
}

// The optional nickname: at most 22 bytes of a regular file, zero-padded. A FIFO or device
// node named `name` must not block the enumeration, hence O_NONBLOCK and the type check.
void ReadDeviceName(const std::string& deviceDir, std::uint8_t* name) {
  std::memset(name, 0, kDeviceNameSize);
  const int fd = ::open((deviceDir + "/name").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::size_t have = 0;
    while (have < static_cast<std::size_t>(kDeviceNameSize)) {
      const ssize_t n = ::read(fd, name + have, kDeviceNameSize - have);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      have += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
}

// The service part of a bus path: the name up to its zero byte, and never a path of its own.
std::optional<std::string> ServiceOf(const SockAddrIrda& address) {
  const char* begin = address.serviceName;
  const char* end = std::find(begin, begin + kServiceNameSize, '\0');
  std::string service(begin, end);
  if (service.empty() || service == "." || service == ".." ||
      service.find('/') != std::string::npos) {
    return std::nullopt;
  }
  return service;
}

}  // namespace

VirtualBusSocketApi::~VirtualBusSocketApi() {
  for (const auto& [fd, state] : sockets_) ::close(fd);
}

int VirtualBusSocketApi::WinsockError(int posixError) {
  switch (posixError) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return wsa::kWouldBlock;
    case EINPROGRESS:
      return wsa::kInProgress;
    case EALREADY:
      return wsa::kAlready;
    case EAFNOSUPPORT:
      return wsa::kAddressFamilyNotSupported;
    case ECONNRESET:
    case EPIPE:
      return wsa::kConnectionReset;
    case EISCONN:
      return wsa::kIsConnected;
    case ENOTCONN:
      return wsa::kNotConnected;
    case ETIMEDOUT:
      return wsa::kTimedOut;
    case ECONNREFUSED:
    case ENOENT:
      return wsa::kConnectionRefused;
    default:
      return wsa::kNetworkDown;
  }
}

int VirtualBusSocketApi::LastError() {
  return lastError;
}

int VirtualBusSocketApi::Fail(int winsockError) {
  lastError = winsockError;
  return kSocketError;
}

int VirtualBusSocketApi::FailErrno(int posixError) {
  return Fail(WinsockError(posixError));
}

int VirtualBusSocketApi::FailIo(int fd, int posixError) {
  if (posixError == EAGAIN || posixError == EWOULDBLOCK) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && !(flags & O_NONBLOCK)) return Fail(wsa::kTimedOut);
  }
  return FailErrno(posixError);
}

bool VirtualBusSocketApi::Known(SocketHandle socket) {
  if (socket > static_cast<SocketHandle>(INT_MAX)) return false;
  std::lock_guard lock(mutex_);
  return sockets_.count(static_cast<int>(socket)) != 0;
}

int VirtualBusSocketApi::Startup(std::uint16_t requestedVersion, SocketLayerInfo& info) {
  (void)requestedVersion;  // the bus speaks one version
  info.version = 0x0202;
  info.highVersion = 0x0202;
  info.description = "Orvanel virtual IrDA bus";
  info.systemStatus = "Running on " + BusDirectory();
  info.vendorInfo.clear();
  return 0;
}

int VirtualBusSocketApi::Cleanup() {
  return 0;
}

SocketHandle VirtualBusSocketApi::CreateSocket() {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    FailErrno(errno);
    return kInvalidSocket;
  }
  // Handle 0 is what the transport holds before it has a socket, so it must never name a real
  // one; a process started with its standard streams closed would otherwise hand out 0 to 2.
  if (fd <= STDERR_FILENO) {
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int error = errno;
    ::close(fd);
    if (moved < 0) {
      FailErrno(error);
      return kInvalidSocket;
    }
    fd = moved;
  }
  const timeval timeout{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  std::lock_guard lock(mutex_);
  sockets_[fd] = ConnectState::kIdle;
  return static_cast<SocketHandle>(fd);
}

int VirtualBusSocketApi::EnumerateDevices(SocketHandle socket, std::uint8_t* buffer, int* length) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  if (!buffer || !length || *length < 4) return Fail(wsa::kFault);

  Sleep(kDiscoveryMs);

  const std::size_t room = static_cast<std::size_t>(*length);
  const std::size_t capacity =
      std::min<std::size_t>(kMaxListedDevices, (room - 4) / kDeviceInfoSize);
  Bytes list(4, 0);
  std::uint32_t count = 0;
  const std::string bus = BusDirectory();
  // A missing bus lists no names: no device in range, which is not an error.
  for (const std::string& name : SortedNames(bus)) {
    if (count >= capacity) break;
    const auto id = ParseDeviceDirectoryName(name);
    // Only the canonical lower-case spelling is a device: it is the path a connect opens.
    if (!id || DeviceDirectoryName(*id) != name) continue;
    const std::string dir = bus + "/" + name;
    if (!IsDirectory(dir) || !AnswersProbe(dir)) continue;
    list.insert(list.end(), id->begin(), id->end());
    std::uint8_t deviceName[kDeviceNameSize];
    ReadDeviceName(dir, deviceName);
    list.insert(list.end(), deviceName, deviceName + kDeviceNameSize);
    list.insert(list.end(), {0, 0, 0});  // two hint bytes, character set
    ++count;
  }
  WriteLE32(list, 0, count);
  std::copy(list.begin(), list.end(), buffer);
  *length = static_cast<int>(list.size());
  return 0;
}

int VirtualBusSocketApi::SetNoLinger(SocketHandle socket) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  const linger off{0, 0};
  const int fd = static_cast<int>(socket);
  if (::setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off) != 0) return FailErrno(errno);
  return 0;
}

int VirtualBusSocketApi::SetNonBlocking(SocketHandle socket, bool nonBlocking) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  const int fd = static_cast<int>(socket);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return FailErrno(errno);
  const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  if (::fcntl(fd, F_SETFL, wanted) != 0) return FailErrno(errno);
  return 0;
}

int VirtualBusSocketApi::SetReceiveTimeout(SocketHandle socket, int milliseconds) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  if (milliseconds < 0) return Fail(wsa::kInvalid);
  const timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
  const int fd = static_cast<int>(socket);
  if (::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) {
    return FailErrno(errno);
  }
  return 0;
}

int VirtualBusSocketApi::Connect(SocketHandle socket, const SockAddrIrda& address,
                                 int addressLength) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  if (addressLength < kSockAddrIrdaSize) return Fail(wsa::kFault);
  if (address.family != kAfIrda) return Fail(wsa::kAddressFamilyNotSupported);
  const auto service = ServiceOf(address);
  if (!service) return Fail(wsa::kConnectionRefused);
  const std::array<std::uint8_t, 4> id{address.deviceId[0], address.deviceId[1],
                                       address.deviceId[2], address.deviceId[3]};
  const std::string path = BusDirectory() + "/" + DeviceDirectoryName(id) + "/" + *service;

  const int fd = static_cast<int>(socket);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return FailErrno(errno);
  if (flags & O_NONBLOCK) return ConnectNonBlocking(fd, path);

  if (ConnectPath(fd, path) != 0) return FailIo(fd, errno);
  std::lock_guard lock(mutex_);
  sockets_[fd] = ConnectState::kConnected;
  return 0;
}

// A Unix-domain connect completes (or is refused) at once, or finds the device's queue full.
// Winsock instead always answers the first non-blocking connect with "would block" and later
// calls with "already" or "is connected"; the states below replay that order.
int VirtualBusSocketApi::ConnectNonBlocking(int fd, const std::string& path) {
  ConnectState state;
  {
    std::lock_guard lock(mutex_);
    state = sockets_[fd];
  }
  if (state == ConnectState::kConnected) return Fail(wsa::kIsConnected);

  ConnectState next = ConnectState::kIdle;
  int error = 0;
  if (ConnectPath(fd, path) == 0) {
    next = ConnectState::kConnected;
    error = state == ConnectState::kIdle ? wsa::kWouldBlock : wsa::kIsConnected;
  } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINPROGRESS) {
    next = ConnectState::kPending;
    error = state == ConnectState::kIdle ? wsa::kWouldBlock : wsa::kAlready;
  } else if (errno == EISCONN) {
    next = ConnectState::kConnected;
    error = wsa::kIsConnected;
  } else {
    error = WinsockError(errno);
  }
  std::lock_guard lock(mutex_);
  sockets_[fd] = next;
  return Fail(error);
}

int VirtualBusSocketApi::Send(SocketHandle socket, const std::uint8_t* data, int length) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  if (length < 0 || (length > 0 && !data)) return Fail(wsa::kFault);
  const int fd = static_cast<int>(socket);
  int done = 0;
  while (done < length) {
    const ssize_t n =
        ::send(fd, data + done, static_cast<std::size_t>(length - done), MSG_NOSIGNAL);
    if (n >= 0) {
      done += static_cast<int>(n);
      continue;
    }
    if (errno == EINTR) continue;
    // Once part of a request is out, the rest must follow, even on a non-blocking socket.
    if (done > 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
        (::fcntl(fd, F_GETFL) & O_NONBLOCK)) {
      pollfd writable{fd, POLLOUT, 0};
      if (::poll(&writable, 1, kSendTimeoutMs) > 0) continue;
      return Fail(wsa::kTimedOut);
    }
    return FailIo(fd, errno);
  }
  return done;
}

int VirtualBusSocketApi::Receive(SocketHandle socket, std::uint8_t* buffer, int length) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  if (length < 0 || (length > 0 && !buffer)) return Fail(wsa::kFault);
  const int fd = static_cast<int>(socket);
  ssize_t n;
  do {
    n = ::recv(fd, buffer, static_cast<std::size_t>(length), 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return FailIo(fd, errno);
  return static_cast<int>(n);
}

int VirtualBusSocketApi::WaitReadable(SocketHandle socket, int milliseconds) {
  // Anything but a quiet socket is for Receive to report, errors included.
  if (!Known(socket)) return 1;
  pollfd readable{static_cast<int>(socket), POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&readable, 1, std::max(milliseconds, 0));
  } while (ready < 0 && errno == EINTR);
  return ready == 0 ? 0 : 1;
}

int VirtualBusSocketApi::Shutdown(SocketHandle socket) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  if (::shutdown(static_cast<int>(socket), SHUT_RDWR) != 0) return FailErrno(errno);
  return 0;
}

int VirtualBusSocketApi::Close(SocketHandle socket) {
  if (!Known(socket)) return Fail(wsa::kNotSocket);
  const int fd = static_cast<int>(socket);
  {
    std::lock_guard lock(mutex_);
    sockets_.erase(fd);
  }
  // The descriptor is gone even when close reports an error, so it is never closed twice.
  if (::close(fd) != 0 && errno != EINTR) return FailErrno(errno);
  return 0;
}

IrdaSocketApi& DefaultSocketApi() {
  static VirtualBusSocketApi api;
  return api;
}

}  // namespace platform
