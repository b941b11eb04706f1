// BMP: plain rows of 1 to 32 bits, bit fields, top-down or bottom-up, read one
// row at a time; run-length files (always bottom-up) through a buffer of one
// palette index a pixel.

#include "BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "Scanner.h"
#include "Squeeze.h"

namespace mirel::picture {

namespace {

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One channel described by a bit mask, widened to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t top = 0;  // the largest value under the mask
  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    top = m >> shift;
  }
  std::uint32_t Get(std::uint32_t pixel, std::uint32_t absent) const {
    if (top == 0) return absent;
    return std::uint32_t((std::uint64_t((pixel & mask) >> shift) * 255 + top / 2) / top);
  }
};

}  // namespace

class BmpDecoder::Impl {
 public:
  explicit Impl(ByteSource& source) : source_(source) {}

  Outcome ReadHeader(int& storedWidth, int& storedHeight) {
    std::array<std::uint8_t, 14 + 124> h{};
    const long long got = source_.Read(h.data(), static_cast<long long>(h.size()));
    if (got < 26) return Outcome::Damaged;
    pixelsAt_ = U32le(&h[10]);
    const std::uint32_t infoSize = U32le(&h[14]);
    std::int64_t width, height;
    if (infoSize == 12) {  // the old core header
      width = U16le(&h[18]);
      height = U16le(&h[20]);
      bits_ = U16le(&h[24]);
      paletteEntry_ = 3;
    } else if (infoSize >= 40 && infoSize <= 124 && got >= 14 + 40) {
      width = std::int32_t(U32le(&h[18]));
      height = std::int32_t(U32le(&h[22]));
      bits_ = U16le(&h[28]);
      compression_ = U32le(&h[30]);
      colours_ = U32le(&h[46]);
      paletteEntry_ = 4;
    } else {
      return Outcome::Damaged;
    }
    topDown_ = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0) return Outcome::Damaged;
    width_ = storedWidth = int(std::min<std::int64_t>(width, 1 << 30));
    height_ = storedHeight = int(std::min<std::int64_t>(height, 1 << 30));

