// TTransferSession: the state every transfer shares and the rules around it, without widgets. It
// owns the catalogue, the raw files, the import buffer, the working picture, the action code and
// the retry count; starts each transfer's worker, prepares its upload, runs its action, takes in
// its results and decides on retries. The window shows what the session tells its view.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "devicefiles/Catalogue.h"
#include "devicefiles/FileHeader.h"
#include "picture/PictureCodec.h"
#include "platform/ByteOrder.h"
#include "transfer/IrDAThread.h"
#include "transfer/TransferHost.h"
#include "transfer/WriteActions.h"
#include "watcher/CheckDevListThread.h"

namespace platform {
class IrdaSocketApi;
}

// How a transfer ended, as far as the window is concerned. Retries in between are not endings.
enum class TTransferEnd {
  Succeeded,  // the link held to the end
  GaveUp,     // the last retry failed too: the user is told
  Stopped,    // stopped on request, or called off before its worker started
};

// The window's side of the session: what a running transfer shows (TTransferView), the controls
// around it, and what its results change on the pages.
class TSessionView : public TTransferView {
 public:
  // False before a transfer starts; the window's own rule (Aborted after a failure).
  virtual void SetControlsEnabled(bool enabled, bool aborted) = 0;
  // After the last attempt of a transfer: lights, controls, the warning after retries.
  virtual void TransferEnded(TTransferEnd end) = 0;
  // The after-transfer update ends by emptying the action text of the status bar.
  virtual void ClearActionText() = 0;

  // The name the next picture upload gets on the device, as the page shows it.
  virtual QString PictureUploadName() const = 0;
  // Catalogue indexes of the added items selected on the page shown, ascending.
  virtual std::vector<int> SelectedAddedEntries() const = 0;

  // Results, in the order the after-transfer update and the read results produce them.
  virtual void PictureCountChanged(int count) = 0;
  virtual void PictureWritten(const TFileHeader& upload) = 0;
  virtual void LanguageWritten() = 0;
  virtual void LanguagesRead(const TCatalogue::TLanguageNames& names) = 0;
  // One entry of the picture read, in catalogue order; an Unreadable() entry has no picture.
  virtual void PictureRead(const TFileHeader& entry) = 0;
  // The catalogue entries at `indexes` (descending) are gone from the device and the catalogue.
  // `defaultToFirst`: a deleted language was the default, which is now the first one.
  virtual void EntriesDeleted(const std::vector<int>& indexes, bool defaultToFirst) = 0;
  // The device's files differ from what the page shows in a way a retry could not follow: the
  // page should be read again.
  virtual void CatalogueOutdated() = 0;
  // A firmware write ended with every part sent and the device's ready answers in: told once,
  // after the transfer's own end.
  virtual void FirmwareUpdateCompleted() = 0;
};

class TTransferSession : public QObject, public TTransferOwner, public TTransferHost {
  Q_OBJECT

 public:
  // `view` must outlive the session; `api` is the socket layer of every transfer (nullptr: the
  // platform's backend).
  TTransferSession(TSessionView& view, platform::IrdaSocketApi* api = nullptr);
  ~TTransferSession() override;

  // The presence watcher to pause during transfers; none in tests that need no watcher.
  void SetWatcher(TCheckDevListThread* watcher) { watcher_ = watcher; }

  // Starts `action` as a new transfer: retry count 0, the action code stored, the worker started
  // once the watcher is paused. False, with nothing changed, while another transfer is under way
  // or after a final stop.
  bool Start(std::uint8_t action, bool writeDirection);
  // A transfer is starting or running. The window must neither start another nor go away.
  bool Busy() const { return state_ != TState::Idle; }
  bool CanStart() const { return !final_ && !Busy(); }
  // Stops the transfer under way at its next step. `final`: the program is ending and no transfer
  // starts any more.
  void RequestStop(bool final);
  // Stops for good and lets events through until the transfer under way has ended.
  void StopAndWait();

  // How long every transfer's link waits for a reply before it fails (TIrDA::ReceiveTimeoutMs);
  // tests of devices that stop answering shorten it.
  int ReceiveTimeoutMs = TIrDA::kDefaultReceiveTimeoutMs;

  // Shared state of the transfers.
  std::uint8_t ActionCode = 14;
  std::int32_t RetryCount = 0;
  std::array<std::uint8_t, 4> DeviceId{};
  TCatalogue Catalogue;
  std::vector<platform::Bytes> RawFileList;
  // A picture directory has been read in this visit of the page (it may have no entries).
  bool PictureCatalogueLoaded = false;
  // The working picture every decode and encode passes through.
  QImage ReadImage = MakeWorkingPicture();
  // The last imported language or firmware file, unchanged; a picture upload's scratch space.
  platform::Bytes ImportBuffer;
  // The header of the latest picture upload.
  std::unique_ptr<TFileHeader> UploadHeader;
  // Firmware write: set when one is started from the Software page; the last part has been sent.
  bool FirmwareWriteMarker = false;
  bool LastPartSent = false;

