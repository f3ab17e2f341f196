// TTransferSession: the state every transfer shares and the rules around it, without widgets. It
// owns the catalogue of the area shown, with the files read or written, and the bookkeeping of
// the transfer under way; starts each transfer's worker for a request, prepares its upload, runs
// its action, hands its results to the page that asked and decides on retries. The window shows
// what the session tells its view.
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
#include "platform/ByteOrder.h"
#include "transfer/Action.h"
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

// What a transfer's results change, told to the page that asked for it. Every call arrives on
// the GUI thread, in the order the after-transfer update and the read results produce them.
class TTransferResults {
 public:
  virtual ~TTransferResults() = default;

  // Pictures: the area's file count, the upload now listed, one entry of the picture read in
  // catalogue order (an Unreadable() entry has no picture).
  virtual void PictureCountChanged(int count) { static_cast<void>(count); }
  virtual void PictureWritten(const TFileHeader& upload) { static_cast<void>(upload); }
  virtual void PictureRead(const TFileHeader& entry) { static_cast<void>(entry); }
  // Languages: the directory's names, the language now listed.
  virtual void LanguagesRead(const TCatalogue::TLanguageNames& names) { static_cast<void>(names); }
  virtual void LanguageWritten(const TFileHeader& upload) { static_cast<void>(upload); }
  // The catalogue entries at `indexes` (descending) are gone from the device and the catalogue.
  // `defaultToFirst`: a deleted language was the default, which is now the first one.
  virtual void EntriesDeleted(const std::vector<int>& indexes, bool defaultToFirst) {
    static_cast<void>(indexes);
    static_cast<void>(defaultToFirst);
  }
  // A firmware write ended with every part sent and the device's ready answers in: told once,
  // after the transfer's own end.
  virtual void FirmwareUpdateCompleted() {}
};

// Everything a transfer needs, given when it starts; the session keeps it for the retries.
struct TTransferRequest {
  TAction Action = TAction::None;
  // Language and firmware writes: the file as it was imported.
  platform::Bytes Package{};
  // Picture writes: the picture (exactly the device's size) and the name it is shown under.
  QImage Picture{};
  QString PictureName{};
  // Deletes: the catalogue entries chosen, ascending.
  std::vector<int> Entries{};
  // The page that asked, told what the results change; none: nobody is.
  TTransferResults* Results = nullptr;
};

// The window's side of the session: what a running transfer shows (TTransferView) and the
// controls around it.
class TSessionView : public TTransferView {
 public:
  // False before a transfer starts; the window's own rule (Aborted after a failure).
  virtual void SetControlsEnabled(bool enabled, bool aborted) = 0;
  // After the last attempt of a transfer: lights, controls, the warning after retries.
  virtual void TransferEnded(TTransferEnd end) = 0;
  // The after-transfer update ends by emptying the action text of the status bar.
  virtual void ClearActionText() = 0;
  // The device's files differ from what the page shows in a way a retry could not follow: the
  // page should be read again.
  virtual void CatalogueOutdated() = 0;
};

class TTransferSession : public QObject, public TTransferOwner, public TTransferHost {
  Q_OBJECT

 public:
  using TDeviceId = std::array<std::uint8_t, 4>;

  // `view` must outlive the session; `api` is the socket layer of every transfer (nullptr: the
  // platform's backend).
  TTransferSession(TSessionView& view, platform::IrdaSocketApi* api = nullptr);
  ~TTransferSession() override;

  // The presence watcher to pause during transfers; none in tests that need no watcher.
  void SetWatcher(TCheckDevListThread* watcher) { watcher_ = watcher; }
  // The device every transfer connects to: the one the watcher saw.
  void SetDeviceId(const TDeviceId& id) { deviceId_ = id; }
  const TDeviceId& DeviceId() const { return deviceId_; }
  // How long every transfer's link waits for a reply before it fails (TIrDA::ReceiveTimeoutMs);
  // tests of devices that stop answering shorten it.
  void SetReceiveTimeout(int milliseconds) { receiveTimeoutMs_ = milliseconds; }

