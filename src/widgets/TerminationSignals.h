// TTerminationSignals: while it lives, SIGTERM, SIGINT and SIGHUP close the application's windows
// as their close boxes would, so that a logout or a Ctrl+C in a terminal ends the program the
// orderly way: a transfer under way is stopped and joined, and the watcher is stopped. POSIX only.
#pragma once

#include <signal.h>

#include <QObject>
#include <array>

class QSocketNotifier;

class TTerminationSignals : public QObject {
  Q_OBJECT

 public:
  static constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

  // One instance at a time: the handlers reach it through a global.
  explicit TTerminationSignals(QObject* parent = nullptr);
  // Puts back whatever handled the signals before.
  ~TTerminationSignals() override;

  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 signals:
  // After the windows were asked to close.
  void Received(int signalNumber);

 private:
  void Drain();

  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
  std::array<struct sigaction, kSignals.size()> previous_{};
};
