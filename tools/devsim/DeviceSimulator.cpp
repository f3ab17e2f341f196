#include "DeviceSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/IrdaBus.h"

namespace devsim {
namespace {

constexpr std::size_t kMaxLoggedRequests = 100000;
constexpr std::size_t kReadChunk = 4096;
constexpr int kRejoinRetryMs = 500;
constexpr int kLiveCheckMs = 1000;
constexpr int kLiveCheckRetryMs = 20;

enum class Wait { kReady, kStopping, kTimeout };

std::string ErrnoText(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// True when something listens at `path`: a live device whose place we must not take. Only a
// refused connection, or no socket at all, marks the place as stale. A listener that neither
// accepts nor refuses within the bound (its backlog full, its process wedged) counts as live:
// wrongly refusing to start costs one clear error message, while wrongly taking over would
// unlink the socket of a device that is still running and leave two of them answering as one.
bool SomeoneListens(const std::string& path) {
  sockaddr_un address;
  if (!FillAddress(path, address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLiveCheckMs);
  auto msLeft = [deadline] {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
  };
  bool live = true;
  for (;;) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) break;
    if (errno == EINPROGRESS) {
      pollfd entry{fd, POLLOUT, 0};
      int ready = 0;
      while ((ready = ::poll(&entry, 1, msLeft())) < 0 && errno == EINTR) {
      }
      int error = 0;
      socklen_t size = sizeof error;
      if (ready > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0) {
        live = error != ECONNREFUSED && error != ENOENT;
      }
      break;
    }
    if (errno == ECONNREFUSED || errno == ENOENT) {
      live = false;
      break;
    }
    // A full backlog of a local socket fails at once with EAGAIN and offers nothing to wait
    // on, so the attempt is repeated until the bound.
    if ((errno != EAGAIN && errno != EINTR) || msLeft() == 0) break;
    ::poll(nullptr, 0, std::min(kLiveCheckRetryMs, msLeft()));
  }
  ::close(fd);
  return live;
}

// What the file command at `position` (1-based) finds beyond the stored files of an area whose
// directory is padded to more entries: a copy of the last stored file, named after its position.
Bytes ExtraFile(const std::vector<Bytes>& stored, int position) {
  Bytes file = stored.back();
  const std::string name = "Extra " + std::to_string(position);
  std::fill_n(file.begin() + 12, kNameSize, 0);
  std::copy_n(name.begin(), std::min(name.size(), kNameSize), file.begin() + 12);
  file[5] = kAddedMark;
  return file;
}

// Changes `reply` to `request` as the content faults say (the identity answers, the padded and the
// garbled directories); true when one of them did. `identityPoll` counts the connection's
// identity polls, this one included.
bool Misshape(const Faults& faults, const DeviceMemory& memory, const Bytes& request,
              int identityPoll, Reply& reply) {
  if (request == Bytes{0x10}) {
    if (faults.identityFrom <= 0 || identityPoll < faults.identityFrom ||
        (faults.identityCount > 0 && identityPoll >= faults.identityFrom + faults.identityCount)) {
      return false;
    }
    reply.bytes = {faults.identityValue};
    reply.notes.push_back("fault: identity poll " + std::to_string(identityPoll) + " answered " +
                          std::to_string(faults.identityValue));
    return true;
  }
  if (request.size() < 5 || request[0] != 0xFF) return false;
  const auto slot = AreaSlot(request[3]);
  if (!slot || memory[*slot].files.empty()) return false;
  const std::vector<Bytes>& stored = memory[*slot].files;
  const auto count = static_cast<int>(stored.size());
  bool changed = false;
  if (request[1] == 0xFA && faults.directoryEntries > 0) {
    reply.bytes.resize(4);
    for (int position = 1; position <= faults.directoryEntries; ++position) {
      const Bytes file = position <= count ? stored[position - 1u] : ExtraFile(stored, position);
      reply.bytes.insert(reply.bytes.end(), file.begin(),
                         file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize));
    }
    platform::WriteLE32(reply.bytes, 0, static_cast<std::uint32_t>(reply.bytes.size()));
    reply.notes.push_back("fault: directory lists " + std::to_string(faults.directoryEntries) +
                          " entries");
    changed = true;
  }
  if (request[1] == 0xFA && faults.garbageDirectory && reply.bytes.size() > 4) {
    // The same noise every time, so that a test can tell what the tool made of it.
    std::uint32_t noise = 0x9E3779B9u;
    for (std::size_t at = 4; at < reply.bytes.size(); ++at) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      reply.bytes[at] = static_cast<std::uint8_t>(noise);
    }
    reply.notes.push_back("fault: directory headers garbled");
    changed = true;
  }
  if (request[1] == 0xC2 && request[4] > count && request[4] <= faults.directoryEntries) {
    reply = Reply{};
    reply.bytes = ExtraFile(stored, request[4]);
    reply.lengthPrefixed = true;
    changed = true;
  }
  return changed;
}

}  // namespace

