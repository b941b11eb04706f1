// The frame sizes the codecs' own headers declare: real headers from heif-enc,
// hand-built ones for the branches it does not write, and both cut short.

#include <gtest/gtest.h>

#include <QByteArray>

#include <cstdint>
#include <optional>

#include "picture/plain/CodedFrame.h"

namespace mirel::picture {
namespace {

// Bits written most significant first; the bytes escaped as a HEVC encoder
// escapes them, so that no two zero bytes come before a byte of 3 or less.
class Bits {
 public:
  Bits& Put(std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (used_ % 8 == 0) raw_ += '\0';
      if (i < 64 && ((value >> i) & 1)) raw_[raw_.size() - 1] = char(raw_.back() | (0x80 >> (used_ % 8)));
      ++used_;
    }
    return *this;
  }
  Bits& Golomb(std::uint64_t value) {
    int bits = 0;
    while ((value + 1) >> (bits + 1)) ++bits;
    return Put(0, bits).Put(value + 1, bits + 1);
  }
  QByteArray Raw() const { return raw_; }
  QByteArray Escaped() const {
    QByteArray out;
    int zeros = 0;
    for (char c : raw_) {
      if (zeros >= 2 && std::uint8_t(c) <= 3) out += '\3', zeros = 0;
      out += c;
      zeros = c == 0 ? zeros + 1 : 0;
    }
    return out;
  }

 private:
  QByteArray raw_;
  int used_ = 0;
};

std::optional<Frame> Sps(const QByteArray& nal) {
  return HevcSpsFrame(reinterpret_cast<const std::uint8_t*>(nal.constData()), std::size_t(nal.size()));
}
std::optional<Frame> Sequence(const QByteArray& payload) {
  return Av1SequenceFrame(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                          std::size_t(payload.size()));
}

TEST(CodedFrame, ReadsTheHevcPictureSize) {
  // heif-enc's for a 100 x 75 picture, coded in whole 8-pixel blocks; its profile has escapes.
  const QByteArray real = QByteArray::fromHex(
      "4201010408000003009db800000300001ea034814776d96ea4929ae6e04040c08000000300800000030084");
  EXPECT_EQ(Sps(real), (Frame{104, 80}));
  for (int cut = 0; cut < 20; ++cut) EXPECT_EQ(Sps(real.left(cut)), std::nullopt) << cut;

  // Two more sub-layers, one with a profile and one with a level, and 4:4:4 coded as three planes.
  Bits sps;
  sps.Put(0x4201, 16).Put(0, 4).Put(2, 3).Put(1, 1).Put(0, 96);
  sps.Put(0b1001, 4).Put(0, 12).Put(0, 88).Put(0, 8);
  sps.Golomb(0).Golomb(3).Put(1, 1).Golomb(4032).Golomb(3024);
  EXPECT_EQ(Sps(sps.Escaped()), (Frame{4032, 3024}));
  EXPECT_EQ(Sps(sps.Escaped().chopped(1)), std::nullopt);
}

TEST(CodedFrame, ReadsTheLargestAv1FrameSize) {
  // heif-enc's for a 100 x 75 picture: the reduced header of a still picture.
  const QByteArray real = QByteArray::fromHex("5819b1ca62408081a4");
  EXPECT_EQ(Sequence(real), (Frame{100, 75}));
  for (int cut = 0; cut < 4; ++cut) EXPECT_EQ(Sequence(real.left(cut)), std::nullopt) << cut;

  // Timing, a decoder model and two operating points, the first with every field it may have.
  Bits full;
  full.Put(0, 3 + 1 + 1).Put(1, 1).Put(0, 64).Put(1, 1).Golomb(0);  // timing, one tick a picture
  full.Put(1, 1).Put(9, 5).Put(0, 32 + 5 + 5);                      // decoder model, 10-bit delays
  full.Put(1, 1).Put(1, 5);                                         // display delays, two points
  full.Put(0, 12).Put(8, 5).Put(1, 1).Put(1, 1).Put(0, 21).Put(1, 1).Put(0, 4);
  full.Put(0, 12).Put(0, 5).Put(0, 1).Put(0, 1);
  full.Put(11, 4).Put(11, 4).Put(4031, 12).Put(3023, 12);
  EXPECT_EQ(Sequence(full.Raw()), (Frame{4032, 3024}));
  EXPECT_EQ(Sequence(full.Raw().chopped(1)), std::nullopt);
}

}  // namespace
}  // namespace mirel::picture
