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

// The window and the page in one: the view of the session and the results of its transfers.
class RecordingSessionView : public TSessionView, public TTransferResults {
 public:
  // ---- Answers --------------------------------------------------------------------------------
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

  // TSessionView.
  void SetProgressMaximum(int) override {}
  void SetProgressPosition(int) override {}
  void StepProgress() override {}
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  void Notify(TNoticeKind kind, TText text) override {
    notices.emplace_back(kind, static_cast<int>(text));
  }
  bool AskYesNo(TText) override {
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
  void CatalogueOutdated() override { ++outdated; }

  // TTransferResults.
  void PictureWritten(const TFileHeader& upload) override { Listed(upload); }
  void LanguageWritten(const TFileHeader&) override { ++languagesWritten; }
  void LanguagesRead(const TCatalogue::TLanguageNames& names) override { languages = names; }
  void PictureRead(const TFileHeader& entry) override { Listed(entry); }
  void EntriesDeleted(const std::vector<int>& indexes, bool toFirst) override {
    deleted.push_back(indexes);
    defaultToFirst = toFirst;
  }
  void FirmwareUpdateCompleted() override { ++firmwareCompleted; }

 private:
  void Listed(const TFileHeader& entry) {
    listed.push_back(entry.NameSingleByteText().toStdString() +
                     (entry.Unreadable ? " (unreadable)" : ""));
  }
};

}  // namespace testsupport
