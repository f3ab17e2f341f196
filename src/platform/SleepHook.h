// Every fixed wait of the program goes through Sleep(), so tests can record the waits instead of
// spending them.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

namespace platform {

using SleepFunction = std::function<void(int milliseconds)>;

// Waits `milliseconds` through the installed hook (a real sleep when none is installed).
void Sleep(int milliseconds);

// Installs `hook` (an empty function restores the real sleep); returns the previous hook.
SleepFunction SetSleepHook(SleepFunction hook);

// Test double: while alive, every Sleep() returns at once and is remembered. Safe to use from
// several threads.
class SleepRecorder {
 public:
  SleepRecorder();
  ~SleepRecorder();
  SleepRecorder(const SleepRecorder&) = delete;
  SleepRecorder& operator=(const SleepRecorder&) = delete;

  std::vector<int> Waits() const;
  int Count(int milliseconds) const;  // how many waits of exactly this length
  long long Total() const;            // sum of all waits
  void Clear();
  // Called (outside the recorder's lock) after each recorded wait, e.g. to yield the thread.
  void SetOnSleep(std::function<void(int)> onSleep);

 private:
  void Record(int milliseconds);

  mutable std::mutex mutex_;
  std::vector<int> waits_;
  std::function<void(int)> onSleep_;
  SleepFunction previous_;
};

}  // namespace platform
