// Runs a call on the GUI thread while the calling worker thread waits for it: the one way the
// watcher and the transfer worker touch the main window.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <functional>

// `context` lives on the GUI thread. Calling this from that thread itself would deadlock a
// blocking queued call, so that case runs the call directly (and is a programming error).
inline void Synchronize(QObject* context, const std::function<void()>& call) {
  if (QThread::currentThread() == context->thread()) {
    Q_ASSERT_X(false, "Synchronize", "called from the context's own thread");
    call();
    return;
  }
  QMetaObject::invokeMethod(context, call, Qt::BlockingQueuedConnection);
}
