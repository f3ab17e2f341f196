#include "widgets/TerminationSignals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCloseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

// A window that refuses to close while busy, as the main window does during a transfer.
class TBusyWindow : public QWidget {
 public:
  bool Busy = false;
  int CloseRequests = 0;

 protected:
  void closeEvent(QCloseEvent* event) override {
    ++CloseRequests;
    if (Busy) event->ignore();
  }
};

void (*Disposition(int signalNumber))(int) {
  struct sigaction current = {};
  sigaction(signalNumber, nullptr, &current);
  return current.sa_handler;
}

// Each signal closes the open window through its close event, leaves the next signal of that kind
// to end the program, and the handling that was there before comes back afterwards. A window that
// refuses stays open.
TEST(TerminationSignals, CloseTheWindowsThenHandBack) {
  for (const int signalNumber : TTerminationSignals::kSignals) {
    for (const bool busy : {false, true}) {
      SCOPED_TRACE(testing::Message() << "signal " << signalNumber << (busy ? ", busy" : ""));
      ASSERT_NE(signal(signalNumber, SIG_IGN), SIG_ERR);
      TBusyWindow window;
      window.Busy = busy;
      window.show();
      {
        TTerminationSignals handling;
        QSignalSpy received(&handling, &TTerminationSignals::Received);
        ASSERT_EQ(raise(signalNumber), 0);
        ASSERT_TRUE(received.wait(5000));
        EXPECT_EQ(received.front().front().toInt(), signalNumber);
        EXPECT_EQ(window.CloseRequests, 1);
        EXPECT_EQ(window.isVisible(), busy);
        EXPECT_EQ(Disposition(signalNumber), SIG_DFL);
      }
      EXPECT_EQ(Disposition(signalNumber), SIG_IGN);
      signal(signalNumber, SIG_DFL);
    }
  }
}

}  // namespace
