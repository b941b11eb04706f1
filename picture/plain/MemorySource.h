#pragma once
// Bytes already in memory, such as the built-in pictures, as a byte source.

#include <algorithm>
#include <cstring>
#include <span>

#include "picture/plain/ByteSource.h"

namespace mirel::picture {

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  long long Size() override { return static_cast<long long>(bytes_.size()); }
  long long Pos() override { return at_; }
  bool Seek(long long at) override {
    if (at < 0) return false;
    at_ = at;
    return true;
  }
  long long Read(void* out, long long n) override {
    n = std::min(n, Size() - at_);
    if (n <= 0) return 0;
    std::memcpy(out, bytes_.data() + at_, static_cast<std::size_t>(n));
    at_ += n;
    return n;
  }

 private:
  std::span<const unsigned char> bytes_;
  long long at_ = 0;
};

}  // namespace mirel::picture
