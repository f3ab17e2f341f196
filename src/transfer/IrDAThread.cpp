#include "transfer/IrDAThread.h"

#include <memory>

#include "watcher/Synchronize.h"

TIrDAThread::TIrDAThread(TTransferOwner& owner, QObject* context, platform::IrdaSocketApi* api)
    : owner_(owner), context_(context), api_(api) {
  connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TIrDAThread::Sync(const std::function<void()>& call) {
  Synchronize(context_, call);
}

void TIrDAThread::run() {
  failed_ = true;
  Sync([&] { owner_.PrepareUpload(WriteDirection, info_); });

  {
    auto link = std::make_unique<TDynaIrDA>(api_);
    link->LinkOk = true;
    link->ReceiveTimeoutMs = ReceiveTimeoutMs;
    try {
      link->CreateDataSocket(DeviceId);
      if (link->LinkOk) {
        link->SetNoLinger();
        link->ConnectDevice(false);
        if (link->LinkOk && !isInterruptionRequested()) {
          Sync([&] { owner_.RunActions(WriteDirection, *link, info_); });
        }
        link->CloseClient();
      }
      if (link->LinkOk && !isInterruptionRequested()) {
        Sync([&] { owner_.ProcessResults(WriteDirection, info_); });
      }
      failed_ = !link->LinkOk || isInterruptionRequested();
    } catch (...) {
      // The finish step below still runs, so the window gets its controls back either way.
      failed_ = true;
    }
  }

  Sync([&] { owner_.FinishTransfer(failed_, isInterruptionRequested(), WriteDirection); });
}
