// A private virtual IrDA bus for one test: a temporary directory that ORVANEL_IRDA_BUS points to
// while the object lives, with helpers that put listening devices (or stale leftovers) on it.
// Everything is removed and the environment restored at the end.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class TemporaryBus {
 public:
  TemporaryBus() {
    char pattern[] = "/tmp/orvanel-bus-XXXXXX";
    if (const char* made = ::mkdtemp(pattern)) dir_ = made;
    if (const char* old = std::getenv(kVariable)) saved_ = old;
    ::setenv(kVariable, dir_.c_str(), 1);
  }

  ~TemporaryBus() {
    for (int fd : fds_) ::close(fd);
    if (saved_) {
      ::setenv(kVariable, saved_->c_str(), 1);
    } else {
      ::unsetenv(kVariable);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  TemporaryBus(const TemporaryBus&) = delete;
  TemporaryBus& operator=(const TemporaryBus&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string DevicePath(const std::string& device) const { return dir_ + "/" + device; }

  // A device in range: `device` (8 hex digits) listening on `service`; returns the listening
  // socket. Connections wait in its queue until the test accepts them.
  int AddDevice(const std::string& device, std::optional<std::string> nickname = std::nullopt,
                const std::string& service = "LSAP-SEL01") {
    std::filesystem::create_directories(DevicePath(device));
    if (nickname) {
      std::ofstream(DevicePath(device) + "/name", std::ios::binary) << *nickname;
    }
    return Listen(DevicePath(device) + "/" + service);
  }

  // What a crashed device leaves behind: its directory and socket file, but nobody listening.
  void AddStaleDevice(const std::string& device, const std::string& service = "LSAP-SEL01") {
    std::filesystem::create_directories(DevicePath(device));
    const int fd = Listen(DevicePath(device) + "/" + service);
    Forget(fd);
    ::close(fd);
  }

  // A listening socket at `path` (queue of 32), closed at the end of the test.
  int Listen(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 32) != 0) {
      ::close(fd);
      return -1;
    }
    fds_.push_back(fd);
    return fd;
  }

  // The next queued connection of `listener`, or -1 when none comes within `timeoutMs`.
  int Accept(int listener, int timeoutMs = 2000) {
    pollfd ready{listener, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) != 1) return -1;
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) fds_.push_back(fd);
    return fd;
  }

  // Closes one of the sockets made here now instead of at the end.
  void Close(int fd) {
    Forget(fd);
    ::close(fd);
  }

 private:
  static constexpr const char* kVariable = "ORVANEL_IRDA_BUS";

  void Forget(int fd) { std::erase(fds_, fd); }

  std::string dir_;
  std::optional<std::string> saved_;
  std::vector<int> fds_;
};

}  // namespace testsupport
