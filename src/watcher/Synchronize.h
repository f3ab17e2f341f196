// Runs a call on the GUI thread while the calling worker thread waits for it: the one way the
// watcher and the transfer worker touch the main window.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace synchronize_detail {

// The calls waiting for the GUI thread. The hand-over goes through this list, guarded by a
// standard mutex, and not through data carried by the toolkit's event: the toolkit's own locks
// are invisible to race detectors, which would otherwise report every hand-over as a race.
struct THandOver {
  QPointer<QObject> Context;
  const std::function<void()>* Call = nullptr;
  bool Finished = false;
};

inline std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

inline std::condition_variable& Done() {
  static std::condition_variable done;
  return done;
}

inline std::deque<THandOver*>& Pending() {
  static std::deque<THandOver*> pending;
  return pending;
}

// Calls running on the GUI thread now: more than one when a call lets events through (a message
// box, say) and another call comes in meanwhile. Touched on the GUI thread only.
inline int& Running() {
  static int running = 0;
  return running;
}

// Posted once per hand-over; runs the oldest one waiting. A call whose receiver has gone is not
// run, only its caller released, as a blocking queued call would do.
inline void RunNext() {
  for (;;) {
    THandOver* next = nullptr;
    {
      std::lock_guard guard(Lock());
      if (Pending().empty()) return;
      next = Pending().front();
      Pending().pop_front();
    }
    const bool live = !next->Context.isNull();
    if (live) {
      struct TCounted {
        TCounted() { ++Running(); }
        ~TCounted() { --Running(); }
      } counted;
      (*next->Call)();
    }
    {
      std::lock_guard guard(Lock());
      next->Finished = true;
    }
    Done().notify_all();
    if (live) return;
  }
}

}  // namespace synchronize_detail

// True on the GUI thread while a worker or the watcher waits there for its call to return. Anything
// that would wait for that thread (joining it, stopping it) must not run meanwhile: it would wait
// for a call that can only return once the waiting ends.
inline bool SynchronizedCallRunning() {
  return synchronize_detail::Running() > 0;
}

// `context` lives on the GUI thread. Calling this from that thread itself would deadlock, so that
// case runs the call directly (and is a programming error).
inline void Synchronize(QObject* context, const std::function<void()>& call) {
  if (QThread::currentThread() == context->thread()) {
    Q_ASSERT_X(false, "Synchronize", "called from the context's own thread");
    call();
    return;
  }
  using namespace synchronize_detail;
  THandOver handOver{context, &call};
  // Posted under the lock, which the GUI thread takes before it runs the call: everything this
  // thread did until the post (the toolkit's event included) is ordered before the call.
  std::unique_lock lock(Lock());
  Pending().push_back(&handOver);
  QMetaObject::invokeMethod(context, &RunNext, Qt::QueuedConnection);
  Done().wait(lock, [&] { return handOver.Finished; });
}
