// Where the bus lives, the bus backend under load and a busy device, and TIrDA driving the bus
// backend the way the presence watcher and a transfer do.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "irda/IrDAUnit.h"
#include "platform/IrdaBus.h"
#include "platform/SleepHook.h"
#include "platform/VirtualBusSocketApi.h"
#include "support/SleepRecorder.h"
#include "support/TemporaryBus.h"

namespace {

namespace wsa = platform::wsa;
using platform::Bytes;
using platform::kSocketError;
using platform::SocketHandle;

// Sets (or, with nullptr, removes) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

platform::SockAddrIrda AddressOf(std::array<std::uint8_t, 4> id) {
  platform::SockAddrIrda address;
  address.family = platform::kAfIrda;
  std::copy(id.begin(), id.end(), address.deviceId);
  std::string("LSAP-SEL01").copy(address.serviceName, platform::kServiceNameSize - 1);
  return address;
}

TEST(VirtualBusLocation, VariableThenRuntimeDirectoryThenUserTmp) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/4242");
  {
    ScopedEnv bus("ORVANEL_IRDA_BUS", "/somewhere/bus");
    EXPECT_EQ(platform::BusDirectory(), "/somewhere/bus");
  }
  ScopedEnv bus("ORVANEL_IRDA_BUS", "");  // empty counts as unset
  EXPECT_EQ(platform::BusDirectory(), "/run/user/4242/orvanel-irda");
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(platform::BusDirectory(), "/tmp/orvanel-irda-" + std::to_string(::getuid()));
}

