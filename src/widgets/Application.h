// TApplication: the application object with the program's last-resort exception handler. A drive
// that is not ready gets its own message; any other exception is shown and ends the program. The
// termination signals close the windows (TTerminationSignals).
#pragma once

#include <QApplication>
#include <exception>
#include <stdexcept>

#include "widgets/TerminationSignals.h"

// Raised where a drive chosen by the user cannot be read (an empty card reader, say). `drive` is
// the drive as the drive list shows it: "a:" style on systems with drive letters, else the mount
// point.
class TDriveNotReadyError : public std::runtime_error {
 public:
  explicit TDriveNotReadyError(QString drive)
      : std::runtime_error("drive not ready"), drive_(std::move(drive)) {}
  const QString& Drive() const { return drive_; }

 private:
  QString drive_;
};

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // What the handler shows for an exception; the program then ends unless it was a drive that is
  // not ready.
  static void HandleException(std::exception_ptr error);
  // "Disco A:  non disponibile!" for a drive letter, the mount point in its place elsewhere.
  static QString DriveNotReadyText(const QString& drive);

 private:
  TTerminationSignals terminationSignals_;
};
