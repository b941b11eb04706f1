#include "JpegEighth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "JpegWalk.h"
#include "LoadAndFit.h"
#include "Scanner.h"
#include "Squeeze.h"

namespace mirel::picture {

namespace {

// Progressive files with more scans than any encoder writes only cost time.
constexpr int kMaxScans = 100;
constexpr int kMaxComponents = 3;

// One DC Huffman table: codes of each length are consecutive (the standard's
// canonical codes); those up to 9 bits long are found by one look-up.
struct HuffmanTable {
  bool defined = false;
  std::array<std::uint16_t, 512> fast{};   // 9 bits ahead: length << 8 | symbol; 0 for a longer code
  std::array<std::int32_t, 17> maxCode{};  // the last code of each length; -1 for none
  std::array<std::int32_t, 17> offset{};   // a code of that length less this is its symbol's index
  std::array<std::uint8_t, 256> symbols{};
};

struct Component {
  int id = 0;
  int across = 1, down = 1;  // sampling factors
  int quantTable = 0;
  int quant = 0;  // the DC step, taken at the component's first scan, as decoders do
  int dcTable = 0;
  int blocksAcross = 0, blocksDown = 0;  // the blocks that hold samples
  int stride = 0;                        // blocks a row of `dc`, whole MCUs
  std::vector<std::int16_t> dc;
  int lowBit = -1;  // bits below this have not come yet; -1 before the first scan
  int predictor = 0;
};

// The entropy-coded data of one scan, its stuffed bytes undone. Past its end
// (a marker) it gives zero bits, which Overran() then owns up to.
class EntropyBits {
 public:
  explicit EntropyBits(Scanner& s) : s_(s) {}

  std::uint32_t Peek16() {
    if (count_ < 16) Refill();
    return std::uint32_t(bits_ >> 48);
  }
  void Skip(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  int Take(int n) {
    if (n == 0) return 0;
    if (count_ < n) Refill();
    const int value = int(bits_ >> (64 - n));
    Skip(n);
    return value;
  }
  bool Overran() const { return count_ < padding_; }

  // The marker that ends the data, read past whatever data is left; -1 when
  // the file ends first. The bits start afresh after it.
  int EndMarker() {
    while (marker_ == 0) NextByte();
    const int marker = marker_;
    bits_ = 0;
    count_ = padding_ = marker_ = 0;
    return marker;
  }

 private:
  void Refill() {
    while (count_ <= 56) {
      bits_ |= std::uint64_t(NextByte()) << (56 - count_);
      count_ += 8;
    }
  }
  int NextByte() {
    if (marker_ != 0) {
      padding_ += 8;
      return 0;
    }
    const int b = s_.Next();
    if (b == 0xFF) {
      int c = s_.Next();
      while (c == 0xFF) c = s_.Next();
      if (c == 0) return 0xFF;
      marker_ = c < 0 ? -1 : c;
    } else if (b >= 0) {
      return b;
    } else {
      marker_ = -1;
    }
    padding_ += 8;
    return 0;
  }

  Scanner& s_;
  std::uint64_t bits_ = 0;
  int count_ = 0;    // bits held, padding included
  int padding_ = 0;  // of those, the zero bits past the data's end
  int marker_ = 0;
};

// The symbol of the next code; -1 for no code of the table.
int DecodeSymbol(const HuffmanTable& table, EntropyBits& bits) {
  const std::uint32_t ahead = bits.Peek16();
  if (const std::uint16_t hit = table.fast[ahead >> 7]) {
    bits.Skip(hit >> 8);
    return hit & 0xFF;
  }
  for (int length = 10; length <= 16; ++length) {
    const std::int32_t code = std::int32_t(ahead >> (16 - length));
    if (code <= table.maxCode[std::size_t(length)]) {
      bits.Skip(length);
      return table.symbols[std::size_t(code - table.offset[std::size_t(length)]) & 255];
    }
  }
  return -1;
}

int Extend(int value, int bits) { return value < (1 << (bits - 1)) ? value - (1 << bits) + 1 : value; }

std::uint8_t Clamp(int v) { return std::uint8_t(std::clamp(v, 0, 255)); }

class JpegEighthReader final : public FrameReader {
 public:
  explicit JpegEighthReader(ByteSource& source) : source_(source) {}