DeviceSimulator::DeviceSimulator(SimulatorConfig config)
    : config_(std::move(config)),
      busDirectory_(config_.busDirectory.empty() ? platform::BusDirectory() : config_.busDirectory),
      store_(config_.stateDirectory),
      faults_(config_.faults) {}

DeviceSimulator::~DeviceSimulator() {
  Stop();
}

std::string DeviceSimulator::DeviceDirectory() const {
  return busDirectory_ + "/" + platform::DeviceDirectoryName(config_.id);
}

std::string DeviceSimulator::SocketPath() const {
  return DeviceDirectory() + "/" + kServiceName;
}

long long DeviceSimulator::Elapsed() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               started_)
      .count();
}

bool DeviceSimulator::Start(std::string* errorOut) {
  std::string error;
  auto fail = [&](const std::string& why) {
    if (errorOut) *errorOut = why;
    return false;
  };
  if (thread_.joinable()) return fail("already running");
  if (config_.stateDirectory.empty()) return fail("no state folder given");
  if (config_.name.size() > 22) return fail("device name longer than 22 bytes");

  DeviceMemory memory;
  const auto [major, minor] =
      config_.firmware.value_or(std::pair<std::uint8_t, std::uint8_t>{5, 1});
  if (!store_.Load(memory, major, minor, error)) return fail(error);
  if (config_.firmware) {
    AreaContent& firmware = memory[*AreaSlot(kFirmwareArea)];
    bool changed = false;
    for (Bytes& part : firmware.files) {
      changed |= part[10] != minor || part[11] != major;
      part[10] = minor;
      part[11] = major;
    }
    if (changed && !store_.Save(kFirmwareArea, firmware, error)) return fail(error);
  }

  std::FILE* log = nullptr;
  if (!config_.logFile.empty()) {
    log = std::fopen(config_.logFile.c_str(), "we");  // close-on-exec, as every other fd here
    if (!log) return fail(ErrnoText(config_.logFile));
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (log) std::fclose(log);
    return fail(ErrnoText("pipe"));
  }
  {
    std::lock_guard lock(mutex_);
    model_ = std::make_unique<DeviceModel>(std::move(memory), config_.settings);
    log_ = log;
    requests_.clear();
    notes_.clear();
  }
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  started_ = std::chrono::steady_clock::now();
  stopping_ = false;
  connections_ = 0;
  restarts_ = 0;
  if (!JoinBus(error)) {
    Stop();
    return fail(error);
  }
  thread_ = std::thread(&DeviceSimulator::Serve, this);
  return true;
}

