#pragma once
// Reading a codec header bit by bit, most significant bit first. Reading past
// the end marks the reader failed and gives zeros.

#include <cstddef>
#include <cstdint>

namespace mirel::picture {

class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t size) : data_(data), bits_(size * 8) {}

  std::uint64_t Bit() {
    if (!ok_ || at_ >= bits_) {
      ok_ = false;
      return 0;
    }
    const std::uint64_t bit = (data_[at_ >> 3] >> (7 - (at_ & 7))) & 1;
    ++at_;
    return bit;
  }
  std::uint64_t Bits(int count) {  // up to 32
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 1 | Bit();
    return value;
  }
  void Skip(std::uint64_t count) {
    if (!ok_ || count > bits_ - at_) {
      ok_ = false;
      return;
    }
    at_ += count;
  }
  // An exponential-Golomb code; more leading zeros than `maxZeros` is taken
  // as damage, as the decoders take it.
  std::uint64_t Golomb(int maxZeros) {
    int zeros = 0;
    while (Bit() == 0) {
      if (!ok_ || ++zeros > maxZeros) {
        ok_ = false;
        return 0;
      }
    }
    return (std::uint64_t(1) << zeros) - 1 + Bits(zeros);
  }
  bool Ok() const { return ok_; }

 private:
  const std::uint8_t* data_;
  std::uint64_t bits_;
  std::uint64_t at_ = 0;
  bool ok_ = true;
};

}  // namespace mirel::picture