  // Empties the picture catalogue and the raw files (the Pictures page is left or emptied).
  void ClearPictures();
  // False after a write that did not end well, until the next directory read: the device may
  // hold something else than the catalogue says, so the next delete, write or default change
  // works from the directory as the device has it then.
  bool CatalogueTrusted() const { return !catalogueUntrusted_; }

  // TTransferOwner.
  void PrepareUpload(bool writeDirection, TDeviceInfo& info) override;
  void RunActions(bool writeDirection, TDynaIrDA& link, TDeviceInfo& info) override;
  void ProcessResults(bool writeDirection, TDeviceInfo& info) override;
  void FinishTransfer(bool failed, bool stopRequested, bool writeDirection) override;

  // TTransferHost.
  void SetProgressMaximum(int maximum) override { view_.SetProgressMaximum(maximum); }
  void SetProgressPosition(int position) override { view_.SetProgressPosition(position); }
  void StepProgress() override { view_.StepProgress(); }
  void ProcessEvents() override { view_.ProcessEvents(); }
  void Notify(TNoticeKind kind, int textId) override { view_.Notify(kind, textId); }
  bool AskYesNo(int textId) override { return view_.AskYesNo(textId); }
  void RequestTerminate() override;
  void RestoreCursor() override { view_.RestoreCursor(); }
  bool StopRequested() const override { return stopRequested_ || final_; }
  std::uint8_t CurrentActionCode() const override { return ActionCode; }
  int CatalogueCount() const override { return Catalogue.CatalogueCount(); }
  std::array<std::uint8_t, 3> FileRequestParam(int index) const override {
    return Catalogue.FileRequestParam(index);
  }
  std::vector<platform::Bytes>& RawFiles() override { return RawFileList; }
  std::vector<std::uint32_t> BuildDeleteList() override;
  int DefaultPosition() const override {
    return defaultPlanned_.value_or(Catalogue.DefaultPosition());
  }
  void SetLastPartSent(bool sent) override { LastPartSent = sent; }

  // A failed attempt is tried again this many times.
  static constexpr int kMaxRetries = 3;

 private:
  enum class TState { Idle, Starting, Running };

  void StartTransfer(bool writeDirection);
  void LaunchWorker();
  // Ends a start that a stop request overtook; true when it did.
  bool CallOffStart();
  void EndTransfer(TTransferEnd end);

  void AfterTransferUpdate(bool writeDirection, const TDeviceInfo& info);
  void ProcessReadResults(const TDeviceInfo& info);
  void StoreDownloadedPictures();
  void RemoveDeletedEntries();
  // Drops what the upload assembly of this attempt appended to the catalogue and the raw files.
  void DropUpload();

  // The files selected for deletion and the area as the catalogue lists it, once per delete.
  void RememberDeleteSelection();
  // Attempts that must find out first what the device holds: retries after a failed attempt,
  // and any attempt while the catalogue is not trusted. False when nothing is to be sent.
  bool ReplanDelete(TRequestPrimitives& requests, TDeviceInfo& info);
  bool PlanDefault(TRequestPrimitives& requests, TDeviceInfo& info);
  bool PlanUpload(TRequestPrimitives& requests, TDeviceInfo& info);
  bool UploadAlreadyStored(TRequestPrimitives& requests, TDeviceInfo& info);

  TSessionView& view_;
  platform::IrdaSocketApi* api_;
  QPointer<TCheckDevListThread> watcher_;
  QPointer<TIrDAThread> worker_;
  QPointer<TIrDAThread> lastWorker_;  // joined at the end: it may still be leaving its finish
  TState state_ = TState::Idle;
  bool writeDirection_ = false;
  bool stopRequested_ = false;
  bool final_ = false;

  // The catalogue entry this attempt's upload appended, and whether a raw file came with it.
  int uploadEntry_ = -1;
  bool uploadRawFile_ = false;
  // The area's file count before the upload, and the header it sends. The count is the
  // device's own when the upload was planned from its directory.
  std::size_t uploadBase_ = 0;
  std::optional<std::size_t> uploadBaseOnDevice_;
  TRawHeader uploadSent_{};
  TWriteOutcome writeOutcome_ = TWriteOutcome::NoFile;
  // An attempt of this write sent its last packet but failed after it: the file may be stored.
  bool uploadMaybeStored_ = false;
  // This transfer wrote the whole firmware; the diver is told when it has ended.
  bool firmwareCompleted_ = false;

  // The delete as first sent: the catalogue's listed headers and the selected entries. Once an
  // attempt has reached the device, retries plan from the directory against it.
  bool deleteSent_ = false;
  std::vector<TRawHeader> deleteBefore_;
  std::vector<int> deleteSelection_;
  std::vector<int> deletePlanned_;  // this retry's places in the directory, ascending
  std::uint8_t deleteArea_ = 0;
  bool deleteOutdated_ = false;

  // See CatalogueTrusted(); this transfer plans from the directory because of it.
  bool catalogueUntrusted_ = false;
  bool planFromDirectory_ = false;
  // The default change's 1-based position as the directory read showed it.
  std::optional<int> defaultPlanned_;
};
