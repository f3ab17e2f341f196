// TPageHost: what a page asks of the main window around it: whether a dive computer is detected,
// the catalogue the transfers keep, starting a transfer, the status bar.
#pragma once

#include <QString>

#include "transfer/TransferSession.h"

class TPageHost {
 public:
  virtual ~TPageHost() = default;

  // The presence light is lit.
  virtual bool DeviceDetected() const = 0;
  // The catalogue of the area the page shows, as the transfers keep it.
  virtual const TCatalogue& Catalogue() const = 0;
  // Makes `selected` the catalogue's default entry; see TTransferSession::MoveDefault.
  virtual int MoveDefault(int selected, int noneMarked) = 0;
  // A transfer is starting or running: nothing else may start.
  virtual bool TransferBusy() const = 0;
  // Starts a transfer as every handler does: the direction's light green and lit, the status
  // text (when not empty), the session's start. False, with nothing changed, while another
  // transfer is under way.
  virtual bool StartAction(TTransferRequest request, const QString& statusText) = 0;
  // Status bar panels: 1 the device state and the running action, 2 the selection count.
  virtual void SetStatusText(int panel, const QString& text) = 0;
  // A delete was started in this run: the device's memory is cleaned up at exit.
  virtual void DeleteStarted() = 0;
};

// What the window tells each page it composes; the page decides what its own controls do.
class TWindowPage {
 public:
  virtual ~TWindowPage() = default;

  // The page was turned to, or another page was.
  virtual void Shown() {}
  virtual void Left() {}
  // The device's files are read afresh: the page forgets what it showed of them.
  virtual void Clear() {}
  // The presence light has just been lit or put out.
  virtual void SetDevicePresent(bool present) { static_cast<void>(present); }
  // A transfer starts (true) or has ended (false).
  virtual void SetBusy(bool busy) { static_cast<void>(busy); }
};
