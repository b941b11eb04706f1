#pragma once
// A Windows handle that is closed on every way out. Without <windows.h>, whose
// macros would reach every file that holds one.

#include <cstdint>
#include <utility>

namespace mirel {

class WinHandle {
 public:
  using Native = void*;  // a HANDLE

  WinHandle() = default;
  explicit WinHandle(Native handle) : handle_(handle) {}
  ~WinHandle() { Close(); }
  WinHandle(WinHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid())) {}
  WinHandle& operator=(WinHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, Invalid());
    }
    return *this;
  }
  WinHandle(const WinHandle&) = delete;
  WinHandle& operator=(const WinHandle&) = delete;

  Native Get() const { return handle_; }
  bool Valid() const { return handle_ != Invalid() && handle_ != nullptr; }
  // Closes now: a failing close can be the first sign of lost data.
  bool Close();

 private:
  // INVALID_HANDLE_VALUE, what a failed open returns.
  static Native Invalid() { return reinterpret_cast<Native>(std::intptr_t(-1)); }

  Native handle_ = Invalid();
};

}  // namespace mirel
