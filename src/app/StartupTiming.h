// Start-up timing: where the time to the first painted window goes. Silent unless the logging
// category orvanel.startup is on (QT_LOGGING_RULES="orvanel.startup=true"); then each mark prints
// the milliseconds since main() began, and the first paint of the main window also its moment on
// the system's monotonic clock, so that a program that started this one can tell the time from
// its own start call to the first frame.
#pragma once

#include <QLoggingCategory>

class QWidget;

Q_DECLARE_LOGGING_CATEGORY(lcStartup)

namespace startup {

// Called first thing in main(): the zero of every mark.
void Begin();
// Prints `phase` with the time since Begin().
void Mark(const char* phase);
// Prints the first paint event of `window` ("first paint"), once.
void WatchFirstPaint(QWidget* window);

}  // namespace startup
