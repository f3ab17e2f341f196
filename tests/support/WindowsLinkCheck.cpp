// Linked (not run) by the Windows cross-build test: proves that the link library's Winsock
// backend and error-mode stand-in resolve against the Windows system libraries.
#include "irda/IrDAUnit.h"
#include "platform/ErrorMode.h"

int main() {
  platform::SuppressCriticalErrorDialogs();
  TIrDA irda;
  irda.StartWinsock();
  irda.CreateCheckSocket();
  irda.ListDevices();
  irda.CloseCheckSocket();
  irda.StopWinsock();
  return irda.LinkOk ? 0 : 1;
}
