// Every header that declares a frame size is read wherever the decoder would
// meet it: in the codec configuration and in the item's own data, which may
// carry another. The decoder keeps the last one it is given; each must fit.

#include "HeifFrames.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "CodedFrame.h"
#include "HeifItems.h"

namespace mirel::picture {

namespace {

// NAL units or OBUs looked at in all: an image has a handful, so this bounds
// only the time a file of empty ones could take.
constexpr std::size_t kMaxUnits = 1 << 16;
// The fields read lie in the first few hundred bytes of a header.
constexpr std::size_t kHeaderBytes = 512;
// HEVC rounds a picture up to whole coding blocks, of up to 64 pixels a
// side, and crops the rest away when decoding; so a frame may pass its size
// record by less than a block. AV1 codes any size; its decoders work in
// 8-pixel blocks, and that slack is left to encoders.
constexpr std::uint64_t kHevcBlock = 64, kAv1Block = 8;
constexpr int kHevcSps = 33;
constexpr int kAv1SequenceHeader = 1;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t block) {
  return (value + block - 1) / block * block;
}

class Image {
 public:
  Image(Frame allowed, std::size_t& units) : allowed_(allowed), units_(units) {}

  // The parameter sets of a HEVC configuration, each with a 16-bit length.
  bool HevcConfigFits(Span config) {
    config.Take(22);  // profile, level, chroma and bit depths, frame rate, length size
    const std::uint64_t arrays = config.Be(1);
    for (std::uint64_t i = 0; i < arrays && config.Ok(); ++i) {
      config.Be(1);  // the array's NAL unit type; the units themselves say it
      const std::uint64_t count = config.Be(2);
      for (std::uint64_t n = 0; n < count && config.Ok(); ++n) {
        const Span nal = config.Take(config.Be(2));
        if (!config.Ok() || !Counted() || !NalFits(nal.Data(), nal.Size())) return false;
      }
    }
    return config.Ok();
  }

  // HEVC data: NAL units behind 4-byte lengths, as the library hands them on.
  bool HevcDataFits(ItemData& data) {
    std::uint64_t at = 0;
    while (at < data.Size()) {
      std::uint8_t length[4];
      if (!Counted() || !data.Read(at, length, 4)) return false;
      const std::uint64_t size = std::uint64_t(length[0]) << 24 | std::uint64_t(length[1]) << 16 |
                                 std::uint64_t(length[2]) << 8 | length[3];
      at += 4;
      if (size > data.Size() - at) return false;
      std::uint8_t head[kHeaderBytes];
      const std::size_t take = std::size_t(std::min<std::uint64_t>(size, kHeaderBytes));
      if (take >= 2 && (!data.Read(at, head, 2) || (IsSps(head) && !data.Read(at, head, take)))) return false;
      if (!NalFits(head, take)) return false;
      at += size;
    }
    return true;
  }

  // AV1 OBUs, each with its own size or running to the end.
  template <class Read>
  bool ObusFit(std::uint64_t size, Read read) {
    std::uint64_t at = 0;
    while (at < size) {
      std::uint8_t header;
      if (!Counted() || !read(at, &header, 1)) return false;
      at += 1 + ((header >> 2) & 1);  // the extension byte, if any
      std::uint64_t length = size - std::min(at, size);
      if (header & 2) {
        length = 0;
        std::uint8_t byte = 0x80;
        for (int i = 0; i < 8 && (byte & 0x80); ++i) {
          if (!read(at++, &byte, 1)) return false;
          length |= std::uint64_t(byte & 0x7F) << (7 * i);
        }
        if ((byte & 0x80) || length > UINT32_MAX) return false;  // as the decoder refuses it
      }
      if (at > size || length > size - at) return false;
      if (((header >> 3) & 15) == kAv1SequenceHeader) {
        std::uint8_t head[kHeaderBytes];
        const std::size_t take = std::size_t(std::min<std::uint64_t>(length, kHeaderBytes));
        if (!read(at, head, take)) return false;
        const std::optional<Frame> frame = Av1SequenceFrame(head, take);
        if (!frame || !Fits(*frame)) return false;
      }
      at += length;
    }
    return true;
  }

 private:
  static bool IsSps(const std::uint8_t* nal) { return ((nal[0] >> 1) & 0x3F) == kHevcSps; }
  bool NalFits(const std::uint8_t* nal, std::size_t size) {
    if (size < 2 || !IsSps(nal)) return true;
    const std::optional<Frame> frame = HevcSpsFrame(nal, std::min(size, kHeaderBytes));
    return frame && Fits(*frame);
  }
  bool Fits(Frame frame) const { return frame.width <= allowed_.width && frame.height <= allowed_.height; }
  bool Counted() { return ++units_ <= kMaxUnits; }

  Frame allowed_;
  std::size_t& units_;
};

bool CodedImageFits(ByteSource& source, const Items& items, std::uint64_t id, bool hevc, std::size_t& units) {
  // Every size record and configuration the item has: should it have more
  // than one, the frame must fit the smallest.
  std::optional<Frame> record;
  std::vector<Span> configs;
  const auto associated = items.associations.find(id);
  if (associated != items.associations.end()) {
    for (const std::uint64_t index : associated->second) {
      if (index > items.properties.size()) return false;  // the library refuses it too
      const auto& [type, body] = items.properties[InMemory(index - 1)];
      if (type == Tag("ispe")) {
        Span ispe = body;
        ispe.Be(4);  // version and flags
        const std::uint64_t width = ispe.Be(4), height = ispe.Be(4);
        if (!ispe.Ok()) return false;
        record = Frame{std::min(width, record ? record->width : width),
                       std::min(height, record ? record->height : height)};
      } else if (type == (hevc ? Tag("hvcC") : Tag("av1C"))) {
        configs.push_back(body);
      }
    }
  }
  if (!record) return false;  // no record to hold the frame to
  const std::uint64_t block = hevc ? kHevcBlock : kAv1Block;
  Image image(Frame{RoundUp(record->width, block), RoundUp(record->height, block)}, units);

  for (Span config : configs) {
    if (hevc && !image.HevcConfigFits(config)) return false;
    if (!hevc) {
      config.Take(4);  // version, profile, level and sampling, before the OBUs
      const Span obus = config.Take(config.Left());
      const bool fits =
          obus.Ok() && image.ObusFit(obus.Size(), [&](std::uint64_t at, std::uint8_t* out, std::size_t n) {
            if (at > obus.Size() || n > obus.Size() - at) return false;
            std::copy_n(obus.Data() + at, n, out);
            return true;
          });
      if (!fits) return false;
    }
  }

  const auto where = items.locations.find(id);
  if (where == items.locations.end()) return false;  // no data to decode
  ItemData data(source, items, where->second);
  if (!data.Ok()) return false;
  if (hevc) return image.HevcDataFits(data);
  return image.ObusFit(
      data.Size(), [&](std::uint64_t at, std::uint8_t* out, std::size_t n) { return data.Read(at, out, n); });
}

}  // namespace

bool CodedFramesFit(ByteSource& source) {
  const std::optional<Items> items = ReadItems(source);
  if (!items || !items->propertiesOk) return false;
  std::size_t units = 0;
  return WalkFromPrimary(*items, true, [&](std::uint64_t id) {
    const auto type = items->types.find(id);
    if (type == items->types.end() || (type->second != Tag("hvc1") && type->second != Tag("av01")))
      return Step::Down;
    return CodedImageFits(source, *items, id, type->second == Tag("hvc1"), units) ? Step::Down : Step::Refuse;
  });
}

}  // namespace mirel::picture
