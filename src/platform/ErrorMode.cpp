#include "platform/ErrorMode.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

unsigned int SuppressCriticalErrorDialogs() {
#ifdef _WIN32
  return ::SetErrorMode(SEM_FAILCRITICALERRORS);
#else
  return 0;
#endif
}

void RestoreErrorMode([[maybe_unused]] unsigned int mode) {
#ifdef _WIN32
  ::SetErrorMode(mode);
#endif
}

}  // namespace platform
