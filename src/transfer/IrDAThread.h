// TIrDAThread: one transfer attempt. The worker thread creates, connects and closes its own link;
// everything else (preparing the upload, the action, the results, the finish) runs on the GUI
// thread in synchronised calls while the worker waits.
#pragma once

#include <QThread>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "irda/DynaIrDA.h"
#include "transfer/DeviceInfo.h"

// The main window's side of a transfer. Every call arrives on the GUI thread.
class TTransferOwner {
 public:
  virtual ~TTransferOwner() = default;

  // Write direction: fills the record's upload data before the link is made.
  virtual void PrepareUpload(bool writeDirection, TDeviceInfo& info) = 0;
  // The identity check, then the action of the current action code.
  virtual void RunActions(bool writeDirection, TDynaIrDA& link, TDeviceInfo& info) = 0;
  // After a transfer whose link held: the after-transfer update and, for reads, the results.
  virtual void ProcessResults(bool writeDirection, TDeviceInfo& info) = 0;
  // Always last: retry, give up or finish.
  virtual void FinishTransfer(bool failed, bool stopRequested, bool writeDirection) = 0;
};

class TIrDAThread : public QThread {
  Q_OBJECT

 public:
  // `context` lives on the GUI thread and carries the synchronised calls; `owner` and `api`
  // must outlive the thread. The thread deletes itself when it has finished.
  TIrDAThread(TTransferOwner& owner, QObject* context, platform::IrdaSocketApi* api);

  std::array<std::uint8_t, 4> DeviceId{};
  bool WriteDirection = false;
  // The link's receive time-out (see TIrDA::ReceiveTimeoutMs).
  int ReceiveTimeoutMs = TIrDA::kDefaultReceiveTimeoutMs;

  bool Failed() const { return failed_; }

 protected:
  void run() override;

 private:
  void Sync(const std::function<void()>& call);

  TTransferOwner& owner_;
  QObject* context_;
  platform::IrdaSocketApi* api_;
  std::atomic<bool> failed_{true};
  TDeviceInfo info_;
};