  Outcome ReadHeader(FrameHeader& header) override {
    const Outcome read = Run(nullptr);
    header.width = width_;
    header.height = height_;
    return read;
  }

  long long EstimateBytes(int targetWidth, int) override {
    long long bytes = (width_ + 7LL) / 8 * 4 + targetWidth * 48LL;
    for (int c = 0; c < componentCount_; ++c) bytes += Blocks(components_[std::size_t(c)]) * 2;
    return bytes;
  }

  Outcome Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) override {
    progress_ = &progress;
    Bitmap fitted(targetWidth, targetHeight);
    if (const Outcome read = Run(&fitted); read != Outcome::Ok) return read;
    out = std::move(fitted);
    return Outcome::Ok;
  }

 private:
  long long Blocks(const Component& c) const { return static_cast<long long>(c.stride) * mcusDown_ * c.down; }

  // Reads the file from its start: up to its frame header when out is null,
  // else until every DC coefficient has all its bits, then squeezes the
  // picture of DC values into out.
  Outcome Run(Bitmap* out) {
    if (!source_.Seek(0)) return Outcome::Damaged;
    decoding_ = out != nullptr;
    Scanner s(source_);
    if (s.Next() != 0xFF || s.Next() != 0xD8) return Outcome::Damaged;
    bool framed = false;
    int scans = 0;
    std::vector<std::uint8_t> data;
    for (int marker = NextJpegMarker(s);;) {
      if (marker < 0 || marker == 0xD9) return Outcome::Damaged;   // the DC values never all came
      if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
        marker = NextJpegMarker(s);
        continue;
      }
      std::uint8_t size[2];
      if (!s.Read(size, 2)) return Outcome::Damaged;
      const int length = int(U16be(size)) - 2;
      if (length < 0) return Outcome::Damaged;
      data.resize(std::size_t(length));
      if (!s.Read(data.data(), length)) return Outcome::Damaged;
      const bool frameHeader =
          marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
      if (frameHeader) {
        if (framed) return Outcome::Damaged;
        framed = true;
        if (const Outcome read = ReadFrame(marker, data); read != Outcome::Ok || !out) return read;
      } else if (marker == 0xC4) {
        if (!ReadTables(data)) return Outcome::Damaged;
      } else if (marker == 0xDB) {
        if (!ReadQuantisation(data)) return Outcome::Damaged;
      } else if (marker == 0xDD) {
        if (length < 2) return Outcome::Damaged;
        restartInterval_ = int(U16be(data.data()));
      } else if (marker == 0xE0) {
        jfif_ = jfif_ || (length >= 5 && std::equal(data.begin(), data.begin() + 5, "JFIF"));
      } else if (marker == 0xEE && length >= 12 && std::equal(data.begin(), data.begin() + 5, "Adobe")) {
        adobeTransform_ = data[11];
      } else if (marker == 0xDA) {
        if (!framed || ++scans > kMaxScans) return Outcome::Damaged;
        bool dcScan = false;
        if (const Outcome read = ReadScanHeader(data, dcScan); read != Outcome::Ok) return read;
        marker = dcScan ? DecodeDcScan(s) : SkipScan(s);
        if (marker == -2) return Outcome::Damaged;
        if (Complete()) return Emit(*out);
        if (*progress_) (*progress_)();
        continue;
      }
      marker = NextJpegMarker(s);
    }
  }

