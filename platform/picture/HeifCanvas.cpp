// Only the boxes that lead to the images' descriptions are read: the top level
// as far as the meta box, and inside it the primary item, the item types and
// locations, the item data box and the derivation references.

#include "HeifCanvas.h"

#include <QIODevice>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace mirel::picture {

namespace {

constexpr std::uint32_t Tag(const char (&t)[5]) {
  return std::uint32_t(std::uint8_t(t[0])) << 24 | std::uint32_t(std::uint8_t(t[1])) << 16 |
         std::uint32_t(std::uint8_t(t[2])) << 8 | std::uint8_t(t[3]);
}

// Real meta boxes take a few kilobytes, even with a hundred tiles.
constexpr qint64 kMaxMetaBytes = qint64(16) << 20;
// Derived images are few and items have an extent or two; a file that asks
// for more is not a photo. (An extent may take no bytes at all, so the meta
// box's size alone does not bound them.)
constexpr std::size_t kMaxVisits = 4096;
constexpr std::size_t kMaxExtents = 1 << 16;

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
    const Span part(data_ + at_, std::size_t(bytes));
    at_ += std::size_t(bytes);
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
bool NextBox(Span& in, std::uint32_t& type, Span& body) {
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

std::optional<std::vector<std::uint8_t>> ReadMeta(QIODevice& device) {
  const qint64 end = device.size();
  qint64 at = 0;
  while (end - at >= 8) {
    std::uint8_t head[16] = {};
    if (!device.seek(at)) return std::nullopt;
    const qint64 got = device.read(reinterpret_cast<char*>(head), qint64(std::min<qint64>(16, end - at)));
    Span h(head, std::size_t(std::max<qint64>(got, 0)));
    std::uint64_t size = h.Be(4);
    const std::uint32_t type = std::uint32_t(h.Be(4));
    std::uint64_t header = 8;
    if (size == 1) {
      size = h.Be(8);
      header = 16;
    } else if (size == 0) {
      size = std::uint64_t(end - at);
    }
    if (!h.Ok() || size < header || size > std::uint64_t(end - at)) return std::nullopt;
    if (type == Tag("meta")) {
      const qint64 body = qint64(size - header);
      if (body > kMaxMetaBytes || !device.seek(at + qint64(header))) return std::nullopt;
      std::vector<std::uint8_t> meta(static_cast<std::size_t>(body));
      if (device.read(reinterpret_cast<char*>(meta.data()), body) != body) return std::nullopt;
      return meta;
    }
    at += qint64(size);
  }
  return std::nullopt;
}

struct Location {
  std::uint64_t method = 0;  // 0: in the file, 1: in the item data box
  std::uint64_t base = 0;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // offset, length
};

struct Items {
  std::optional<std::uint64_t> primary;
  std::map<std::uint64_t, std::uint32_t> types;
  std::map<std::uint64_t, Location> locations;
  std::map<std::uint64_t, std::vector<std::uint64_t>> inputs;  // derived image -> its images
  Span data;                                                   // the item data box
};

void ReadTypes(Span box, Items& items) {
  const std::uint64_t version = box.Be(1);
  box.Be(3);
  box.Be(version == 0 ? 2 : 4);  // the entry count; the boxes themselves say it
  std::uint32_t type;
  Span entry;
  while (NextBox(box, type, entry)) {
    if (type != Tag("infe")) continue;
    const std::uint64_t v = entry.Be(1);
    entry.Be(3);
    const std::uint64_t id = entry.Be(v <= 2 ? 2 : 4);
    entry.Be(2);
    // Older entries name no item type, so they are no image. The first entry
    // for an item is the one the library keeps.
    const std::uint32_t itemType = v < 2 ? 0 : std::uint32_t(entry.Be(4));
    if (entry.Ok()) items.types.emplace(id, itemType);
  }
}

bool ReadLocations(Span box, Items& items) {
  const std::uint64_t version = box.Be(1);
  box.Be(3);
  const std::uint64_t sizes = box.Be(1), more = box.Be(1);
  const std::uint64_t offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = more >> 4;
  const std::uint64_t indexSize = version == 1 || version == 2 ? more & 15 : 0;
  const std::uint64_t count = box.Be(version < 2 ? 2 : 4);
  std::size_t extentsRead = 0;
  for (std::uint64_t i = 0; i < count && box.Ok(); ++i) {
    const std::uint64_t id = box.Be(version < 2 ? 2 : 4);
    Location location;
    if (version == 1 || version == 2) location.method = box.Be(2) & 15;
    box.Be(2);  // the data reference
    location.base = box.Be(baseSize);
    const std::uint64_t extents = box.Be(2);
    extentsRead += std::size_t(extents);
    if (extentsRead > kMaxExtents) return false;
    for (std::uint64_t e = 0; e < extents && box.Ok(); ++e) {
      box.Be(indexSize);
      const std::uint64_t offset = box.Be(offsetSize);
      location.extents.emplace_back(offset, box.Be(lengthSize));
    }
    items.locations[id] = std::move(location);
  }
  return box.Ok();
}

// Read as the library reads them: a reference's own box size is ignored, and
// its list ends early where the reference box ends. Anything else would walk
// other references than the ones the library decodes.
bool ReadInputs(Span box, Items& items) {
  const std::uint64_t idBytes = box.Be(1) == 0 ? 2 : 4;
  box.Be(3);
  while (box.Ok() && box.Left() > 0) {
    const std::uint64_t size = box.Be(4);
    const std::uint32_t type = std::uint32_t(box.Be(4));
    if (size == 1) box.Be(8);
    if (type == Tag("uuid")) box.Take(16);
    const std::uint64_t from = box.Be(idBytes);
    const std::uint64_t count = box.Be(2);
    std::vector<std::uint64_t> to;
    for (std::uint64_t i = 0; i < count && box.Ok(); ++i) {
      to.push_back(box.Be(idBytes));
      if (box.Left() == 0) break;
    }
    if (box.Ok() && type == Tag("dimg")) items.inputs.emplace(from, std::move(to));
  }
  return box.Ok();
}

std::optional<Items> ReadItems(Span meta) {
  Items items;
  meta.Be(4);  // version and flags
  std::uint32_t type;
  Span box;
  std::set<std::uint32_t> read;  // the library takes the first box of each type
  while (NextBox(meta, type, box)) {
    if (!read.insert(type).second) continue;
    if (type == Tag("pitm")) {
      const std::uint64_t version = box.Be(1);
      box.Be(3);
      const std::uint64_t id = box.Be(version == 0 ? 2 : 4);
      if (box.Ok()) items.primary = id;
    } else if (type == Tag("iinf")) {
      ReadTypes(box, items);
    } else if (type == Tag("iloc")) {
      if (!ReadLocations(box, items)) return std::nullopt;
    } else if (type == Tag("idat")) {
      items.data = box;
    } else if (type == Tag("iref")) {
      if (!ReadInputs(box, items)) return std::nullopt;
    }
  }
  if (!items.primary) return std::nullopt;
  return items;
}

// The first bytes of an item's data, gathered over its extents.
std::optional<std::vector<std::uint8_t>> ItemStart(QIODevice& device, const Items& items,
                                                   const Location& where, std::size_t want) {
  std::vector<std::uint8_t> out;
  for (const auto& [offset, length] : where.extents) {
    if (out.size() >= want) break;
    if (offset > UINT64_MAX - where.base) return std::nullopt;
    const std::uint64_t from = where.base + offset;
    if (where.method == 0) {
      const std::uint64_t fileSize = std::uint64_t(device.size());
      if (from >= fileSize) return std::nullopt;
      const std::uint64_t available = length == 0 ? fileSize - from : std::min(length, fileSize - from);
      const qint64 take = qint64(std::min<std::uint64_t>(available, want - out.size()));
      const std::size_t had = out.size();
      out.resize(had + std::size_t(take));
      if (!device.seek(qint64(from)) || device.read(reinterpret_cast<char*>(out.data() + had), take) != take)
        return std::nullopt;
    } else if (where.method == 1) {
      const std::uint64_t size = items.data.Size();
      if (from >= size) return std::nullopt;
      const std::uint64_t available = length == 0 ? size - from : std::min(length, size - from);
      const std::uint8_t* start = items.data.Data() + from;
      out.insert(out.end(), start, start + std::min<std::uint64_t>(available, want - out.size()));
    } else {
      return std::nullopt;  // data built from other items: no picture of ours uses it
    }
  }
  return out;
}

// The item types the library makes images of.
bool IsImage(const Items& items, std::uint64_t id) {
  const auto type = items.types.find(id);
  if (type == items.types.end()) return false;
  for (const std::uint32_t image : {Tag("hvc1"), Tag("av01"), Tag("vvc1"), Tag("grid"), Tag("iden"), Tag("iovl")})
    if (type->second == image) return true;
  return false;
}

// The canvas a grid or an overlay declares in its item data.
std::optional<QSize> CanvasOf(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  Span d(data.data(), data.size());
  d.Be(1);  // version
  const std::uint64_t flags = d.Be(1);
  d.Be(type == Tag("grid") ? 2 : 8);  // rows and columns, or the fill colour
  const std::uint64_t fieldBytes = (flags & 1) ? 4 : 2;
  const std::uint64_t width = d.Be(fieldBytes), height = d.Be(fieldBytes);
  if (!d.Ok()) return std::nullopt;
  constexpr std::uint64_t kHuge = 1 << 30;
  return QSize(int(std::min(width, kHuge)), int(std::min(height, kHuge)));
}

}  // namespace

std::optional<QSize> DeclaredCanvas(QIODevice& device) {
  const std::optional<std::vector<std::uint8_t>> meta = ReadMeta(device);
  if (!meta) return std::nullopt;
  const std::optional<Items> items = ReadItems(Span(meta->data(), meta->size()));
  if (!items) return std::nullopt;

  // Every derived image the primary one is built from is allocated in turn;
  // the largest canvas among them is the one that counts.
  QSize largest;
  std::set<std::uint64_t> seen{*items->primary};
  std::vector<std::uint64_t> next{*items->primary};
  while (!next.empty()) {
    const std::uint64_t id = next.back();
    next.pop_back();
    const auto type = items->types.find(id);
    if (type == items->types.end()) continue;  // the library refuses it
    const bool grid = type->second == Tag("grid"), overlay = type->second == Tag("iovl");
    if (!grid && !overlay && type->second != Tag("iden")) continue;  // a coded image
    if (grid || overlay) {
      const auto where = items->locations.find(id);
      if (where == items->locations.end()) return std::nullopt;
      const std::optional<std::vector<std::uint8_t>> data = ItemStart(device, *items, where->second, 20);
      if (!data) return std::nullopt;
      const std::optional<QSize> canvas = CanvasOf(type->second, *data);
      if (!canvas) return std::nullopt;
      if (qint64(canvas->width()) * canvas->height() > qint64(largest.width()) * largest.height() ||
          largest.isEmpty())
        largest = *canvas;
    }
    const auto inputs = items->inputs.find(id);
    if (inputs == items->inputs.end()) continue;
    for (std::uint64_t input : inputs->second) {
      // The library decodes an identity's or an overlay's input without asking
      // whether it is an image, and stops the program on an assertion if not.
      if (!IsImage(*items, input)) return std::nullopt;
      if (!seen.insert(input).second) continue;
      if (seen.size() > kMaxVisits) return std::nullopt;
      next.push_back(input);
    }
  }
  return largest;
}

}  // namespace mirel::picture
