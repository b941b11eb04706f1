#include "support/WinHandle.h"

#include <windows.h>

namespace mirel {

bool WinHandle::Close() {
  if (!Valid()) return true;
  return ::CloseHandle(std::exchange(handle_, Invalid())) != 0;
}

}  // namespace mirel