  Outcome ReadFrame(int marker, const std::vector<std::uint8_t>& d) {
    if (d.size() < 6) return Outcome::Damaged;
    height_ = int(U16be(&d[1]));
    width_ = int(U16be(&d[3]));
    componentCount_ = d[5];
    // Only progressive Huffman frames of 8-bit samples in one to three
    // components are ours; the system reads the rest.
    if (marker != 0xC2 || d[0] != 8 || componentCount_ < 1 || componentCount_ > kMaxComponents)
      return Outcome::Unsupported;
    if (d.size() != 6 + 3 * std::size_t(componentCount_) || width_ == 0 || height_ == 0)
      return Outcome::Damaged;
    maxAcross_ = maxDown_ = 1;
    for (int c = 0; c < componentCount_; ++c) {
      Component& component = components_[std::size_t(c)];
      const std::uint8_t* p = &d[6 + 3 * std::size_t(c)];
      component = Component{};
      component.id = p[0];
      component.across = p[1] >> 4;
      component.down = p[1] & 15;
      component.quantTable = p[2];
      if (component.across < 1 || component.across > 4 || component.down < 1 || component.down > 4 ||
          component.quantTable > 3)
        return Outcome::Damaged;
      maxAcross_ = std::max(maxAcross_, component.across);
      maxDown_ = std::max(maxDown_, component.down);
    }
    mcusAcross_ = (width_ + 8 * maxAcross_ - 1) / (8 * maxAcross_);
    mcusDown_ = (height_ + 8 * maxDown_ - 1) / (8 * maxDown_);
    for (int c = 0; c < componentCount_; ++c) {
      Component& component = components_[std::size_t(c)];
      // Upsampling by a fraction is left to the system's reader, as decoders refuse it.
      if (maxAcross_ % component.across != 0 || maxDown_ % component.down != 0) return Outcome::Unsupported;
      const int samplesAcross = (width_ * component.across + maxAcross_ - 1) / maxAcross_;
      const int samplesDown = (height_ * component.down + maxDown_ - 1) / maxDown_;
      component.blocksAcross = (samplesAcross + 7) / 8;
      component.blocksDown = (samplesDown + 7) / 8;
      component.stride = mcusAcross_ * component.across;
      if (decoding_) component.dc.assign(std::size_t(Blocks(component)), 0);
    }
    return Outcome::Ok;
  }

  bool ReadTables(const std::vector<std::uint8_t>& d) {
    for (std::size_t at = 0; at < d.size();) {
      if (at + 17 > d.size()) return false;
      const int kind = d[at] >> 4, slot = d[at] & 15;
      if (kind > 1 || slot > 3) return false;
      int total = 0;
      for (int i = 1; i <= 16; ++i) total += d[at + std::size_t(i)];
      if (total > 256 || at + 17 + std::size_t(total) > d.size()) return false;
      if (kind == 0 && !BuildTable(&d[at + 1], &d[at + 17], dcTables_[std::size_t(slot)])) return false;
      at += 17 + std::size_t(total);
    }
    return true;
  }

  static bool BuildTable(const std::uint8_t* counts, const std::uint8_t* symbols, HuffmanTable& table) {
    table = HuffmanTable{};
    std::int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
      const int n = counts[length - 1];
      table.offset[std::size_t(length)] = code - index;
      table.maxCode[std::size_t(length)] = n ? code + n - 1 : -1;
      for (int i = 0; i < n; ++i, ++code, ++index) {
        // More codes of a length than it has room for, the last of them
        // all ones: no table at all, as decoders refuse it.
        if (code >= (1 << length) - 1) return false;
        table.symbols[std::size_t(index)] = symbols[index];
        if (length <= 9) {
          const int shift = 9 - length;
          for (int fill = 0; fill < 1 << shift; ++fill)
            table.fast[std::size_t((code << shift) | fill)] = std::uint16_t(length << 8 | symbols[index]);
        }
      }
      code <<= 1;
    }
    table.defined = true;
    return true;
  }

  bool ReadQuantisation(const std::vector<std::uint8_t>& d) {
    for (std::size_t at = 0; at < d.size();) {
      const int precision = d[at] >> 4, slot = d[at] & 15;
      const std::size_t size = precision ? 128 : 64;
      if (precision > 1 || slot > 3 || at + 1 + size > d.size()) return false;
      quant_[std::size_t(slot)] = precision ? int(U16be(&d[at + 1])) : d[at + 1];
      quantDefined_[std::size_t(slot)] = true;
      at += 1 + size;
    }
    return true;
  }

