// A TSessionView for tests of the transfer session without a window: remembers what the window
// would have been told and answers from fields the test sets.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "transfer/TransferSession.h"

namespace testsupport {

class RecordingSessionView : public TSessionView {
 public:
  // ---- Answers --------------------------------------------------------------------------------
  QString uploadName = "picture.bmp";
  std::vector<int> selected;      // SelectedAddedEntries
  std::deque<bool> yesNoAnswers;  // AskYesNo answers in order; No once empty

  // ---- Records --------------------------------------------------------------------------------
  std::vector<TTransferEnd> ends;
  std::vector<std::pair<TNoticeKind, int>> notices;
  std::vector<std::string> listed;  // PictureWritten, PictureRead: "name" or "name (unreadable)"
  int languagesWritten = 0;
  TCatalogue::TLanguageNames languages;
  std::vector<std::vector<int>> deleted;  // EntriesDeleted
  bool defaultToFirst = false;
  int outdated = 0;
  int firmwareCompleted = 0;
  int terminateRequests = 0;
  std::vector<bool> controls;  // SetControlsEnabled's `enabled`, in order

  void SetProgressMaximum(int) override {}
  void SetProgressPosition(int) override {}
  void StepProgress() override {}
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  void Notify(TNoticeKind kind, int textId) override { notices.emplace_back(kind, textId); }
  bool AskYesNo(int) override {
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }
  void RequestTerminate() override { ++terminateRequests; }
  void RestoreCursor() override {}
  void SetControlsEnabled(bool enabled, bool) override { controls.push_back(enabled); }
  void TransferEnded(TTransferEnd end) override { ends.push_back(end); }
  void ClearActionText() override {}
  QString PictureUploadName() const override { return uploadName; }
  std::vector<int> SelectedAddedEntries() const override { return selected; }
  void PictureCountChanged(int) override {}
  void PictureWritten(const TFileHeader& upload) override { Listed(upload); }
  void LanguageWritten() override { ++languagesWritten; }
  void LanguagesRead(const TCatalogue::TLanguageNames& names) override { languages = names; }
  void PictureRead(const TFileHeader& entry) override { Listed(entry); }
  void EntriesDeleted(const std::vector<int>& indexes, bool toFirst) override {
    deleted.push_back(indexes);
    defaultToFirst = toFirst;
  }
  void CatalogueOutdated() override { ++outdated; }
  void FirmwareUpdateCompleted() override { ++firmwareCompleted; }

 private:
  void Listed(const TFileHeader& entry) {
    listed.push_back(entry.NameSingleByteText().toStdString() +
                     (entry.Unreadable() ? " (unreadable)" : ""));
  }
};

}  // namespace testsupport
