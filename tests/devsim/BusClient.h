// Raw POSIX helpers for the simulator tests: a temporary folder, a client that speaks the
// device protocol byte by byte over the bus socket with bounded waits, and request builders.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ByteOrder.h"

namespace devsimtest {

using platform::Bytes;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "devsim-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Polls `condition` every few milliseconds for at most `timeoutMs`.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class BusClient {
 public:
  explicit BusClient(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 &&
        ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      Close();
    }
  }
  ~BusClient() { Close(); }
  BusClient(const BusClient&) = delete;
  BusClient& operator=(const BusClient&) = delete;

  bool Connected() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  bool Send(const Bytes& data) {
    std::size_t sent = 0;
    while (fd_ >= 0 && sent < data.size()) {
      const ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return fd_ >= 0;
  }

  // Up to `count` bytes; fewer when the peer ends the stream or nothing comes in time.
  Bytes Read(std::size_t count, int timeoutMs = 3000) {
    Bytes data;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (data.size() < count && fd_ >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      pollfd entry{fd_, POLLIN, 0};
      if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0) break;
      std::uint8_t chunk[4096];
      const ssize_t n = ::recv(fd_, chunk, std::min(sizeof chunk, count - data.size()), 0);
      if (n <= 0) {
        ended_ = true;
        break;
      }
      data.insert(data.end(), chunk, chunk + n);
    }
    return data;
  }

  // A length-prefixed reply, collected to the length its first four bytes give.
  Bytes ReadPrefixed(int timeoutMs = 3000) {
    Bytes data = Read(4, timeoutMs);
    if (data.size() < 4) return data;
    const std::uint32_t total = platform::ReadLE32(data, 0);
    if (total > 4) {
      const Bytes rest = Read(total - 4, timeoutMs);
      data.insert(data.end(), rest.begin(), rest.end());
    }
    return data;
  }

  Bytes Ask(const Bytes& request, std::size_t replySize) {
    if (!Send(request)) return {};
    return Read(replySize);
  }
  Bytes AskPrefixed(const Bytes& request) {
    if (!Send(request)) return {};
    return ReadPrefixed();
  }
  int Identity() {
    const Bytes reply = Ask({0x10}, 1);
    return reply.size() == 1 ? reply[0] : -1;
  }
  // Polls the identity until the device is ready; the number of "not ready" answers, or -1.
  int WaitReady(int maxPolls = 50) {
    for (int busy = 0; busy <= maxPolls; ++busy) {
      const int identity = Identity();
      if (identity < 0) return -1;
      if (identity == 17 || identity == 25) return busy;
    }
    return -1;
  }

  // True when the device ends the stream within the time (bytes before the end are dropped).
  bool PeerClosed(int timeoutMs = 3000) {
    while (!ended_ && fd_ >= 0) {
      if (Read(4096, timeoutMs).empty() && !ended_) return false;
    }
    return ended_;
  }

 private:
  int fd_ = -1;
  bool ended_ = false;
};

inline Bytes AreaRequest(std::uint8_t area) {
  return {0xFF, 0x37, area};
}
inline Bytes DirectoryRequest(std::uint8_t area) {
  return {0xFF, 0xFA, 0xFF, area, 0xFF};
}
inline Bytes FileRequest(std::uint8_t area, std::uint8_t position) {
  return {0xFF, 0xC2, 0xFF, area, position};
}
inline Bytes DefaultRequest(std::uint8_t area, std::uint8_t index) {
  return {0xFF, 0x57, 0xFF, area, index};
}
inline Bytes DeleteRequest(std::uint8_t area, std::uint8_t position) {
  return {0xFF, 0xD0, 0xFF, area, position, 0x00};
}
inline Bytes CleanUpRequest() {
  return {0xFF, 0xE9, 0, 0, 0, 0};
}

// A file as the tool sends it: header packet, 54-byte content packets, one last packet.
inline std::vector<Bytes> BlockPackets(const Bytes& file) {
  std::vector<Bytes> packets;
  Bytes header{0xFF, 0xD2, 0x00};
  header.insert(header.end(), file.begin(), file.begin() + 32);
  packets.push_back(header);
  std::size_t at = 32;
  while (file.size() - at > 54) {
    Bytes packet{0xFF, 0xD2, 0x01};
    packet.insert(packet.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                  file.begin() + static_cast<std::ptrdiff_t>(at + 54));
    packets.push_back(packet);
    at += 54;
  }
  Bytes last{0xFF, 0xD2, 0x02};
  last.insert(last.end(), file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
  packets.push_back(last);
  return packets;
}

// Sends a file's packets with a quiet identity poll after every 21st content packet; false
// when the link fails or a poll goes unanswered.
inline bool SendFile(BusClient& client, const Bytes& file) {
  const std::vector<Bytes> packets = BlockPackets(file);
  for (std::size_t i = 0; i < packets.size(); ++i) {
    if (!client.Send(packets[i])) return false;
    if (i > 0 && i + 1 < packets.size() && i % 21 == 0 && client.Identity() < 0) return false;
  }
  return true;
}

}  // namespace devsimtest
