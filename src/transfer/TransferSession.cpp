#include "transfer/TransferSession.h"

#include <QCoreApplication>
#include <algorithm>

#include "devicefiles/DeviceName.h"
#include "devicefiles/FileMatching.h"
#include "picture/PictureCodec.h"
#include "transfer/ReadActions.h"
#include "transfer/RequestPrimitives.h"
#include "watcher/CheckDevListThread.h"

namespace {

constexpr std::size_t kAddedMarkOffset = 5;

bool IsFileWrite(TAction action) {
  return action == TAction::WriteLanguage || action == TAction::WritePicture;
}

bool IsDefaultChange(TAction action) {
  return action == TAction::SetStartupPicture || action == TAction::SetDefaultLanguage;
}

// The writes that change what the page's area holds, or where.
bool ChangesArea(TAction action) {
  return IsFileWrite(action) || IsDefaultChange(action) || action == TAction::DeleteFiles;
}

std::uint32_t DeleteParam(std::uint8_t type, int position) {
  return 0xFFu | std::uint32_t{type} << 8 | static_cast<std::uint32_t>(position & 0xFF) << 16;
}

}  // namespace

TTransferSession::TTransferSession(TSessionView& view, platform::IrdaSocketApi* api)
    : view_(view), api_(api) {}

TTransferSession::~TTransferSession() {
  // A worker still running would call into a destroyed session; the owner stops it first, this
  // only covers owners that did not.
  if (Busy()) StopAndWait();
}

bool TTransferSession::Start(TTransferRequest request) {
  if (final_ || Busy()) return false;
  const TAction action = request.Action;
  const bool writeDirection = IsWrite(action);
  request_ = std::move(request);
  stopRequested_ = false;
  retries_ = 0;
  uploadMaybeStored_ = false;
  lastPartSent_ = false;
  firmwareCompleted_ = false;
  deleteSent_ = false;
  deleteOutdated_ = false;
  deletePlanned_.clear();
  defaultPlanned_.reset();
  uploadBaseOnDevice_.reset();
  planFromDirectory_ = writeDirection && catalogueUntrusted_ && ChangesArea(action);
  if (writeDirection && action == TAction::DeleteFiles) RememberDeleteSelection();
  StartTransfer(writeDirection);
  return true;
}

void TTransferSession::StartTransfer(bool writeDirection) {
  // Busy from here on: a close or Exit that comes while the start lets events through waits for
  // the start to call itself off instead of tearing the window down under it.
  state_ = TState::Starting;
  writeDirection_ = writeDirection;
  if (watcher_) watcher_->Paused = true;
  view_.SetControlsEnabled(false, false);
  // The rest waits for the event loop. A start asked for inside the watcher's synchronised call
  // (a device coming into range) would otherwise wait for a pause the blocked watcher can never
  // acknowledge; queued, the watcher sees the pause as soon as its call returns.
  QMetaObject::invokeMethod(this, &TTransferSession::LaunchWorker, Qt::QueuedConnection);
}

void TTransferSession::LaunchWorker() {
  if (CallOffStart()) return;
  if (watcher_) watcher_->PauseWatch();
  if (CallOffStart()) return;
  auto worker = std::make_unique<TIrDAThread>(*this, this, api_);
  worker->DeviceId = deviceId_;
  worker->WriteDirection = writeDirection_;
  worker->ReceiveTimeoutMs = receiveTimeoutMs_;
  if (watcher_) watcher_->WaitPaused();
  if (CallOffStart()) return;
  worker_ = worker.release();
  lastWorker_ = worker_;
  state_ = TState::Running;
  worker_->start();
}

bool TTransferSession::CallOffStart() {
  if (!StopRequested()) return false;
  state_ = TState::Idle;
  EndTransfer(TTransferEnd::Stopped);
  return true;
}

void TTransferSession::RequestStop(bool final) {
  stopRequested_ = true;
  final_ = final_ || final;
  if (worker_) worker_->requestInterruption();
}

