#include "support/SleepRecorder.h"

#include <numeric>

namespace testsupport {

SleepRecorder::SleepRecorder() {
  previous_ = platform::SetSleepHook([this](int milliseconds) { Record(milliseconds); });
}

SleepRecorder::~SleepRecorder() {
  platform::SetSleepHook(std::move(previous_));
}

void SleepRecorder::Record(int milliseconds) {
  std::function<void(int)> onSleep;
  {
    std::lock_guard lock(mutex_);
    waits_.push_back(milliseconds);
    onSleep = onSleep_;
  }
  if (onSleep) onSleep(milliseconds);
}

std::vector<int> SleepRecorder::Waits() const {
  std::lock_guard lock(mutex_);
  return waits_;
}

int SleepRecorder::Count(int milliseconds) const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (int wait : waits_) count += wait == milliseconds;
  return count;
}

long long SleepRecorder::Total() const {
  std::lock_guard lock(mutex_);
  return std::accumulate(waits_.begin(), waits_.end(), 0LL);
}

void SleepRecorder::Clear() {
  std::lock_guard lock(mutex_);
  waits_.clear();
}

void SleepRecorder::SetOnSleep(std::function<void(int)> onSleep) {
  std::lock_guard lock(mutex_);
  onSleep_ = std::move(onSleep);
}

}  // namespace testsupport
