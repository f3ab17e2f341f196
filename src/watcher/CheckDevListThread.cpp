#include "watcher/CheckDevListThread.h"

#include <QCoreApplication>

#include "platform/SleepHook.h"
#include "watcher/Synchronize.h"

TCheckDevListThread::TCheckDevListThread(TIrDA& link, QObject* context,
                                         std::function<void()> updatePresence)
    : link_(link), context_(context), updatePresence_(std::move(updatePresence)) {}

TCheckDevListThread::~TCheckDevListThread() {
  // Never destroy a running QThread: whoever owns the watcher stops it first; this is the last
  // line of defence for paths that did not (a test failing half way, say).
  if (isRunning()) {
    requestInterruption();
    wait();
  }
}

void TCheckDevListThread::run() {
  Finished = false;
  Paused = false;

  bool created = false;
  do {
    link_.LinkOk = true;
    link_.CreateCheckSocket();
    created = link_.LinkOk;
    if (!created) platform::Sleep(kCreateRetryMs);
  } while (!isInterruptionRequested() && !created);

  while (!isInterruptionRequested()) {
    PausedAck = false;
    link_.ListDevices();
    if (!isInterruptionRequested() && !Paused) Synchronize(context_, updatePresence_);
    while (!isInterruptionRequested() && Paused) {
      PausedAck = true;
      platform::Sleep(kPauseCheckMs);
    }
  }

  if (created) link_.CloseCheckSocket();
  Finished = true;
}

void TCheckDevListThread::PauseWatch() {
  Paused = true;
  QCoreApplication::processEvents();
}

bool TCheckDevListThread::WaitPaused() {
  for (int i = 0; i < kPauseAckWaits; ++i) {
    if (PausedAck) return true;
    platform::Sleep(kPauseAckWaitMs);
    QCoreApplication::processEvents();
  }
  return PausedAck;
}

void TCheckDevListThread::ResumeWatch() {
  Paused = false;
}

bool TCheckDevListThread::StopAndWait() {
  requestInterruption();
  for (int i = 0; i < kStopWaits && !Finished; ++i) {
    platform::Sleep(kStopWaitMs);
    QCoreApplication::processEvents();
  }
  if (Finished) wait();  // the thread's last statements after Finished are trivial
  return Finished;
}
