#include "widgets/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>

namespace {

// The write end of the live instance's pipe; a signal handler can reach nothing else.
volatile sig_atomic_t gWriteEnd = -1;

// Only async-signal-safe calls here: the signal number goes down the pipe and the event loop
// takes it from there.
extern "C" void OnTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  const auto byte = static_cast<unsigned char>(signalNumber);
  if (gWriteEnd >= 0 && write(gWriteEnd, &byte, 1) < 0) {
    // A full pipe already holds a request to close; nothing is lost.
  }
  errno = savedErrno;
}

}  // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
  Q_ASSERT(gWriteEnd < 0);
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("termination signals stay unhandled");
    pipe_[0] = pipe_[1] = -1;
    return;
  }
  gWriteEnd = pipe_[1];
  notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TTerminationSignals::Drain);

  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // A second signal of the same kind ends the program at once, should the close not end it.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

TTerminationSignals::~TTerminationSignals() {
  if (pipe_[0] < 0) return;
  for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  gWriteEnd = -1;
  delete notifier_;
  close(pipe_[0]);
  close(pipe_[1]);
}

void TTerminationSignals::Drain() {
  unsigned char byte = 0;
  while (read(pipe_[0], &byte, 1) == 1) {
    QApplication::closeAllWindows();
    emit Received(byte);
  }
}