void DeviceSimulator::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    const char wake = 'x';
    [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite_, &wake, 1);
    thread_.join();
  }
  if (onBus_) LeaveBus();
  for (int* fd : {&wakeRead_, &wakeWrite_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  std::lock_guard lock(mutex_);
  if (log_) std::fclose(log_);
  log_ = nullptr;
}

bool DeviceSimulator::JoinBus(std::string& error) {
  const std::string directory = DeviceDirectory();
  const std::string socketPath = SocketPath();
  sockaddr_un address;
  if (!FillAddress(socketPath, address)) {
    error = "socket path too long: " + socketPath;
    return false;
  }
  if (!platform::EnsureDirectory(busDirectory_)) {
    error = ErrnoText("cannot create bus " + busDirectory_);
    return false;
  }
  struct stat info;
  if (::lstat(directory.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) {
      error = directory + " exists and is not a directory";
      return false;
    }
    // A directory left by a device that died is stale; one whose socket answers is not ours.
    if (SomeoneListens(socketPath)) {
      error =
          "device " + platform::DeviceDirectoryName(config_.id) + " is already on " + busDirectory_;
      return false;
    }
    ::unlink(socketPath.c_str());
  } else if (::mkdir(directory.c_str(), 0700) != 0) {
    error = ErrnoText("cannot create " + directory);
    return false;
  }

  const std::string namePath = directory + "/name";
  nameWritten_ = false;
  if (!config_.name.empty()) {
    const int fd = ::open(namePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool ok = fd >= 0 && ::write(fd, config_.name.data(), config_.name.size()) ==
                                   static_cast<ssize_t>(config_.name.size());
    if (fd >= 0) ::close(fd);
    nameWritten_ = fd >= 0;
    if (!ok) {
      error = ErrnoText("cannot write " + namePath);
      LeaveBus();
      return false;
    }
  } else {
    ::unlink(namePath.c_str());
  }

  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0 ||
      ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listenFd_, 16) != 0) {
    error = ErrnoText("cannot listen on " + socketPath);
    LeaveBus();
    return false;
  }
  onBus_ = true;
  return true;
}

void DeviceSimulator::LeaveBus() {
  // Socket first, so that nobody connects to a device that is half gone.
  if (listenFd_ >= 0) {
    ::unlink(SocketPath().c_str());
    ::close(listenFd_);
    listenFd_ = -1;
  }
  if (nameWritten_) ::unlink((DeviceDirectory() + "/name").c_str());
  nameWritten_ = false;
  ::rmdir(DeviceDirectory().c_str());
  onBus_ = false;
}

// Waits until `fd` is ready for `events` (or only for the time, when fd is -1).
static Wait WaitFor(int wakeFd, int fd, short events, int timeoutMs) {
  pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, events, 0}};
  for (;;) {
    const int n = ::poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || fds[0].revents) return Wait::kStopping;
    if (n == 0) return Wait::kTimeout;
    return Wait::kReady;
  }
}

void DeviceSimulator::Serve() {
  bool restartPending = false;
  std::optional<int> away;  // the leave fault fired: this long off the bus
  while (!stopping_) {
    if (restartPending || away) {
      const bool restart = restartPending;
      const int offMs = restart ? config_.restartMs : *away;
      restartPending = false;
      away.reset();
      LeaveBus();
      Note(restart ? "left the bus to restart" : "left the bus");
      if (WaitFor(wakeRead_, -1, 0, offMs) == Wait::kStopping) return;
      if (!restart) Reload();
      std::string error;
      while (!JoinBus(error)) {
        Note("cannot rejoin the bus: " + error);
        if (WaitFor(wakeRead_, -1, 0, kRejoinRetryMs) == Wait::kStopping) return;
      }
      if (restart) {
        ++restarts_;
        Note("back on the bus after a restart");
      } else {
        Note("back on the bus with what the state folder holds");
      }
      continue;
    }
    if (WaitFor(wakeRead_, listenFd_, POLLIN, -1) != Wait::kReady) return;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    ServeConnection(fd, restartPending, away);
    ::close(fd);
  }
}

void DeviceSimulator::Reload() {
  std::pair<std::uint8_t, std::uint8_t> version;
  {
    std::lock_guard lock(mutex_);
    version = model_->FirmwareVersion();
  }
  DeviceMemory memory;
  std::string error;
  if (!store_.Load(memory, version.first, version.second, error)) {
    Note("cannot reload the state folder, memory kept: " + error);
    return;
  }
  std::lock_guard lock(mutex_);
  model_ = std::make_unique<DeviceModel>(std::move(memory), config_.settings);
}

