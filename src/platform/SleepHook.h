// Every fixed wait of the program goes through Sleep(), so tests can record the waits instead of
// spending them (tests/support/SleepRecorder.h).
#pragma once

#include <functional>

namespace platform {

using SleepFunction = std::function<void(int milliseconds)>;

// Waits `milliseconds` through the installed hook (a real sleep when none is installed).
void Sleep(int milliseconds);

// Installs `hook` (an empty function restores the real sleep); returns the previous hook.
SleepFunction SetSleepHook(SleepFunction hook);

}  // namespace platform
