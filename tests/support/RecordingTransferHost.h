// A TTransferHost for tests: remembers everything an action step asks of the window, answers
// from fields the test sets, and can raise the stop request after a given number of progress
// steps to stop a transfer in the middle.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "transfer/TransferHost.h"

namespace testsupport {

class RecordingTransferHost : public TTransferHost {
 public:
  // ---- Answers --------------------------------------------------------------------------------
  TAction actionCode = TAction::None;
  bool stop = false;
  int stopAfterSteps = -1;        // >= 0: the stop request rises with this many progress steps done
  std::deque<bool> yesNoAnswers;  // AskYesNo answers in order; No once empty
  std::vector<std::uint32_t> deleteList;  // what BuildDeleteList answers
  int defaultPosition = 0;
  // The catalogue: file command parameters (0xFF, type code, position) per entry.
  std::vector<std::array<std::uint8_t, 3>> catalogue;

  // A catalogue of `count` pictures at positions 1..count.
  void SetPictureCatalogue(int count) {
    catalogue.clear();
    for (int i = 0; i < count; ++i) {
      catalogue.push_back({0xFF, 4, static_cast<std::uint8_t>(i + 1)});
    }
  }

  // ---- Records --------------------------------------------------------------------------------
  std::vector<int> maximums;  // every SetProgressMaximum, in order
  int position = 0;
  int steps = 0;
  int eventRounds = 0;
  int waitRounds = 0;  // while a reply was awaited: as many as the device's pace makes
  std::vector<std::pair<TNoticeKind, int>> notices;
  std::vector<int> questions;
  int terminateRequests = 0;
  std::vector<platform::Bytes> rawFiles;
  int deleteListsBuilt = 0;
  std::vector<bool> lastPartFlags;  // every SetLastPartSent, in order
  int cursorRestores = 0;

  // ---- TTransferHost --------------------------------------------------------------------------
  void SetProgressMaximum(int maximum) override { maximums.push_back(maximum); }
  void SetProgressPosition(int p) override { position = p; }
  void StepProgress() override {
    ++position;
    if (++steps == stopAfterSteps) stop = true;
  }
  void ProcessEvents() override { ++eventRounds; }
  void ProcessEventsWhileWaiting() override { ++waitRounds; }
  bool StopRequested() const override { return stop; }
  void Notify(TNoticeKind kind, TText text) override {
    notices.emplace_back(kind, static_cast<int>(text));
  }
  bool AskYesNo(TText text) override {
    questions.push_back(static_cast<int>(text));
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }
  void RequestTerminate() override { ++terminateRequests; }
  TAction CurrentAction() const override { return actionCode; }
  int CatalogueCount() const override { return static_cast<int>(catalogue.size()); }
  std::array<std::uint8_t, 3> FileRequestParam(int index) const override {
    return catalogue.at(static_cast<std::size_t>(index));
  }
  void ClearFiles() override { rawFiles.clear(); }
  void StoreFile(int, platform::Bytes file) override { rawFiles.push_back(std::move(file)); }
  std::vector<std::uint32_t> BuildDeleteList() override {
    ++deleteListsBuilt;
    return deleteList;
  }
  int DefaultPosition() const override { return defaultPosition; }
  void SetLastPartSent(bool sent) override { lastPartFlags.push_back(sent); }
  void RestoreCursor() override { ++cursorRestores; }
};

}  // namespace testsupport