TEST(VirtualBusLocation, BusAndMissingParentsAreCreatedPrivate) {
  testsupport::TemporaryBus scratch;
  const std::string deep = scratch.Dir() + "/a/b";
  ASSERT_TRUE(platform::EnsureDirectory(deep));
  for (const std::string& dir : {scratch.Dir() + "/a", deep}) {
    struct stat info {};
    ASSERT_EQ(::stat(dir.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << dir;
  }
  EXPECT_TRUE(platform::EnsureDirectory(deep));
}

class VirtualBusTransportTest : public ::testing::Test {
 protected:
  testsupport::TemporaryBus bus;
  testsupport::SleepRecorder sleeps;
  platform::VirtualBusSocketApi api;
};

TEST_F(VirtualBusTransportTest, BusyDeviceReportsAlreadyUntilItTakesTheConnection) {
  // A queue of length 0 holds one waiting connection; a second finds the device busy.
  const std::string path = bus.DevicePath("0a1b2c3d") + "/LSAP-SEL01";
  std::filesystem::create_directories(bus.DevicePath("0a1b2c3d"));
  const int listener = bus.Listen(path);
  ASSERT_EQ(::listen(listener, 0), 0);
  const int first = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::connect(first, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  const SocketHandle socket = api.CreateSocket();
  ASSERT_EQ(api.SetNonBlocking(socket, true), 0);
  const auto target = AddressOf({0x0a, 0x1b, 0x2c, 0x3d});
  EXPECT_EQ(api.Connect(socket, target, 32), kSocketError);
  EXPECT_EQ(api.LastError(), wsa::kWouldBlock);
  EXPECT_EQ(api.Connect(socket, target, 32), kSocketError);
  EXPECT_EQ(api.LastError(), wsa::kAlready);

  ASSERT_GE(bus.Accept(listener), 0);  // the device takes the first caller; room again
  EXPECT_EQ(api.Connect(socket, target, 32), kSocketError);
  EXPECT_EQ(api.LastError(), wsa::kIsConnected);
  ::close(first);
  api.Close(socket);
}

TEST_F(VirtualBusTransportTest, NoSocketIsEverNumberedZero) {
  // With stdin closed the system hands out descriptor 0 next; the transport's "no socket yet"
  // value must still name nothing.
  const int savedStdin = ::dup(STDIN_FILENO);
  ASSERT_GE(savedStdin, 0);
  ::close(STDIN_FILENO);
  const SocketHandle socket = api.CreateSocket();
  ::dup2(savedStdin, STDIN_FILENO);
  ::close(savedStdin);
  EXPECT_GT(socket, 2u);
  EXPECT_NE(socket, platform::kInvalidSocket);
  EXPECT_EQ(api.Close(0), kSocketError);
  EXPECT_EQ(api.Close(socket), 0);
}

TEST_F(VirtualBusTransportTest, RequestLargerThanTheSocketBufferIsSentWhole) {
  const int listener = bus.AddDevice("0a1b2c3d");
  const SocketHandle socket = api.CreateSocket();
  ASSERT_EQ(api.Connect(socket, AddressOf({0x0a, 0x1b, 0x2c, 0x3d}), 32), 0);
  const int device = bus.Accept(listener);
  ASSERT_GE(device, 0);
  // Non-blocking, so the short writes have to be finished by the layer itself.
  ASSERT_EQ(api.SetNonBlocking(socket, true), 0);

  const Bytes request(1 << 20, 0x5A);
  std::size_t received = 0;
  std::thread reader([device, &received] {
    std::vector<char> chunk(65536);
    for (ssize_t n; (n = ::recv(device, chunk.data(), chunk.size(), 0)) > 0;) {
      received += static_cast<std::size_t>(n);
    }
  });
  EXPECT_EQ(api.Send(socket, request.data(), static_cast<int>(request.size())),
            static_cast<int>(request.size()));
  EXPECT_EQ(api.Shutdown(socket), 0);
  reader.join();
  EXPECT_EQ(received, request.size());
  api.Close(socket);
}

TEST_F(VirtualBusTransportTest, TransportFindsConnectsTalksAndCloses) {
  const int listener = bus.AddDevice("0a1b0001", std::string("Orvanel"));
  TIrDA irda(&api);
  irda.StartWinsock();
  EXPECT_EQ(irda.Status.rfind("WSAStartup OK: 2.2/2.2 ", 0), 0u) << irda.Status;

  irda.LinkOk = true;
  irda.CreateCheckSocket();
  irda.ListDevices();
  EXPECT_EQ(irda.Status, "GetOptCDL OK:0 Dev:1");
  EXPECT_EQ(irda.DeviceIdText, "10 27 0 1 ");
  EXPECT_EQ(irda.DeviceNameText, std::string("Orvanel") + std::string(15, '\0'));
  EXPECT_EQ(sleeps.Waits(), std::vector<int>{platform::VirtualBusSocketApi::kDiscoveryMs});
  irda.CloseCheckSocket();
  bus.Close(bus.Accept(listener));  // the enumeration's probe

  irda.CreateDataSocket(irda.FirstDeviceId());
  irda.SetNoLinger();
  EXPECT_EQ(irda.Status, "SetOpt OK");
  irda.ConnectDevice(true);
  EXPECT_EQ(irda.Status, "Non-blocking connect OK Trials=1");
  const int device = bus.Accept(listener);
  ASSERT_GE(device, 0);

  irda.SendBuffer = {0x10};
  EXPECT_EQ(irda.SendRequest(), 1);
  char request = 0;
  ASSERT_EQ(::recv(device, &request, 1, 0), 1);
  EXPECT_EQ(request, 0x10);
  ASSERT_EQ(::send(device, "\x11", 1, 0), 1);
  irda.ReceiveBuffer.assign(300, 0);
  EXPECT_EQ(irda.ReceiveChunk(), 1);
  EXPECT_EQ(irda.ReceiveBuffer[0], 0x11);

  irda.CloseClient();
  EXPECT_EQ(irda.Status, "Shutdown: 0 / Close Client: 0");
  EXPECT_TRUE(irda.LinkOk);
  char rest;
  EXPECT_EQ(::recv(device, &rest, 1, 0), 0);
}

// A receive waits in slices; between them the one who runs it keeps its window alive and may
// call it off. The time-out bounds the whole wait either way.
TEST_F(VirtualBusTransportTest, DeviceThatNeverAnswersFailsTheLinkInsteadOfHanging) {
  const struct {
    const char* what;
    int timeoutMs;
    int stopAtSlice;    // 0: never called off
    int answerAtSlice;  // 0: the device never answers
    int received;
  } rows[] = {
      {"the time-out runs out", 20, 0, 0, -1},
      {"called off between slices, long before the time-out", 10000, 3, 0, -1},
      {"an answer after some slices", 10000, 0, 2, 1},
  };
  const int listener = bus.AddDevice("0a1b0001");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TIrDA irda(&api);
    irda.ReceiveTimeoutMs = row.timeoutMs;
    irda.LinkOk = true;
    irda.CreateDataSocket({10, 27, 0, 1});
    irda.ConnectDevice(false);
    ASSERT_EQ(irda.Status, "Connect OK");
    const int device = bus.Accept(listener);
    ASSERT_GE(device, 0);
    int slices = 0;
    irda.WhileWaiting = [&] {
      ++slices;
      if (slices == row.answerAtSlice) {
        EXPECT_EQ(::send(device, "\x11", 1, 0), 1);
      }
      return slices != row.stopAtSlice;
    };
    irda.SendBuffer = {0x10};
    EXPECT_EQ(irda.SendRequest(), 1);
    irda.ReceiveBuffer.assign(300, 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(irda.ReceiveChunk(), row.received);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(slices, row.stopAtSlice ? row.stopAtSlice : std::max(slices, row.answerAtSlice));
    if (row.received < 0) {
      EXPECT_EQ(irda.Status, "Recv failed");
      EXPECT_FALSE(irda.LinkOk);
      irda.CloseClient();
      EXPECT_EQ(irda.Status, "Close Client: Invalid Socket");
    } else {
      EXPECT_EQ(irda.Status, "Recv data OK");
      irda.CloseClient();
    }
    ::close(device);
  }
}

}  // namespace
