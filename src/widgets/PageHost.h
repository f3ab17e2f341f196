// TPageHost: what a page asks of the main window around it: whether a dive computer is detected,
// the transfer session, starting an action, the status bar.
#pragma once

#include <QString>
#include <cstdint>

class TTransferSession;

class TPageHost {
 public:
  virtual ~TPageHost() = default;

  // The presence light is lit.
  virtual bool DeviceDetected() const = 0;
  virtual TTransferSession& TransferSession() = 0;
  // Starts an action as every handler does: retry count 0, the direction's light green and lit,
  // the action code, the status text (when not empty), the worker. False, with nothing changed,
  // while another transfer is under way.
  virtual bool StartAction(std::uint8_t action, bool writeDirection, const QString& statusText) = 0;
  // Status bar panels: 1 the device state and the running action, 2 the selection count.
  virtual void SetStatusText(int panel, const QString& text) = 0;
  // A delete was started in this run: the device's memory is cleaned up at exit.
  virtual void DeleteStarted() = 0;
};
