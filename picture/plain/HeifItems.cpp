// Only the boxes that lead to the images' descriptions are read: the top level
// as far as the meta box, and inside it the primary item, the item types and
// locations, the item data box, the derivation and auxiliary references and
// the item properties.

#include "HeifItems.h"

#include <algorithm>
#include <set>

namespace mirel::picture {

namespace {

// Real meta boxes take a few kilobytes, even with a hundred tiles.
constexpr long long kMaxMetaBytes = 16LL << 20;
// Items have an extent or two; a file that asks for more is not a photo. (An
// extent may take no bytes at all, so the meta box's size alone does not
// bound them.)
constexpr std::size_t kMaxExtents = 1 << 16;
// A few properties an item; a file with more is not a photo.
constexpr std::size_t kMaxAssociations = 1 << 18;
// A phone's photo is a grid of a few hundred tiles at most, with its
// thumbnail, Exif and depth map; the library parses every item of a file
// before it decodes one, so a file of tens of thousands costs seconds.
constexpr std::size_t kMaxItems = 4096;

std::optional<std::vector<std::uint8_t>> ReadMeta(ByteSource& source) {
  const long long end = source.Size();
  long long at = 0;
  while (end - at >= 8) {
    std::uint8_t head[16] = {};
    if (!source.Seek(at)) return std::nullopt;
    const long long got = source.Read(head, std::min<long long>(16, end - at));
    Span h(head, std::size_t(std::max<long long>(got, 0)));
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
      const long long body = static_cast<long long>(size - header);
      if (body > kMaxMetaBytes || !source.Seek(at + static_cast<long long>(header))) return std::nullopt;
      std::vector<std::uint8_t> meta(static_cast<std::size_t>(body));
      if (source.Read(meta.data(), body) != body) return std::nullopt;
      return meta;
    }
    at += static_cast<long long>(size);
  }
  return std::nullopt;
}

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
    if (box.Ok() && type == Tag("auxl"))
      for (std::uint64_t image : to) items.auxiliaries[image].push_back(from);
  }
  return box.Ok();
}

// The library takes the first property container; the associations of every
// association box are kept, so that none the library might use is missed.
bool ReadProperties(Span iprp, Items& items) {
  std::uint32_t type;
  Span box;
  bool container = false;
  std::size_t associations = 0;
  while (NextBox(iprp, type, box)) {
    if (type == Tag("ipco") && !container) {
      container = true;
      std::uint32_t propertyType;
      Span property;
      while (NextBox(box, propertyType, property)) items.properties.emplace_back(propertyType, property);
    } else if (type == Tag("ipma")) {
      const std::uint64_t version = box.Be(1);
      const bool wide = box.Be(3) & 1;
      const std::uint64_t count = box.Be(4);
      for (std::uint64_t i = 0; i < count && box.Ok(); ++i) {
        const std::uint64_t id = box.Be(version < 1 ? 2 : 4);
        const std::uint64_t n = box.Be(1);
        associations += std::size_t(n);
        if (associations > kMaxAssociations) return false;
        for (std::uint64_t a = 0; a < n && box.Ok(); ++a) {
          const std::uint64_t index = wide ? box.Be(2) & 0x7FFF : box.Be(1) & 0x7F;  // less the essential bit
          if (box.Ok() && index > 0) items.associations[id].push_back(index);
        }
      }
      if (!box.Ok()) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<Items> ReadItems(ByteSource& source) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadMeta(source);
  if (!bytes) return std::nullopt;
  Items items;
  items.meta = std::move(*bytes);
  Span meta(items.meta.data(), items.meta.size());
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
    } else if (type == Tag("iprp")) {
      items.propertiesOk = ReadProperties(box, items);
    }
  }
  if (!items.primary || items.types.size() > kMaxItems || items.locations.size() > kMaxItems)
    return std::nullopt;
  return items;
}

ItemData::ItemData(ByteSource& source, const Items& items, const Location& where)
    : source_(source), box_(items.data), inFile_(where.method == 0) {
  if (where.method > 1) {
    ok_ = false;
    return;
  }
  const std::uint64_t available = inFile_ ? std::uint64_t(std::max<long long>(source.Size(), 0)) : box_.Size();
  for (const auto& [offset, length] : where.extents) {
    if (offset > UINT64_MAX - where.base || where.base + offset >= available) {
      ok_ = false;
      return;
    }
    const std::uint64_t from = where.base + offset;
    const std::uint64_t size = length == 0 ? available - from : std::min(length, available - from);
    pieces_.push_back({size_, from, size});
    size_ += size;  // cannot overflow: each piece lies within the file
  }
}

bool ItemData::Read(std::uint64_t at, std::uint8_t* out, std::size_t count) {
  if (!ok_ || at > size_ || count > size_ - at) return false;
  if (count == 0) return true;
  // The last piece that starts at or before `at`; there is one, as the first starts at 0.
  auto piece = std::upper_bound(pieces_.begin(), pieces_.end(), at,
                                [](std::uint64_t a, const Piece& p) { return a < p.at; }) -
               1;
  while (count > 0) {
    if (at >= piece->at + piece->size) {
      ++piece;
      continue;
    }
    const std::uint64_t skip = at - piece->at;
    const std::size_t take = std::size_t(std::min<std::uint64_t>(count, piece->size - skip));
    if (inFile_) {
      if (!source_.Seek(static_cast<long long>(piece->from + skip)) ||
          source_.Read(out, static_cast<long long>(take)) != static_cast<long long>(take))
        return false;
    } else {
      std::copy_n(box_.Data() + piece->from + skip, take, out);
    }
    out += take, at += take, count -= take;
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> ItemStart(ByteSource& source, const Items& items,
                                                   const Location& where, std::size_t want) {
  ItemData data(source, items, where);
  if (!data.Ok()) return std::nullopt;
  std::vector<std::uint8_t> out(std::size_t(std::min<std::uint64_t>(want, data.Size())));
  if (!data.Read(0, out.data(), out.size())) return std::nullopt;
  return out;
}

bool WalkFromPrimary(const Items& items, bool auxiliaries,
                     const std::function<Step(std::uint64_t id)>& visit) {
  // Derived images are few, and built from coded ones a step or two down; a
  // file that asks for more is not a photo. The library follows a chain of
  // derivations by recursion, holding each level's canvas.
  constexpr std::size_t kMaxVisits = 4096;
  constexpr int kMaxDepth = 16;
  std::set<std::uint64_t> seen{*items.primary};
  std::vector<std::pair<std::uint64_t, int>> next{{*items.primary, 0}};
  while (!next.empty()) {
    const auto [id, depth] = next.back();
    next.pop_back();
    const Step step = visit(id);
    if (step == Step::Refuse) return false;
    if (step == Step::Past) continue;
    for (const auto* references : {&items.inputs, &items.auxiliaries}) {
      if (references == &items.auxiliaries && !auxiliaries) continue;
      const auto found = references->find(id);
      if (found == references->end()) continue;
      for (const std::uint64_t other : found->second) {
        if (!seen.insert(other).second) continue;
        if (seen.size() > kMaxVisits || depth + 1 > kMaxDepth) return false;
        next.emplace_back(other, depth + 1);
      }
    }
  }
  return true;
}

}  // namespace mirel::picture
