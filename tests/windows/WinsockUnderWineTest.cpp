// The Winsock backend on a Windows without IrDA, as Wine is: the socket layer starts and stops,
// and every IrDA socket fails the way the transport reports it to the user.
#include <gtest/gtest.h>

#include <string>

#include "irda/IrDAUnit.h"

namespace {

using platform::kInvalidSocket;
namespace wsa = platform::wsa;

TEST(WinsockUnderWine, StartsVersionTwoTwoAndStops) {
  TIrDA irda;  // the platform's backend, which is Winsock here
  irda.StartWinsock();
  EXPECT_EQ(irda.WinsockData.version, 0x0202);
  EXPECT_EQ(irda.Status, "WSAStartup OK: 2.2/2.2 WinSock 2.0 Running ");

  irda.StopWinsock();
  EXPECT_EQ(irda.Status, "WSACleanUp done");
  // Stopped for real: the layer no longer hands out sockets.
  irda.CreateCheckSocket();
  EXPECT_EQ(irda.LastError, wsa::kNotInitialised);
}

void CreateCheck(TIrDA& irda) {
  irda.CreateCheckSocket();
}
void CreateData(TIrDA& irda) {
  irda.CreateDataSocket({1, 2, 3, 4});
}

struct Creation {
  const char* socket;
  void (*create)(TIrDA&);
  platform::SocketHandle TIrDA::*handle;
  const char* status;
};

const Creation kCreations[] = {
    {"check", CreateCheck, &TIrDA::CheckSocket, "WSCreateCS failed"},
    {"data", CreateData, &TIrDA::DataSocket, "WSCreateDF failed"},
};

TEST(WinsockUnderWine, IrdaSocketsFailAsAnUnsupportedAddressFamily) {
  TIrDA irda;
  irda.StartWinsock();
  for (const Creation& creation : kCreations) {
    SCOPED_TRACE(std::string(creation.socket) + " socket");
    irda.LinkOk = true;
    irda.LastError = 0;
    creation.create(irda);
    EXPECT_EQ(irda.Status, creation.status);
    EXPECT_EQ(irda.LastError, wsa::kAddressFamilyNotSupported);
    EXPECT_EQ(irda.*creation.handle, kInvalidSocket);
    EXPECT_FALSE(irda.LinkOk);
  }
  irda.StopWinsock();
}

}  // namespace
