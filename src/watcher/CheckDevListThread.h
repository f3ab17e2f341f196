// TCheckDevListThread: the presence watcher. Enumerates the IrDA devices in range for the whole
// run of the program and hands each result to the main window in a synchronised call.
#pragma once

#include <QThread>
#include <atomic>
#include <functional>

#include "irda/IrDAUnit.h"

class TCheckDevListThread : public QThread {
  Q_OBJECT

 public:
  // `link` is the main window's IrDA component (its check socket and device list belong to this
  // thread while it runs); `updatePresence` runs on the thread of `context` after every cycle
  // that was not paused.
  TCheckDevListThread(TIrDA& link, QObject* context, std::function<void()> updatePresence);
  ~TCheckDevListThread() override;

  std::atomic<bool> Paused{false};
  std::atomic<bool> PausedAck{false};
  std::atomic<bool> Finished{false};

  // Main thread: ask for a pause and let pending window messages through once.
  void PauseWatch();
  // Main thread: wait for the pause acknowledgement, at most 200 × 10 ms; true when paused.
  bool WaitPaused();
  // Main thread: end the pause.
  void ResumeWatch();

  // Main thread: ask the watcher to stop, then wait for Finished at most 200 × 100 ms. Queued
  // calls are let through while waiting, so a watcher blocked in its synchronised call can end.
  bool StopAndWait();

  static constexpr int kCreateRetryMs = 1000;
  static constexpr int kPauseCheckMs = 500;
  static constexpr int kPauseAckWaitMs = 10;
  static constexpr int kPauseAckWaits = 200;
  static constexpr int kStopWaitMs = 100;
  static constexpr int kStopWaits = 200;

 protected:
  void run() override;

 private:
  TIrDA& link_;
  QObject* context_;
  std::function<void()> updatePresence_;
};