bool DeviceSimulator::SendAll(int fd, const std::uint8_t* data, std::size_t size) {
  std::size_t sent = 0;
  while (sent < size) {
    const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (WaitFor(wakeRead_, fd, POLLOUT, -1) != Wait::kReady) return false;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

void DeviceSimulator::ServeConnection(int fd, bool& restart, std::optional<int>& away) {
  {
    std::lock_guard lock(mutex_);
    model_->BeginConnection();
  }
  Bytes buffer;
  int count = 0;
  int identityPolls = 0;
  int connection = 0;
  bool silent = false;
  // The faults that fired here, when they are to fire only once.
  std::optional<Faults> firedOnce;
  auto fired = [&firedOnce](const Faults& faults) {
    if (faults.once) firedOnce = faults;
  };
  for (bool open = true; open;) {
    while (!silent && !buffer.empty()) {
      Frame frame;
      {
        std::lock_guard lock(mutex_);
        frame = model_->FrameRequest(buffer.data(), buffer.size());
      }
      if (frame.status == FrameStatus::kIncomplete) break;
      if (frame.status == FrameStatus::kInvalid) {
        Note("unknown request " +
             platform::ToHex(buffer.data(), std::min(frame.length, buffer.size())) +
             "; link ended");
        open = false;
        break;
      }
      const Bytes request(buffer.begin(),
                          buffer.begin() + static_cast<std::ptrdiff_t>(frame.length));
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(frame.length));
      ++count;
      LogRequest(connection, request);
      Faults faults;
      Reply reply;
      if (request == Bytes{0x10}) ++identityPolls;
      {
        std::lock_guard lock(mutex_);
        faults = faults_;
        if (faults.dropAfter != count) {
          reply = model_->Handle(request);
          if (Misshape(faults, model_->Memory(), request, identityPolls, reply)) fired(faults);
        }
      }
      if (faults.dropAfter == count) {
        fired(faults);
        Note("fault: link dropped after request " + std::to_string(count));
        open = false;
        break;
      }
      for (const std::string& note : reply.notes) Note(note);
      Persist(reply.changedAreas);
      restart = restart || reply.restart;
      if (faults.shortReply == count) {
        fired(faults);
        SendAll(fd, reply.bytes.data(), reply.bytes.size() / 2);
        Note("fault: reply to request " + std::to_string(count) + " cut to " +
             std::to_string(reply.bytes.size() / 2) + " of " + std::to_string(reply.bytes.size()) +
             " bytes; link ended");
        open = false;
        break;
      }
      if (faults.absurdPrefix == count && reply.lengthPrefixed && reply.bytes.size() >= 4) {
        fired(faults);
        platform::WriteLE32(reply.bytes, 0, faults.absurdValue);
        SendAll(fd, reply.bytes.data(), reply.bytes.size());
        Note("fault: reply to request " + std::to_string(count) + " claims " +
             std::to_string(faults.absurdValue) + " bytes; link ended");
        open = false;
        break;
      }
      if (faults.cutReply == count && reply.lengthPrefixed && reply.bytes.size() >= 4) {
        fired(faults);
        const std::size_t size = std::clamp<std::size_t>(faults.cutBytes, 4, reply.bytes.size());
        Note("fault: reply to request " + std::to_string(count) + " cut to " +
             std::to_string(size) + " of " + std::to_string(reply.bytes.size()) + " bytes");
        reply.bytes.resize(size);
        platform::WriteLE32(reply.bytes, 0, static_cast<std::uint32_t>(size));
      }
      if (!SendAll(fd, reply.bytes.data(), reply.bytes.size()) || reply.endConnection) {
        open = false;
        break;
      }
      if (faults.endAfter == count) {
        fired(faults);
        Note("fault: link ended after request " + std::to_string(count));
        open = false;
        break;
      }
      if (faults.leaveAfter == count) {
        fired(faults);
        Note("fault: leaving the bus after request " + std::to_string(count));
        away = faults.awayMs;
        open = false;
        break;
      }
      if (faults.silentAfter == count) {
        fired(faults);
        Note("fault: silent after request " + std::to_string(count));
        silent = true;
      }
    }
    if (!open) break;
    if (WaitFor(wakeRead_, fd, POLLIN, -1) != Wait::kReady) break;
    std::uint8_t chunk[kReadChunk];
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (n <= 0) break;  // end of stream (a probe, or the tool closing) or a broken link
    if (connection == 0) connection = ++connections_;
    if (!silent) buffer.insert(buffer.end(), chunk, chunk + n);
  }
  std::string note;
  bool disarmed = false;
  {
    std::lock_guard lock(mutex_);
    note = model_->EndConnection();
    // Faults set anew while this connection ran are the caller's next plan: left armed.
    if (firedOnce && faults_ == *firedOnce) {
      faults_ = {};
      disarmed = true;
    }
  }
  if (!note.empty()) Note(note);
  if (disarmed) Note("fault: fired once, now off");
}

void DeviceSimulator::Persist(const std::vector<std::uint8_t>& areas) {
  for (const std::uint8_t area : areas) {
    AreaContent content;
    {
      std::lock_guard lock(mutex_);
      content = model_->Memory()[*AreaSlot(area)];
    }
    std::string error;
    if (!store_.Save(area, content, error)) Note("cannot save: " + error);
  }
}

void DeviceSimulator::Note(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (notes_.size() >= kMaxNotes) notes_.pop_front();
  notes_.push_back(text);
  if (log_) {
    std::fprintf(log_, "%lld # %s\n", Elapsed(), text.c_str());
    std::fflush(log_);
  }
}

void DeviceSimulator::LogRequest(int connection, const Bytes& request) {
  std::lock_guard lock(mutex_);
  const long long ms = Elapsed();
  if (requests_.size() >= kMaxLoggedRequests) requests_.pop_front();
  requests_.push_back({ms, connection, request});
  if (log_) {
    std::fprintf(log_, "%lld %s\n", ms, platform::ToHex(request).c_str());
    std::fflush(log_);
  }
}

std::vector<Bytes> DeviceSimulator::Files(std::uint8_t area) const {
  std::lock_guard lock(mutex_);
  const auto slot = AreaSlot(area);
  if (!model_ || !slot) return {};
  return model_->Memory()[*slot].files;
}

std::uint16_t DeviceSimulator::DefaultIndex(std::uint8_t area) const {
  std::lock_guard lock(mutex_);
  const auto slot = AreaSlot(area);
  if (!model_ || !slot) return 0;
  return model_->Memory()[*slot].defaultIndex;
}

std::pair<std::uint8_t, std::uint8_t> DeviceSimulator::FirmwareVersion() const {
  std::lock_guard lock(mutex_);
  return model_ ? model_->FirmwareVersion() : std::pair<std::uint8_t, std::uint8_t>{0, 0};
}

std::vector<LoggedRequest> DeviceSimulator::Requests() const {
  std::lock_guard lock(mutex_);
  return {requests_.begin(), requests_.end()};
}

std::vector<std::string> DeviceSimulator::Notes() const {
  std::lock_guard lock(mutex_);
  return {notes_.begin(), notes_.end()};
}

void DeviceSimulator::SetIdentity(std::uint8_t identity) {
  std::lock_guard lock(mutex_);
  config_.settings.identity = identity;
  if (model_) model_->Settings().identity = identity;
}

void DeviceSimulator::SetBattery(std::uint8_t battery) {
  std::lock_guard lock(mutex_);
  config_.settings.battery = battery;
  if (model_) model_->Settings().battery = battery;
}

void DeviceSimulator::SetBusyPolls(int polls) {
  std::lock_guard lock(mutex_);
  config_.settings.busyPolls = polls;
  if (model_) model_->Settings().busyPolls = polls;
}

void DeviceSimulator::SetFaults(const Faults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

}  // namespace devsim