    std::size_t masksAt = 14 + 40;  // after a 40-byte header, or inside a longer one
    std::size_t paletteAt = 14 + infoSize;
    switch (compression_) {
      case kRgb:
        if (bits_ != 1 && bits_ != 4 && bits_ != 8 && bits_ != 16 && bits_ != 24 && bits_ != 32)
          return Outcome::Damaged;
        if (bits_ == 16) red_ = Channel(0x7C00), green_ = Channel(0x03E0), blue_ = Channel(0x001F);
        if (bits_ >= 24) red_ = Channel(0xFF0000), green_ = Channel(0xFF00), blue_ = Channel(0xFF);
        break;
      case kBitFields:
      case kAlphaBitFields: {
        if (bits_ != 16 && bits_ != 32) return Outcome::Damaged;
        const bool alpha = compression_ == kAlphaBitFields || infoSize >= 56;
        if (infoSize == 40) paletteAt += alpha ? 16 : 12;
        if (got < static_cast<long long>(masksAt + 16)) return Outcome::Damaged;
        red_ = Channel(U32le(&h[masksAt]));
        green_ = Channel(U32le(&h[masksAt + 4]));
        blue_ = Channel(U32le(&h[masksAt + 8]));
        if (alpha) alpha_ = Channel(U32le(&h[masksAt + 12]));
        break;
      }
      case kRle8:
      case kRle4:
        if (bits_ != (compression_ == kRle8 ? 8 : 4) || topDown_) return Outcome::Damaged;
        break;
      default:
        return Outcome::Damaged;
    }
    if (bits_ <= 8 && !ReadPalette(paletteAt)) return Outcome::Damaged;
    return Outcome::Ok;
  }

  long long EstimateBytes() const {
    const long long row = Stride() + 4 * static_cast<long long>(width_);
    return compression_ == kRle8 || compression_ == kRle4 ? static_cast<long long>(width_) * height_ + row
                                                          : row;
  }

  Outcome Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) {
    Bitmap squeezed(targetWidth, targetHeight);
    Squeeze squeezer(width_, height_, targetWidth, targetHeight, squeezed.Data(), std::size_t(squeezed.Width()),
                     progress);
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width_));
    if (compression_ == kRle8 || compression_ == kRle4) {
      std::vector<std::uint8_t> indices;
      if (!DecodeRle(indices)) return Outcome::Damaged;
      const std::size_t w = std::size_t(width_);
      for (int y = height_ - 1; y >= 0; --y) {  // stored bottom-up
        const std::uint8_t* line = &indices[std::size_t(y) * w];
        for (std::size_t x = 0; x < w; ++x) row[x] = palette_[line[x]];
        squeezer.AddRow(row.data());
      }
    } else {
      const long long stride = Stride();
      // Every byte up to the last pixel must be there (the last row's padding aside).
      if (source_.Size() <
          pixelsAt_ + stride * (height_ - 1) + (static_cast<long long>(width_) * bits_ + 7) / 8)
        return Outcome::Damaged;
      std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stride));
      for (int y = 0; y < height_; ++y) {
        const long long stored = topDown_ ? y : height_ - 1 - y;
        const long long want = std::min(stride, source_.Size() - (pixelsAt_ + stored * stride));
        if (!source_.Seek(pixelsAt_ + stored * stride) || source_.Read(bytes.data(), want) != want)
          return Outcome::Damaged;
        Unpack(bytes.data(), row.data());
        squeezer.AddRow(row.data());
      }
    }
    if (!squeezer.Complete()) return Outcome::Damaged;
    out = std::move(squeezed);
    return Outcome::Ok;
  }

 private:
  long long Stride() const { return (static_cast<long long>(width_) * bits_ + 31) / 32 * 4; }

  bool ReadPalette(std::size_t at) {
    palette_.fill(0xFF000000u);  // indices past the table show black
    std::size_t count = colours_ == 0 || colours_ > 256 ? std::size_t(1) << bits_ : colours_;
    if (pixelsAt_ > static_cast<long long>(at))
      count = std::min<std::size_t>(count, std::size_t(pixelsAt_ - static_cast<long long>(at)) /
                                               std::size_t(paletteEntry_));
    std::vector<std::uint8_t> table(count * std::size_t(paletteEntry_));
    const auto tableBytes = static_cast<long long>(table.size());
    if (!source_.Seek(static_cast<long long>(at)) || source_.Read(table.data(), tableBytes) != tableBytes)
      return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* e = &table[i * std::size_t(paletteEntry_)];
      palette_[i] = 0xFF000000u | std::uint32_t(e[2]) << 16 | std::uint32_t(e[1]) << 8 | e[0];
    }
    return true;
  }

  void Unpack(const std::uint8_t* in, std::uint32_t* out) const {
    const int w = width_;
    switch (bits_) {
      case 1:
        for (int x = 0; x < w; ++x) out[x] = palette_[(in[x >> 3] >> (7 - (x & 7))) & 1];
        return;
      case 4:
        for (int x = 0; x < w; ++x) out[x] = palette_[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        return;
      case 8:
        for (int x = 0; x < w; ++x) out[x] = palette_[in[x]];
        return;
      case 24:
        for (int x = 0; x < w; ++x, in += 3)
          out[x] = 0xFF000000u | std::uint32_t(in[2]) << 16 | std::uint32_t(in[1]) << 8 | in[0];
        return;
      default:
        for (int x = 0; x < w; ++x) {
          const std::uint32_t p = bits_ == 16 ? std::uint32_t(U16le(in + 2 * x)) : U32le(in + 4 * x);
          out[x] = alpha_.Get(p, 255) << 24 | red_.Get(p, 0) << 16 | green_.Get(p, 0) << 8 | blue_.Get(p, 0);
        }
    }
  }

  // Run-length data into one index a pixel, rows bottom-up as stored. Pixels
  // that a move or an early end of line skips keep index 0. Data that stops
  // before the last row is full is a picture cut short.
  bool DecodeRle(std::vector<std::uint8_t>& indices) {
    const std::size_t w = std::size_t(width_), h = std::size_t(height_);
    indices.assign(w * h, 0);
    if (!source_.Seek(pixelsAt_)) return false;
    Scanner s(source_);
    const bool four = compression_ == kRle4;
    std::size_t x = 0, y = 0;
    auto put = [&](std::uint8_t index) {
      if (x < w && y < h) indices[y * w + x] = index;
      ++x;
    };
    for (;;) {
      std::uint8_t op[2];
      if (!s.Read(op, 2)) return y >= h;
      if (op[0] != 0) {  // a run
        for (int i = 0; i < op[0]; ++i) put(four ? std::uint8_t((i & 1) ? op[1] & 15 : op[1] >> 4) : op[1]);
        continue;
      }
      switch (op[1]) {
        case 0:  // end of line
          x = 0;
          ++y;
          if (y >= h) return true;
          break;
        case 1:  // end of picture: only once the last row is full
          return y >= h || (y + 1 == h && x >= w);
        case 2: {  // move right and up
          std::uint8_t delta[2];
          if (!s.Read(delta, 2)) return false;
          x += delta[0];
          y += delta[1];
          if (y >= h) return true;
          break;
        }
        default: {  // literal pixels, padded to whole 16-bit words
          const int n = op[1];
          const int bytes = four ? (n + 1) / 2 : n;
          std::array<std::uint8_t, 256> data{};
          if (!s.Read(data.data(), bytes + (bytes & 1))) return false;
          for (int i = 0; i < n; ++i)
            put(four ? std::uint8_t((i & 1) ? data[std::size_t(i / 2)] & 15 : data[std::size_t(i / 2)] >> 4)
                     : data[std::size_t(i)]);
        }
      }
      if (x > w + 256) return false;  // runs far past the row's end
    }
  }

  ByteSource& source_;
  long long pixelsAt_ = 0;
  int bits_ = 0;
  std::uint32_t compression_ = kRgb;
  std::uint32_t colours_ = 0;
  int paletteEntry_ = 4;
  bool topDown_ = false;
  int width_ = 0, height_ = 0;
  Channel red_, green_, blue_, alpha_;
  std::array<std::uint32_t, 256> palette_{};
};

BmpDecoder::BmpDecoder(ByteSource& source) : impl_(std::make_unique<Impl>(source)) {}
BmpDecoder::~BmpDecoder() = default;
Outcome BmpDecoder::ReadHeader(FrameHeader& header) { return impl_->ReadHeader(header.width, header.height); }
long long BmpDecoder::EstimateBytes(int, int) { return impl_->EstimateBytes(); }
Outcome BmpDecoder::Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) {
  return impl_->Decode(targetWidth, targetHeight, progress, out);
}

}  // namespace mirel::picture