  Outcome ReadScanHeader(const std::vector<std::uint8_t>& d, bool& dcScan) {
    if (d.empty()) return Outcome::Damaged;
    const std::size_t n = d[0];
    if (n < 1 || n > std::size_t(componentCount_) || d.size() != 4 + 2 * n) return Outcome::Damaged;
    const int start = d[1 + 2 * n], end = d[2 + 2 * n], high = d[3 + 2 * n] >> 4, low = d[3 + 2 * n] & 15;
    inScan_.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const auto found = std::find_if(components_.begin(), components_.begin() + componentCount_,
                                      [id = d[1 + 2 * i]](const Component& c) { return c.id == id; });
      if (found == components_.begin() + componentCount_ ||
          std::find(inScan_.begin(), inScan_.end(), &*found) != inScan_.end())
        return Outcome::Damaged;
      found->dcTable = d[2 + 2 * i] >> 4;
      inScan_.push_back(&*found);
    }
    dcScan = start == 0;
    if (low > 13 || end > 63 || start > end) return Outcome::Damaged;
    if (!dcScan) {
      // An AC scan holds one component, whose DC values came first.
      return n == 1 && inScan_[0]->lowBit >= 0 ? Outcome::Ok : Outcome::Damaged;
    }
    if (end != 0) return Outcome::Damaged;
    int blocksInMcu = 0;
    for (Component* c : inScan_) {
      // A first scan comes once; each refinement brings the next lower bit.
      if (high == 0 ? c->lowBit >= 0 : (high != c->lowBit || low != high - 1)) return Outcome::Damaged;
      if (high == 0) {
        if (c->dcTable > 3 || !dcTables_[std::size_t(c->dcTable)].defined ||
            !quantDefined_[std::size_t(c->quantTable)])
          return Outcome::Damaged;
        c->quant = quant_[std::size_t(c->quantTable)];
      }
      blocksInMcu += c->across * c->down;
    }
    if (n > 1 && blocksInMcu > 10) return Outcome::Damaged;
    refining_ = high != 0;
    pointShift_ = low;
    return Outcome::Ok;
  }

  // Decodes one DC scan; the marker after its data, or -2 when it is damaged.
  int DecodeDcScan(Scanner& s) {
    EntropyBits bits(s);
    const bool interleaved = inScan_.size() > 1;
    const Component& only = *inScan_[0];
    const long long across = interleaved ? mcusAcross_ : only.blocksAcross;
    const long long down = interleaved ? mcusDown_ : only.blocksDown;
    for (Component* c : inScan_) c->predictor = 0;
    long long untilRestart = restartInterval_;
    int nextRestart = 0;
    for (long long y = 0; y < down; ++y) {
      for (long long x = 0; x < across; ++x) {
        if (restartInterval_ && untilRestart-- == 0) {
          if (bits.Overran() || bits.EndMarker() != 0xD0 + nextRestart) return -2;
          nextRestart = (nextRestart + 1) & 7;
          untilRestart = restartInterval_ - 1;
          for (Component* c : inScan_) c->predictor = 0;
        }
        for (Component* c : inScan_) {
          const int blocksAcross = interleaved ? c->across : 1, blocksDown = interleaved ? c->down : 1;
          for (int by = 0; by < blocksDown; ++by)
            for (int bx = 0; bx < blocksAcross; ++bx) {
              const long long row = y * blocksDown + by, column = x * blocksAcross + bx;
              std::int16_t& dc = c->dc[std::size_t(row * c->stride + column)];
              if (refining_) {
                if (bits.Take(1)) dc = std::int16_t(dc | (1 << pointShift_));
                continue;
              }
              const int size = DecodeSymbol(dcTables_[std::size_t(c->dcTable)], bits);
              if (size < 0 || size > 15) return -2;
              c->predictor += size ? Extend(bits.Take(size), size) : 0;
              // Beyond any 8-bit picture's; also keeps the sums far from overflow.
              if (c->predictor > 0x7FFF || c->predictor < -0x7FFF) return -2;
              dc = std::int16_t(std::clamp(c->predictor * (1 << pointShift_), -0x8000, 0x7FFF));
            }
        }
      }
      // Data that ends early ends the scan at once, not after every block.
      if (bits.Overran()) return -2;
      if ((y & 255) == 255 && *progress_) (*progress_)();
    }
    if (bits.Overran()) return -2;
    for (Component* c : inScan_) c->lowBit = pointShift_;
    return bits.EndMarker();
  }

  // Passes over an AC scan's data; the marker after it, or -2 when the file ends first.
  static int SkipScan(Scanner& s) {
    for (;;) {
      const int marker = NextJpegMarker(s);
      if (marker < 0) return -2;
      if (marker < 0xD0 || marker > 0xD7) return marker;  // restart markers lie inside the data
    }
  }

  bool Complete() const {
    for (int c = 0; c < componentCount_; ++c)
      if (components_[std::size_t(c)].lowBit != 0) return false;
    return true;
  }

  // A block's one sample at an eighth: its DC value stepped up and shifted,
  // as a decoder's one-point transform gives it.
  static int Sample(const Component& c, long long x, long long y) {
    const int dc = c.dc[std::size_t(y * c.stride + x)] * c.quant;
    return Clamp(((dc + 4) >> 3) + 128);
  }

  Outcome Emit(Bitmap& out) {
    const int width = (width_ + 7) / 8, height = (height_ + 7) / 8;
    Squeeze squeeze(width, height, out.Width(), out.Height(), out.Data(), std::size_t(out.Width()),
                    *progress_);
    if (!squeeze.Valid()) return Outcome::Damaged;
    // Three components are YCbCr unless the file says RGB, as decoders guess.
    const bool rgb = componentCount_ == 3 &&
                     (jfif_ ? false
                      : adobeTransform_ >= 0
                          ? adobeTransform_ == 0
                          : components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B');
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        int v[kMaxComponents] = {};
        for (int c = 0; c < componentCount_; ++c) {
          const Component& component = components_[std::size_t(c)];
          // Subsampled chroma is repeated, as decoders do at this scale.
          v[c] = Sample(component, x / (maxAcross_ / component.across), y / (maxDown_ / component.down));
        }
        int r = v[0], g = v[0], b = v[0];
        if (componentCount_ == 3 && rgb) {
          g = v[1], b = v[2];
        } else if (componentCount_ == 3) {
          // The decoders' fixed-point YCbCr, 16 bits after the point.
          const int cb = v[1] - 128, cr = v[2] - 128;
          r = v[0] + ((91881 * cr + 32768) >> 16);
          g = v[0] + ((-22554 * cb - 46802 * cr + 32768) >> 16);
          b = v[0] + ((116130 * cb + 32768) >> 16);
        }
        row[std::size_t(x)] =
            0xFF000000u | std::uint32_t(Clamp(r)) << 16 | std::uint32_t(Clamp(g)) << 8 | Clamp(b);
      }
      squeeze.AddRow(row.data());
    }
    return squeeze.Complete() ? Outcome::Ok : Outcome::Damaged;
  }

  ByteSource& source_;
  const Progress* progress_ = nullptr;
  int width_ = 0, height_ = 0;
  int componentCount_ = 0;
  int maxAcross_ = 1, maxDown_ = 1;
  int mcusAcross_ = 0, mcusDown_ = 0;
  std::array<Component, kMaxComponents> components_;
  std::array<HuffmanTable, 4> dcTables_;
  std::array<int, 4> quant_{};
  std::array<bool, 4> quantDefined_{};
  bool decoding_ = false;
  int restartInterval_ = 0;
  bool jfif_ = false;
  int adobeTransform_ = -1;
  std::vector<Component*> inScan_;
  bool refining_ = false;
  int pointShift_ = 0;
};

}  // namespace

std::unique_ptr<FrameReader> OpenJpegEighth(ByteSource& source) {
  return std::make_unique<JpegEighthReader>(source);
}

}  // namespace mirel::picture
