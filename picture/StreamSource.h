#pragma once
// A Windows stream as the Qt-free readers' byte source. The offset is kept
// here, so that one past the end is allowed and reads nothing there, as with
// Qt's devices on Linux, whatever the stream itself allows.

#include <objidl.h>
#include <windows.h>

#include <algorithm>
#include <climits>

#include "picture/plain/ByteSource.h"

namespace mirel::picture {

class StreamSource final : public ByteSource {
 public:
  explicit StreamSource(IStream& stream) : stream_(stream) {
    STATSTG facts{};
    if (SUCCEEDED(stream_.Stat(&facts, STATFLAG_NONAME))) size_ = static_cast<long long>(facts.cbSize.QuadPart);
  }
  long long Size() override { return size_; }
  long long Pos() override { return at_; }
  bool Seek(long long at) override {
    if (at < 0) return false;
    at_ = at;
    return true;
  }
  long long Read(void* out, long long n) override {
    n = std::min({n, size_ - at_, static_cast<long long>(ULONG_MAX)});
    if (n <= 0) return 0;
    LARGE_INTEGER to;
    to.QuadPart = at_;
    ULONG got = 0;
    if (FAILED(stream_.Seek(to, STREAM_SEEK_SET, nullptr)) || FAILED(stream_.Read(out, ULONG(n), &got))) return -1;
    at_ += got;
    return got;
  }

 private:
  IStream& stream_;
  long long size_ = 0;
  long long at_ = 0;
};

}  // namespace mirel::picture
