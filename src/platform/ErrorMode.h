// Keeps the system from asking the user about drives that are not ready (an empty card reader,
// a disk drive without a disk): the program reports such drives itself.
#pragma once

namespace platform {

// Makes critical errors fail the call instead of opening a system dialog; returns the previous
// mode. Does nothing (and returns 0) where the system has no such dialog.
unsigned int SuppressCriticalErrorDialogs();

// Puts back a mode that SuppressCriticalErrorDialogs returned.
void RestoreErrorMode(unsigned int mode);

}  // namespace platform
