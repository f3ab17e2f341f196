// Test double of the sleep hook: while alive, every platform::Sleep() returns at once and is
// remembered, so tests assert the program's pacing without spending it.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/SleepHook.h"

namespace testsupport {

// Safe to use from several threads.
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
  platform::SleepFunction previous_;
};

}  // namespace testsupport
