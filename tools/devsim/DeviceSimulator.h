// A simulated dive computer on the virtual IrDA bus: joins the bus as a device directory with a
// listening LSAP-SEL01 socket, serves one connection at a time from a DeviceModel, keeps its
// memory in a state folder, logs every request and can be told to misbehave. Used by the
// orvanel-devsim program and, in-process, by tests.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DeviceModel.h"
#include "DeviceStore.h"

namespace devsim {

inline constexpr const char* kServiceName = "LSAP-SEL01";
inline constexpr std::array<std::uint8_t, 4> kDefaultDeviceId = {0x4F, 0x52, 0x56, 0x4C};
// Notes kept in memory; a simulator fed hostile requests for days must not grow without end.
inline constexpr std::size_t kMaxNotes = 1000;

// Misbehaviour on purpose. Each number counts the requests of one connection from 1; 0 is off.
struct Faults {
  int dropAfter = 0;     // read request N, then end the connection without handling it
  int silentAfter = 0;   // handle N requests, then read and ignore everything, connection open
  int shortReply = 0;    // handle request N, send half its reply, end the connection
  int absurdPrefix = 0;  // request N, when its reply is length-prefixed, gets `absurdValue`
  std::uint32_t absurdValue = 0x7FFFFFFF;  // as prefix; the connection ends after that reply
  int endAfter = 0;  // handle request N and send its whole reply, then end the connection
  // Request N, when its reply is length-prefixed, is cut to `cutBytes` (at least the prefix) and
  // its prefix says so: a well-framed reply that is simply short. The connection stays.
  int cutReply = 0;
  std::uint32_t cutBytes = 4;
  // Identity polls of a connection, counted from 1: from poll N on, `identityCount` of them (0:
  // all) are answered `identityValue`, busy or not. 2 leaves the first poll as it is.
  int identityFrom = 0;
  int identityCount = 0;
  std::uint8_t identityValue = 0;
  // Directory replies list this many entries: the area's stored files, then copies of its last
  // one named "Extra <position>", which the file command also serves. More than an area can
  // hold on purpose (positions past 255 cannot be asked for).
  int directoryEntries = 0;
  // Directory replies keep their length, but every header byte is noise.
  bool garbageDirectory = false;
  // Handle request N, then leave the bus (ending the connection) for `awayMs`, and come back
  // with only what the state folder holds, as a device that was switched off and on again.
  int leaveAfter = 0;
  int awayMs = 0;
  // The first fault to fire turns them all off once its connection ends, so that a tool's
  // recovery can be seen to work on the very next connection.
  bool once = false;

  bool operator==(const Faults&) const = default;
};

struct SimulatorConfig {
  std::string busDirectory;  // empty: platform::BusDirectory()
  std::array<std::uint8_t, 4> id = kDefaultDeviceId;
  std::string name = "Orvanel";  // at most 22 bytes; empty: no name file
  std::string stateDirectory;    // required
  DeviceSettings settings;
  // Forces the stored firmware to this version (major, minor); otherwise a fresh state gets 5.1
  // and an existing one keeps its own.
  std::optional<std::pair<std::uint8_t, std::uint8_t>> firmware;
  int restartMs = 3000;  // time off the bus after a firmware update
  std::string logFile;   // empty: no log file (the request log in memory is kept anyway)
  Faults faults;
};

struct LoggedRequest {
  long long ms = 0;    // since Start()
  int connection = 0;  // 1-based count of connections that sent something
  Bytes bytes;
};

class DeviceSimulator {
 public:
  explicit DeviceSimulator(SimulatorConfig config);
  ~DeviceSimulator();
  DeviceSimulator(const DeviceSimulator&) = delete;
  DeviceSimulator& operator=(const DeviceSimulator&) = delete;

  // Loads the state folder, joins the bus and starts serving. False, with the reason in `error`,
  // if any of it fails; the bus is then left as it was found.
  bool Start(std::string* error = nullptr);
  // Ends any connection, leaves the bus and joins the server thread. Safe to call twice.
  void Stop();

  std::string BusDirectory() const { return busDirectory_; }
  std::string DeviceDirectory() const;
  std::string SocketPath() const;
  bool OnBus() const { return onBus_; }

  // What the device stores now (whole files) and its default indexes.
  std::vector<Bytes> Files(std::uint8_t area) const;
  std::uint16_t DefaultIndex(std::uint8_t area) const;
  std::pair<std::uint8_t, std::uint8_t> FirmwareVersion() const;

  std::vector<LoggedRequest> Requests() const;
  // Refusals, discarded uploads, unknown requests, faults, restarts, in order; the latest
  // kMaxNotes of them (the log file keeps all).
  std::vector<std::string> Notes() const;
  int Connections() const { return connections_; }
  int Restarts() const { return restarts_; }

  void SetIdentity(std::uint8_t identity);
  void SetBattery(std::uint8_t battery);
  void SetBusyPolls(int polls);
  void SetFaults(const Faults& faults);

 private:
  bool JoinBus(std::string& error);
  void LeaveBus();
  void Serve();
  // Serves one connection to its end; sets `restart` when new firmware took over, and `away` to
  // the time off the bus when the leave fault fired.
  void ServeConnection(int fd, bool& restart, std::optional<int>& away);
  // Replaces the memory by what the state folder holds, as after being switched off and on.
  void Reload();
  bool SendAll(int fd, const std::uint8_t* data, std::size_t size);
  void Note(const std::string& text);
  void LogRequest(int connection, const Bytes& request);
  void Persist(const std::vector<std::uint8_t>& areas);
  long long Elapsed() const;

  SimulatorConfig config_;
  std::string busDirectory_;
  DeviceStore store_;

  mutable std::mutex mutex_;  // guards model_, faults_, the logs and the log file
  std::unique_ptr<DeviceModel> model_;
  Faults faults_;
  std::deque<LoggedRequest> requests_;
  std::deque<std::string> notes_;
  std::FILE* log_ = nullptr;

  std::chrono::steady_clock::time_point started_;
  std::thread thread_;
  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> onBus_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> restarts_{0};
  bool nameWritten_ = false;
};

}  // namespace devsim
