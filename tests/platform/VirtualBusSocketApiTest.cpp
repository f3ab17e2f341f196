// The bus backend against a real temporary bus with listening sockets made by the test itself.
#include "platform/VirtualBusSocketApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "platform/ByteOrder.h"
#include "platform/SleepHook.h"
#include "support/SleepRecorder.h"
#include "support/TemporaryBus.h"

namespace {

using platform::Bytes;
using platform::kSocketError;
using platform::VirtualBusSocketApi;
namespace wsa = platform::wsa;

struct Listing {
  int result = 0;
  int length = 0;
  Bytes list;

  std::uint32_t Count() const { return platform::ReadLE32(list, 0); }
  Bytes Entry(int i) const {
    const auto at = list.begin() + 4 + i * platform::kDeviceInfoSize;
    return Bytes(at, at + platform::kDeviceInfoSize);
  }
  std::string Id(int i) const {
    const Bytes entry = Entry(i);
    return platform::ToHex(Bytes(entry.begin(), entry.begin() + 4));
  }
  std::string Name(int i) const {
    const Bytes entry = Entry(i);
    return std::string(entry.begin() + 4, entry.begin() + 4 + platform::kDeviceNameSize);
  }
};

platform::SockAddrIrda AddressOf(std::array<std::uint8_t, 4> id,
                                 const std::string& service = "LSAP-SEL01") {
  platform::SockAddrIrda address;
  address.family = platform::kAfIrda;
  std::memcpy(address.deviceId, id.data(), 4);
  std::memcpy(address.serviceName, service.data(), service.size());
  return address;
}

class VirtualBusTest : public ::testing::Test {
 protected:
  Listing Enumerate(int room = platform::kDeviceListSize) {
    Listing listing;
    listing.list.assign(static_cast<std::size_t>(room), 0xEE);
    listing.length = room;
    const platform::SocketHandle socket = api.CreateSocket();
    listing.result = api.EnumerateDevices(socket, listing.list.data(), &listing.length);
    api.Close(socket);
    return listing;
  }

  // A data socket connected to device 0a1b2c3d, and the device's end of the stream.
  std::pair<platform::SocketHandle, int> ConnectedPair() {
    const int listener = bus.AddDevice("0a1b2c3d");
    const platform::SocketHandle socket = api.CreateSocket();
    EXPECT_EQ(api.Connect(socket, AddressOf({0x0A, 0x1B, 0x2C, 0x3D}), 32), 0);
    return {socket, bus.Accept(listener)};
  }