  // Starts the request as a new transfer: retry count 0, the worker started once the watcher is
  // paused. False, with nothing changed, while another transfer is under way or after a final
  // stop.
  bool Start(TTransferRequest request);
  // A transfer is starting or running. The window must neither start another nor go away.
  bool Busy() const { return state_ != TState::Idle; }
  bool CanStart() const { return !final_ && !Busy(); }
  // Stops the transfer under way at its next step. `final`: the program is ending and no transfer
  // starts any more.
  void RequestStop(bool final);
  // Stops for good and lets events through until the transfer under way has ended.
  void StopAndWait();

  // The latest transfer: its action (it keeps it after the transfer), its retries so far.
  TAction Action() const { return request_.Action; }
  int Retries() const { return retries_; }

  // The catalogue of the area the page shown holds: the device's files, factory ones first.
  const TCatalogue& Catalogue() const { return catalogue_; }
  // Makes `selected` the catalogue's default entry and returns the one that was (`noneMarked`
  // when none was); MoveDefault(previous, ...) undoes it. The default commands send it.
  int MoveDefault(int selected, int noneMarked) {
    return catalogue_.MoveDefault(selected, noneMarked);
  }
  // A picture directory has been read since the catalogue was last emptied.
  bool PictureCatalogueLoaded() const { return pictureCatalogueLoaded_; }
  // Empties the catalogue (its page is left or emptied).
  void ClearCatalogue();
  // False after a write that did not end well, until the next directory read: the device may
  // hold something else than the catalogue says, so the next delete, write or default change
  // works from the directory as the device has it then.
  bool CatalogueTrusted() const { return !catalogueUntrusted_; }

  // The header of the latest picture upload; nullptr before the first.
  const TFileHeader* LastPictureUpload() const { return uploadHeader_.get(); }
  // The firmware write under way has sent its last part.
  bool LastPartSent() const { return lastPartSent_; }

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
  void Notify(TNoticeKind kind, TText text) override { view_.Notify(kind, text); }
  bool AskYesNo(TText text) override { return view_.AskYesNo(text); }
  void RequestTerminate() override;
  void RestoreCursor() override { view_.RestoreCursor(); }
  bool StopRequested() const override { return stopRequested_ || final_; }
  TAction CurrentAction() const override { return request_.Action; }
  int CatalogueCount() const override { return catalogue_.CatalogueCount(); }
  std::array<std::uint8_t, 3> FileRequestParam(int index) const override {
    return catalogue_.FileRequestParam(index);
  }
  void ClearFiles() override { catalogue_.ClearFiles(); }
  void StoreFile(int index, platform::Bytes file) override {
    catalogue_.SetFile(index, std::move(file));
  }
  std::vector<std::uint32_t> BuildDeleteList() override;
  int DefaultPosition() const override {
    return defaultPlanned_.value_or(catalogue_.DefaultPosition());
  }
  void SetLastPartSent(bool sent) override { lastPartSent_ = sent; }

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
  // Drops what the upload assembly of this attempt appended to the catalogue.
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
  TDeviceId deviceId_{};
  int receiveTimeoutMs_ = TIrDA::kDefaultReceiveTimeoutMs;

  // The transfer under way (or the latest one) as it was asked for, and its retries.
  TTransferRequest request_;
  int retries_ = 0;

  TCatalogue catalogue_;
  bool pictureCatalogueLoaded_ = false;

  // The header of the latest picture upload.
  std::unique_ptr<TFileHeader> uploadHeader_;
  // The catalogue entry this attempt's upload appended.
  int uploadEntry_ = -1;
  // The area's file count before the upload, and the header it sends. The count is the
  // device's own when the upload was planned from its directory.
  std::size_t uploadBase_ = 0;
  std::optional<std::size_t> uploadBaseOnDevice_;
  TRawHeader uploadSent_{};
  TWriteOutcome writeOutcome_ = TWriteOutcome::NoFile;
  // An attempt of this write sent its last packet but failed after it: the file may be stored.
  bool uploadMaybeStored_ = false;

  // The firmware write's last-part flag, and the update it completed, told when it has ended.
  bool lastPartSent_ = false;
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