void TTransferSession::StopAndWait() {
  RequestStop(true);
  // Every step of a transfer that is still to come arrives as an event (the queued start, the
  // worker's synchronised calls, its finish), so waiting for events cannot miss the end.
  while (Busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (lastWorker_) lastWorker_->wait();
}

void TTransferSession::RequestTerminate() {
  // The program ends once this transfer has: it is not cut short (its results still count), but
  // nothing more is sent, retried or started.
  final_ = true;
  view_.RequestTerminate();
}

void TTransferSession::ClearCatalogue() {
  catalogue_.ClearCatalogue();
  pictureCatalogueLoaded_ = false;
}

// ---- Steps of one transfer, on the GUI thread ------------------------------------------------

void TTransferSession::PrepareUpload(bool writeDirection, TDeviceInfo& info) {
  uploadEntry_ = -1;
  writeOutcome_ = TWriteOutcome::NoFile;
  if (!writeDirection) return;
  uploadBase_ = uploadBaseOnDevice_.value_or(static_cast<std::size_t>(catalogue_.CatalogueCount()));
  const int index = catalogue_.CatalogueCount();
  switch (request_.Action) {
    case TAction::WriteLanguage: {
      TFileHeader header;
      header.ParseRaw(request_.Package);
      uploadSent_ = RawHeaderOf(request_.Package);
      uploadSent_[kAddedMarkOffset] = 0xFF;
      header.ListedHeader = uploadSent_;
      if (catalogue_.AppendEntry(header)) uploadEntry_ = index;
      info.Package = request_.Package;
      break;
    }
    case TAction::WritePicture: {
      uploadHeader_ = std::make_unique<TFileHeader>();
      info.PixelData = EncodePicture(request_.Picture);
      TFileHeader& header = *uploadHeader_;
      SetPictureUploadHeader(header, request_.PictureName.toLatin1());
      header.Image = request_.Picture.copy();
      info.HeaderPacket = header.BuildRaw();
      uploadSent_ = RawHeaderOf(info.HeaderPacket);
      header.ListedHeader = uploadSent_;
      // The entry holds the whole file from the start, as the device will.
      if (catalogue_.AppendEntry(header)) {
        uploadEntry_ = index;
        platform::Bytes file = info.HeaderPacket;
        file.insert(file.end(), info.PixelData.begin(), info.PixelData.end());
        catalogue_.SetFile(index, std::move(file));
      }
      break;
    }
    case TAction::WriteFirmware:
      info.Package = request_.Package;
      break;
    default:
      break;
  }
}

void TTransferSession::RunActions(bool writeDirection, TDynaIrDA& link, TDeviceInfo& info) {
  TRequestPrimitives requests(link, *this);
  if (!CheckIdentity(requests, info)) return;
  if (!writeDirection) {
    RunReadAction(requests, info);
    return;
  }
  if (request_.Action == TAction::DeleteFiles && (deleteSent_ || planFromDirectory_) &&
      !ReplanDelete(requests, info)) {
    return;
  }
  if (IsDefaultChange(request_.Action) && planFromDirectory_ && !PlanDefault(requests, info))
    return;
  if (IsFileWrite(request_.Action) && planFromDirectory_ && !PlanUpload(requests, info)) return;
  if (retries_ > 0 && IsFileWrite(request_.Action) && uploadMaybeStored_) {
    if (UploadAlreadyStored(requests, info)) {
      writeOutcome_ = TWriteOutcome::LastPacketSent;
      return;
    }
    if (!requests.Active()) return;
  }
  writeOutcome_ = RunWriteAction(requests, info);
}

void TTransferSession::RememberDeleteSelection() {
  deleteSelection_.clear();
  deleteBefore_.clear();
  for (int i = 0; i < catalogue_.CatalogueCount(); ++i) {
    deleteBefore_.push_back(catalogue_.Entry(i)->ListedHeader);
  }
  for (const int index : request_.Entries) {
    TFileHeader* entry = catalogue_.Entry(index);
    if (!entry) continue;  // a list item without its entry is never sent for deletion
    entry->AddedMark = 0xFF;
    deleteArea_ = entry->TypeCode;
    deleteSelection_.push_back(index);
  }
}

bool TTransferSession::ReplanDelete(TRequestPrimitives& requests, TDeviceInfo& info) {
  if (deleteSelection_.empty()) return true;  // nothing to find
  if (!ReadDirectory(requests, info, deleteArea_)) return false;
  const TDeleteRetryPlan plan =
      PlanDeleteRetry(deleteBefore_, deleteSelection_, TCatalogue::ListedHeaders(info.DirReply));
  deletePlanned_ = plan.Remaining;
  // A catalogue that was not trusted is read again afterwards, whatever the plan found.
  deleteOutdated_ = deleteOutdated_ || !plan.Consistent || planFromDirectory_;
  return true;
}

bool TTransferSession::PlanDefault(TRequestPrimitives& requests, TDeviceInfo& info) {
  const std::uint8_t area =
      request_.Action == TAction::SetStartupPicture ? kTypePicture : kTypeLanguage;
  if (!ReadDirectory(requests, info, area)) return false;
  std::vector<TRawHeader> listed;
  for (int i = 0; i < catalogue_.CatalogueCount(); ++i) {
    listed.push_back(catalogue_.Entry(i)->ListedHeader);
  }
  const std::optional<int> found =
      FindAgain(listed, catalogue_.DefaultPosition() - 1, TCatalogue::ListedHeaders(info.DirReply));
  // A file the device no longer holds, or cannot be told apart from another, is not made the
  // default: the page is read again instead.
  if (!found) return false;
  defaultPlanned_ = *found + 1;
  return true;
}

bool TTransferSession::PlanUpload(TRequestPrimitives& requests, TDeviceInfo& info) {
  if (uploadBaseOnDevice_) return true;  // known from an earlier attempt
  const std::uint8_t area = request_.Action == TAction::WritePicture ? kTypePicture : kTypeLanguage;
  if (!ReadDirectory(requests, info, area)) return false;
  uploadBaseOnDevice_ = TCatalogue::ListedHeaders(info.DirReply).size();
  uploadBase_ = *uploadBaseOnDevice_;
  return true;
}

bool TTransferSession::UploadAlreadyStored(TRequestPrimitives& requests, TDeviceInfo& info) {
  const std::uint8_t area = request_.Action == TAction::WritePicture ? kTypePicture : kTypeLanguage;
  if (!ReadDirectory(requests, info, area)) return false;
  if (!UploadStored(uploadBase_, uploadSent_, TCatalogue::ListedHeaders(info.DirReply))) {
    uploadMaybeStored_ = false;
    return false;
  }
  // The after-transfer update of a picture marks the default from the area reply.
  if (request_.Action == TAction::WritePicture) ReadArea(requests, info, kTypePicture);
  return requests.Active();
}

std::vector<std::uint32_t> TTransferSession::BuildDeleteList() {
  std::vector<std::uint32_t> list;
  if (deleteSent_ || planFromDirectory_) {
    // The places found in the directory just read, never the ones known before.
    for (const int index : deletePlanned_) list.push_back(DeleteParam(deleteArea_, index + 1));
  } else {
    for (const int index : deleteSelection_) {
      const TFileHeader* entry = catalogue_.Entry(index);
      list.push_back(DeleteParam(entry->TypeCode, entry->Position));
    }
  }
  deleteSent_ = true;
  return list;
}

void TTransferSession::ProcessResults(bool writeDirection, TDeviceInfo& info) {
  AfterTransferUpdate(writeDirection, info);
  if (!writeDirection) ProcessReadResults(info);
}

void TTransferSession::FinishTransfer(bool failed, bool stopRequested, bool writeDirection) {
  worker_ = nullptr;
  state_ = TState::Idle;
  if (failed) {
    if (writeOutcome_ == TWriteOutcome::LastPacketSent) uploadMaybeStored_ = true;
    DropUpload();
  }
  const bool stopped = stopRequested || StopRequested();
  if (failed && retries_ < kMaxRetries) {
    ++retries_;
    // A program that is ending (a foreign device, the window closing) tries no more.
    if (!stopped) {
      StartTransfer(writeDirection);
      return;
    }
  }
  EndTransfer(!failed   ? TTransferEnd::Succeeded
              : stopped ? TTransferEnd::Stopped
                        : TTransferEnd::GaveUp);
}

void TTransferSession::EndTransfer(TTransferEnd end) {
  if (end != TTransferEnd::Succeeded && writeDirection_ && ChangesArea(request_.Action)) {
    catalogueUntrusted_ = true;
  }
  // A firmware write that did not end well sent no last part that counts.
  if (end != TTransferEnd::Succeeded) lastPartSent_ = false;
  if (watcher_) watcher_->ResumeWatch();
  view_.TransferEnded(end);
  // The device restarts into the new firmware now, and may or may not be seen leaving range:
  // the write's own end is the one moment that says the update went through.
  if (end == TTransferEnd::Succeeded && firmwareCompleted_) {
    firmwareCompleted_ = false;
    if (request_.Results) request_.Results->FirmwareUpdateCompleted();
  }
}

// ---- Results ---------------------------------------------------------------------------------

void TTransferSession::AfterTransferUpdate(bool writeDirection, const TDeviceInfo& info) {
  const TAction action = request_.Action;
  TTransferResults* results = request_.Results;
  if (writeDirection && IsFileWrite(action) && writeOutcome_ == TWriteOutcome::Refused) {
    // Nothing went out: nothing to list, and the catalogue stays as the device has it.
    DropUpload();
  } else if (action == TAction::ReadAllPictures || action == TAction::WritePicture) {
    const int count = catalogue_.CatalogueCount();
    if (results && count > 0) results->PictureCountChanged(count);
    if (results && writeDirection && uploadHeader_) results->PictureWritten(*uploadHeader_);
    if (!catalogue_.MarkDefault(info.AreaReply, 1)) {
      view_.Notify(TNoticeKind::Error, TText::InvalidDefaultIndex);
    }
  } else if (action == TAction::WriteLanguage) {
    const TFileHeader* upload = catalogue_.Entry(uploadEntry_);
    if (results && upload) results->LanguageWritten(*upload);
  } else if (action == TAction::WriteFirmware) {
    firmwareCompleted_ = lastPartSent_;
    view_.RestoreCursor();
    view_.SetProgressPosition(0);
    lastPartSent_ = false;
  } else if (action == TAction::DeleteFiles) {
    RemoveDeletedEntries();
  }
  uploadEntry_ = -1;  // the upload is the device's now: a later failure keeps it
  // What the page showed was not trusted: it is read again, to show what the device holds.
  if (planFromDirectory_ && action != TAction::DeleteFiles) view_.CatalogueOutdated();
  view_.ClearActionText();
}

void TTransferSession::ProcessReadResults(const TDeviceInfo& info) {
  switch (request_.Action) {
    case TAction::ReadLanguages: {
      catalogueUntrusted_ = false;
      const TCatalogue::TLanguageNames names =
          catalogue_.BuildCatalogue(info.DirReply, kTypeLanguage);
      if (request_.Results) request_.Results->LanguagesRead(names);
      if (!catalogue_.MarkDefault(info.AreaReply, 0)) {
        view_.Notify(TNoticeKind::Error, TText::InvalidDefaultIndex);
      }
      break;
    }
    case TAction::ReadPictureDir:
      catalogueUntrusted_ = false;
      catalogue_.BuildCatalogue(info.DirReply, kTypePicture);
      pictureCatalogueLoaded_ = true;
      break;
    case TAction::ReadAllPictures:
      StoreDownloadedPictures();
      break;
    default:
      break;
  }
}

void TTransferSession::StoreDownloadedPictures() {
  QImage picture = MakeWorkingPicture();
  const int count = catalogue_.CatalogueCount();
  for (int i = 0; i < count; ++i) {
    TFileHeader& entry = *catalogue_.Entry(i);
    // Uploaded in this visit, or listed already.
    if (!entry.Image.isNull() || entry.Unreadable) continue;
    // A file the read did not deliver stays unlisted rather than showing another's picture.
    const platform::Bytes* file = catalogue_.File(i);
    if (!file) break;
    // A cut-off reply keeps its place in the list, so later entries stay aligned with their
    // positions, but it has no picture: half a picture padded with black would pass for one.
    if (file->size() < kPictureFileSize) {
      entry.Unreadable = true;
    } else {
      DecodePicture(*file, picture);
      entry.Image = picture.copy();
    }
    if (request_.Results) request_.Results->PictureRead(entry);
  }
}

void TTransferSession::RemoveDeletedEntries() {
  if (deleteOutdated_) {
    view_.CatalogueOutdated();
    return;
  }
  std::vector<int> removed;
  bool defaultToFirst = false;
  for (auto index = deleteSelection_.rbegin(); index != deleteSelection_.rend(); ++index) {
    const int e = *index;
    const TFileHeader* entry = catalogue_.Entry(e);
    if (!entry) continue;
    if (entry->DefaultFlag == 1) {
      // The device hands its default on as the catalogue does: the first language, the second
      // picture; never to the entry going away.
      const bool language = entry->TypeCode == kTypeLanguage;
      const int heir = language ? 0 : 1;
      if (TFileHeader* next = catalogue_.Entry(heir); next && heir != e) next->DefaultFlag = 1;
      defaultToFirst = defaultToFirst || language;
    }
    catalogue_.RemoveEntry(e);
    removed.push_back(e);
  }
  if (request_.Results) request_.Results->EntriesDeleted(removed, defaultToFirst);
}

void TTransferSession::DropUpload() {
  if (uploadEntry_ < 0) return;
  catalogue_.RemoveEntry(uploadEntry_);
  uploadEntry_ = -1;
}
