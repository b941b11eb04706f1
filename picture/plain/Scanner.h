#pragma once
// Buffered forward reading with cheap skips over a random-access source, for
// the structure walks that readers make before they hand a file to a decoder.

#include <array>
#include <cstdint>
#include <cstring>

#include "ByteSource.h"

namespace mirel::picture {

class Scanner {
 public:
  explicit Scanner(ByteSource& source) : source_(source) {}

  // The next byte, or -1 at the end of the data.
  int Next() {
    if (at_ == end_ && !Fill()) return -1;
    return buffer_[std::size_t(at_++)];
  }

  bool Read(std::uint8_t* out, int n) {
    for (int i = 0; i < n; ++i) {
      const int b = Next();
      if (b < 0) return false;
      out[i] = std::uint8_t(b);
    }
    return true;
  }

  // Past the next byte of this value; false when the data ends first.
  bool SkipPast(std::uint8_t value) {
    for (;;) {
      if (at_ == end_ && !Fill()) return false;
      const void* hit = std::memchr(buffer_.data() + at_, value, std::size_t(end_ - at_));
      if (hit) {
        at_ = int(static_cast<const std::uint8_t*>(hit) - buffer_.data()) + 1;
        return true;
      }
      at_ = end_;
    }
  }

  // Where the next byte comes from.
  long long Pos() { return source_.Pos() - (end_ - at_); }

  // False when the data ends before n more bytes.
  bool Skip(long long n) {
    const long long buffered = end_ - at_;
    if (n <= buffered) {
      at_ += int(n);
      return true;
    }
    n -= buffered;
    at_ = end_ = 0;
    const long long target = source_.Pos() + n;
    if (target > source_.Size()) return false;
    return source_.Seek(target);
  }

 private:
  bool Fill() {
    const long long got = source_.Read(buffer_.data(), static_cast<long long>(buffer_.size()));
    if (got <= 0) return false;
    at_ = 0;
    end_ = int(got);
    return true;
  }

  ByteSource& source_;
  std::array<std::uint8_t, 64 * 1024> buffer_{};
  int at_ = 0;
  int end_ = 0;
};

inline int U16le(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
inline std::uint32_t U16be(const std::uint8_t* p) { return std::uint32_t(p[0]) << 8 | p[1]; }
inline std::uint32_t U32be(const std::uint8_t* p) { return U16be(p) << 16 | U16be(p + 2); }

// n bytes at `at`, all of them, or false.
inline bool ReadAt(ByteSource& source, long long at, void* out, long long n) {
  return at >= 0 && source.Seek(at) && source.Read(out, n) == n;
}
inline std::uint32_t U32le(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

}  // namespace mirel::picture
