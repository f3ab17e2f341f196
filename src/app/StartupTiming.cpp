#include "app/StartupTiming.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <chrono>

Q_LOGGING_CATEGORY(lcStartup, "orvanel.startup", QtWarningMsg)

namespace startup {
namespace {

QElapsedTimer& Clock() {
  static QElapsedTimer clock;
  return clock;
}

double MillisecondsSinceBegin() {
  return Clock().isValid() ? static_cast<double>(Clock().nsecsElapsed()) / 1e6 : 0.0;
}

class TFirstPaintWatch : public QObject {
 public:
  explicit TFirstPaintWatch(QWidget* window) : QObject(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched == parent()) {
      // steady_clock is the monotonic clock a launching program reads too.
      const auto now = std::chrono::steady_clock::now().time_since_epoch();
      qCDebug(lcStartup, "first paint: %.1f ms (monotonic %lld ns)", MillisecondsSinceBegin(),
              static_cast<long long>(std::chrono::nanoseconds(now).count()));
      watched->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }
};

}  // namespace

void Begin() {
  Clock().start();
}

void Mark(const char* phase) {
  qCDebug(lcStartup, "%s: %.1f ms", phase, MillisecondsSinceBegin());
}

void WatchFirstPaint(QWidget* window) {
  if (!lcStartup().isDebugEnabled()) return;
  window->installEventFilter(new TFirstPaintWatch(window));
}

}  // namespace startup
