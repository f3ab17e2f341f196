// What an action step may ask of the program it runs for. Action steps run on the GUI thread
// inside the worker's synchronised call, but know nothing of widgets: TTransferView is what the
// window shows or asks of the user, TTransferHost adds the transfer's own state (the action, the
// catalogue, the files). The transfer session implements the host; tests use a recorder.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/ByteOrder.h"
#include "texts/TextIds.h"
#include "transfer/Action.h"

// The beep and box of a message; the text comes from the text table by name.
enum class TNoticeKind {
  Error,    // error beep, error box with OK
  Notice,   // notice beep, error box with OK ("Azione infrarossi non supportata!")
  Warning,  // notice beep, warning box with OK
};

class TTransferView {
 public:
  virtual ~TTransferView() = default;

  virtual void SetProgressMaximum(int maximum) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual void StepProgress() = 0;
  // Lets the window repaint and take input between pictures and packets.
  virtual void ProcessEvents() = 0;
  // The same while a reply is awaited: as often as the reply keeps the link waiting.
  virtual void ProcessEventsWhileWaiting() { ProcessEvents(); }

  // Shows this text of the text table, with its beep, and waits for OK.
  virtual void Notify(TNoticeKind kind, TText text) = 0;
  // Notice beep and a warning box with Yes and No; true only for Yes.
  virtual bool AskYesNo(TText text) = 0;
  // Asks the program to end once the current transfer has finished.
  virtual void RequestTerminate() = 0;
  // Puts the mouse cursor back to normal (after a firmware write was refused).
  virtual void RestoreCursor() = 0;
};

class TTransferHost : public TTransferView {
 public:
  // The worker was asked to stop (the window is closing): every request primitive does nothing.
  virtual bool StopRequested() const = 0;

  // What this transfer does.
  virtual TAction CurrentAction() const = 0;

  // The picture catalogue the main window holds: its size, and the file command's parameter
  // bytes (0xFF, type code, position) for entry `index`.
  virtual int CatalogueCount() const = 0;
  virtual std::array<std::uint8_t, 3> FileRequestParam(int index) const = 0;
  // The files a picture read brings in, each the whole device file of its catalogue entry: the
  // read forgets those of an earlier attempt first, and stores what each request delivered.
  virtual void ClearFiles() = 0;
  virtual void StoreFile(int index, platform::Bytes file) = 0;

  // Write direction.
  // The delete parameters of the files selected on the page shown (low byte 0xFF, then the type
  // code, the position, a fourth byte without meaning), in list order; marks them as added.
  virtual std::vector<std::uint32_t> BuildDeleteList() = 0;
  // The 1-based position of the entry marked default in the catalogue, or 0.
  virtual int DefaultPosition() const = 0;
  // The firmware write's last-part flag: true exactly after the last part has been sent.
  virtual void SetLastPartSent(bool sent) = 0;
};
