#pragma once
// Reading a HEIF file's boxes out of bytes already in memory. The bytes are
// the player's file: every read is checked against the span it comes from.

#include <cstddef>
#include <cstdint>

namespace mirel::picture {

// A count already checked against a size in memory, as memory counts: the
// same type in a 64-bit build, narrower in the 32-bit web build.
template <typename Count>
constexpr std::size_t InMemory(Count count) {
  return static_cast<std::size_t>(count);
}

constexpr std::uint32_t Tag(const char (&t)[5]) {
  return std::uint32_t(std::uint8_t(t[0])) << 24 | std::uint32_t(std::uint8_t(t[1])) << 16 |
         std::uint32_t(std::uint8_t(t[2])) << 8 | std::uint8_t(t[3]);
}

// Big-endian fields of a byte span. Reading past its end marks the span
// failed and gives zeros.
class Span {
 public:
  Span() = default;
  Span(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint64_t Be(std::uint64_t bytes) {
    if (!ok_ || bytes > 8 || bytes > Left()) {
      Fail();
      return 0;
    }
    std::uint64_t value = 0;
    for (std::uint64_t i = 0; i < bytes; ++i) value = value << 8 | data_[at_++];
    return value;
  }
  Span Take(std::uint64_t bytes) {
    if (!ok_ || bytes > Left()) {
      Fail();
      Span failed;
      failed.ok_ = false;
      return failed;
    }
    const Span part(data_ + at_, InMemory(bytes));
    at_ += InMemory(bytes);
    return part;
  }
  std::size_t Left() const { return size_ - at_; }
  bool Ok() const { return ok_; }
  const std::uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  void Fail() {
    ok_ = false;
    at_ = size_;
  }
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// The next box in a span. False at the end, or at a box that overruns it.
inline bool NextBox(Span& in, std::uint32_t& type, Span& body) {
  if (in.Left() < 8) return false;
  std::uint64_t size = in.Be(4);
  type = std::uint32_t(in.Be(4));
  std::uint64_t header = 8;
  if (size == 1) {
    size = in.Be(8);
    header = 16;
  } else if (size == 0) {
    size = in.Left() + header;
  }
  if (!in.Ok() || size < header) return false;
  body = in.Take(size - header);
  return body.Ok();
}

}  // namespace mirel::picture
