#include "platform/SleepHook.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace platform {
namespace {

std::mutex& HookMutex() {
  static std::mutex mutex;
  return mutex;
}

SleepFunction& Hook() {
  static SleepFunction hook;
  return hook;
}

}  // namespace

void Sleep(int milliseconds) {
  SleepFunction hook;
  {
    std::lock_guard lock(HookMutex());
    hook = Hook();
  }
  if (hook) {
    hook(milliseconds);
  } else if (milliseconds > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

SleepFunction SetSleepHook(SleepFunction hook) {
  std::lock_guard lock(HookMutex());
  SleepFunction previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

}  // namespace platform
