// Runs the GUI thread's event loop in a test until a condition holds, so queued and blocking
// calls from worker threads get through. Gives up after a bound instead of hanging the suite.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace testsupport {

template <typename Predicate>
bool PumpUntil(Predicate done, int milliseconds = 10000) {
  QDeadlineTimer deadline(milliseconds);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace testsupport