  testsupport::TemporaryBus bus;
  testsupport::SleepRecorder sleeps;
  VirtualBusSocketApi api;
};

TEST_F(VirtualBusTest, EnumerationListsAnsweringDevicesInNameOrderWithTheirNames) {
  bus.AddDevice("0a1b2c3d", std::string("Wrist"));
  bus.AddDevice("00000001");                        // no name file: 22 zero bytes
  bus.AddDevice("00000002", std::string(30, 'N'));  // cut to 22 bytes
  bus.AddStaleDevice("00000003");                   // left behind by a process that died
  bus.AddDevice("0A1B2C3E");                        // not the lower-case spelling
  bus.AddDevice("abc", std::string("short name"));  // not a device id
  std::filesystem::create_directories(bus.DevicePath("00000004"));  // no socket at all
  // The first socket in name order decides, even when a later one would answer.
  bus.AddStaleDevice("00000005", "A-FIRST");
  bus.AddDevice("00000005", std::nullopt, "B-SECOND");

  const Listing listing = Enumerate();

  EXPECT_EQ(listing.result, 0);
  ASSERT_EQ(listing.Count(), 3u);
  EXPECT_EQ(listing.length, 4 + 3 * platform::kDeviceInfoSize);
  EXPECT_EQ(listing.Id(0), "00 00 00 01");
  EXPECT_EQ(listing.Id(1), "00 00 00 02");
  EXPECT_EQ(listing.Id(2), "0A 1B 2C 3D");
  EXPECT_EQ(listing.Name(0), std::string(22, '\0'));
  EXPECT_EQ(listing.Name(1), std::string(22, 'N'));
  EXPECT_EQ(listing.Name(2), std::string("Wrist") + std::string(17, '\0'));
  for (int i = 0; i < 3; ++i) {
    const Bytes entry = listing.Entry(i);
    EXPECT_EQ(platform::ToHex(Bytes(entry.end() - 3, entry.end())), "00 00 00") << i;
  }
  EXPECT_EQ(sleeps.Waits(), std::vector<int>{VirtualBusSocketApi::kDiscoveryMs});
}

TEST_F(VirtualBusTest, EnumerationReportsAtMostSixteenDevicesAndOnlyWhatFitsTheBuffer) {
  char name[9];
  for (int i = 0; i < 17; ++i) {
    std::snprintf(name, sizeof name, "%08x", i + 1);
    bus.AddDevice(name);
  }
  const Listing full = Enumerate();
  ASSERT_EQ(full.Count(), 16u);
  EXPECT_EQ(full.Id(15), "00 00 00 10");
  EXPECT_EQ(full.length, platform::kDeviceListSize);

  const Listing small = Enumerate(4 + 2 * platform::kDeviceInfoSize + 10);
  EXPECT_EQ(small.Count(), 2u);
  EXPECT_EQ(small.length, 4 + 2 * platform::kDeviceInfoSize);
  EXPECT_EQ(small.list.back(), 0xEE);  // nothing written past what was reported
}

TEST_F(VirtualBusTest, EnumerationProbeEndsBeforeAnyByteIsSent) {
  const int listener = bus.AddDevice("0a1b2c3d");
  ASSERT_EQ(Enumerate().Count(), 1u);

  const int probe = bus.Accept(listener);
  ASSERT_GE(probe, 0);
  char byte;
  EXPECT_EQ(::recv(probe, &byte, 1, 0), 0);
}

TEST_F(VirtualBusTest, MissingBusDirectoryIsNoDeviceNotAnError) {
  ::setenv("ORVANEL_IRDA_BUS", (bus.Dir() + "/not-there").c_str(), 1);
  const Listing listing = Enumerate();
  EXPECT_EQ(listing.result, 0);
  EXPECT_EQ(listing.Count(), 0u);
  EXPECT_EQ(listing.length, 4);
  EXPECT_EQ(sleeps.Count(VirtualBusSocketApi::kDiscoveryMs), 1);
}

TEST_F(VirtualBusTest, ConnectToAbsentOrDeadDeviceIsRefusedInBothModes) {
  bus.AddStaleDevice("00000003");
  bus.AddDevice("0a1b2c3d");
  struct Case {
    std::array<std::uint8_t, 4> id;
    std::string service;
  };
  for (const Case& c : {Case{{0, 0, 0, 3}, "LSAP-SEL01"}, Case{{0, 0, 0, 9}, "LSAP-SEL01"},
                        Case{{0x0A, 0x1B, 0x2C, 0x3D}, "OTHER"},
                        Case{{0x0A, 0x1B, 0x2C, 0x3D}, "../0a1b2c3d/LSAP-SEL01"}}) {
    for (bool nonBlocking : {false, true}) {
      const platform::SocketHandle socket = api.CreateSocket();
      api.SetNonBlocking(socket, nonBlocking);
      EXPECT_EQ(api.Connect(socket, AddressOf(c.id, c.service), 32), kSocketError);
      EXPECT_EQ(api.LastError(), wsa::kConnectionRefused) << c.service << nonBlocking;
      api.Close(socket);
    }
  }
}

TEST_F(VirtualBusTest, NonBlockingConnectRunsLikeWinsock) {
  const int listener = bus.AddDevice("0a1b2c3d");
  const platform::SocketHandle socket = api.CreateSocket();
  ASSERT_EQ(api.SetNonBlocking(socket, true), 0);
  const auto address = AddressOf({0x0A, 0x1B, 0x2C, 0x3D});

  EXPECT_EQ(api.Connect(socket, address, 32), kSocketError);
  EXPECT_EQ(api.LastError(), wsa::kWouldBlock);
  EXPECT_EQ(api.Connect(socket, address, 32), kSocketError);
  EXPECT_EQ(api.LastError(), wsa::kIsConnected);

  // Back in blocking mode the stream carries data like any other.
  ASSERT_EQ(api.SetNonBlocking(socket, false), 0);
  const int device = bus.Accept(listener);
  const std::uint8_t request[] = {0x10};
  EXPECT_EQ(api.Send(socket, request, 1), 1);
  char got = 0;
  EXPECT_EQ(::recv(device, &got, 1, 0), 1);
  EXPECT_EQ(got, 0x10);
}

TEST_F(VirtualBusTest, StreamCarriesExactlyTheBytesBothWaysAndEndsWithZero) {
  auto [socket, device] = ConnectedPair();
  ASSERT_GE(device, 0);
  EXPECT_EQ(api.SetNoLinger(socket), 0);

  Bytes request(1000);
  for (std::size_t i = 0; i < request.size(); ++i) request[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(api.Send(socket, request.data(), static_cast<int>(request.size())), 1000);
  Bytes arrived(1000);
  std::size_t have = 0;
  while (have < arrived.size()) {
    const ssize_t n = ::recv(device, arrived.data() + have, arrived.size() - have, 0);
    ASSERT_GT(n, 0);
    have += static_cast<std::size_t>(n);
  }
  EXPECT_EQ(arrived, request);

  const std::string reply = "0123456789";
  ASSERT_EQ(::send(device, reply.data(), reply.size(), 0), 10);
  std::uint8_t buffer[300];
  EXPECT_EQ(api.Receive(socket, buffer, 4), 4);  // never more than asked for
  EXPECT_EQ(api.Receive(socket, buffer, 300), 6);
  EXPECT_EQ(std::string(buffer, buffer + 6), "456789");

  bus.Close(device);
  EXPECT_EQ(api.Receive(socket, buffer, 300), 0);
}

TEST_F(VirtualBusTest, SilentDeviceTimesTheReceiveOut) {
  auto [socket, device] = ConnectedPair();
  ASSERT_GE(device, 0);
  ASSERT_EQ(api.SetReceiveTimeout(socket, 20), 0);
  std::uint8_t buffer[8];
  EXPECT_EQ(api.Receive(socket, buffer, 8), kSocketError);
  EXPECT_EQ(api.LastError(), wsa::kTimedOut);
}

TEST_F(VirtualBusTest, SendToAVanishedDeviceFailsWithoutKillingTheProcess) {
  auto [socket, device] = ConnectedPair();
  ASSERT_GE(device, 0);
  bus.Close(device);
  const std::uint8_t request[] = {0xFF, 0xF5};
  // Without MSG_NOSIGNAL the broken pipe would end this test process here.
  EXPECT_EQ(api.Send(socket, request, 2), kSocketError);
  EXPECT_EQ(api.LastError(), wsa::kConnectionReset);
}

TEST_F(VirtualBusTest, ShutdownEndsTheDevicesStream) {
  auto [socket, device] = ConnectedPair();
  ASSERT_GE(device, 0);
  EXPECT_EQ(api.Shutdown(socket), 0);
  char byte;
  EXPECT_EQ(::recv(device, &byte, 1, 0), 0);
  EXPECT_EQ(api.Close(socket), 0);
}

TEST_F(VirtualBusTest, HandlesItDidNotMakeAreNeverTouched) {
  // Handle 0 is the initial value of the transport's sockets; here it is stdin.
  for (platform::SocketHandle stray : {platform::SocketHandle{0}, platform::kInvalidSocket}) {
    EXPECT_EQ(api.Close(stray), kSocketError);
    EXPECT_EQ(api.Shutdown(stray), kSocketError);
    EXPECT_EQ(api.LastError(), 10038);
  }
  EXPECT_NE(::fcntl(0, F_GETFD), -1);

  const platform::SocketHandle socket = api.CreateSocket();
  EXPECT_EQ(api.Close(socket), 0);
  EXPECT_EQ(api.Close(socket), kSocketError);  // a second close cannot hit a reused number
}

TEST_F(VirtualBusTest, StartupGrantsVersionTwoTwo) {
  platform::SocketLayerInfo info;
  EXPECT_EQ(api.Startup(0x0202, info), 0);
  EXPECT_EQ(info.version, 0x0202);
  EXPECT_EQ(info.highVersion, 0x0202);
  EXPECT_FALSE(info.description.empty());
  EXPECT_EQ(api.Cleanup(), 0);
}

TEST(VirtualBusErrors, PosixErrorsMapToWinsockNumbers) {
  const std::pair<int, int> table[] = {
      {EWOULDBLOCK, 10035},  {EAGAIN, 10035},       {EINPROGRESS, 10036},  {EALREADY, 10037},
      {EAFNOSUPPORT, 10047}, {ECONNRESET, 10054},   {EPIPE, 10054},        {EISCONN, 10056},
      {ENOTCONN, 10057},     {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061}, {ENOENT, 10061},
      {EACCES, 10050},       {ENAMETOOLONG, 10050}, {EIO, 10050}};
  for (const auto& [posix, winsock] : table) {
    EXPECT_EQ(VirtualBusSocketApi::WinsockError(posix), winsock) << std::strerror(posix);
  }
}

TEST(VirtualBusErrors, LastErrorBelongsToTheCallingThread) {
  VirtualBusSocketApi api;
  api.Close(0);  // fails here, on this thread
  int otherThreadError = -1;
  std::thread([&] { otherThreadError = api.LastError(); }).join();
  EXPECT_EQ(otherThreadError, 0);
  EXPECT_EQ(api.LastError(), 10038);
}

}  // namespace
