#pragma once
// The items of a HEIF file's meta box, read as the library reads them: which
// is the primary one, each item's type and where its data lies, which images a
// derived image is built from, and each item's properties; and the walk from
// the primary image down to every image it is decoded from.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "ByteSource.h"
#include "HeifBoxes.h"


namespace mirel::picture {

struct Location {
  std::uint64_t method = 0;  // 0: in the file, 1: in the item data box
  std::uint64_t base = 0;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // offset, length
};

struct Items {
  Items() = default;
  Items(Items&&) = default;
  Items& operator=(Items&&) = default;
  // The spans below point into `meta`; a copy would leave them behind.
  Items(const Items&) = delete;
  Items& operator=(const Items&) = delete;

  std::vector<std::uint8_t> meta;  // the meta box's body
  std::optional<std::uint64_t> primary;
  std::map<std::uint64_t, std::uint32_t> types;
  std::map<std::uint64_t, Location> locations;
  std::map<std::uint64_t, std::vector<std::uint64_t>> inputs;  // derived image -> its images
  Span data;                                                   // the item data box
  // Alpha planes and depth maps: image -> the images that belong to it.
  std::map<std::uint64_t, std::vector<std::uint64_t>> auxiliaries;
  std::vector<std::pair<std::uint32_t, Span>> properties;            // type and body, in order
  std::map<std::uint64_t, std::vector<std::uint64_t>> associations;  // item -> its properties, from 1
  bool propertiesOk = true;  // false when the associations could not all be read
};

// Nothing when the file has no meta box that can be walked, no primary item,
// or more items than any photo.
std::optional<Items> ReadItems(ByteSource& source);

// An item's data as one run of bytes, wherever its extents lie. An extent
// that runs past the end of its data is cut there.
class ItemData {
 public:
  ItemData(ByteSource& source, const Items& items, const Location& where);
  // False when an extent starts outside its data, or the data is built from
  // other items (no picture of ours uses that).
  bool Ok() const { return ok_; }
  std::uint64_t Size() const { return size_; }
  // `count` bytes from `at`; false when they run past the end.
  bool Read(std::uint64_t at, std::uint8_t* out, std::size_t count);

 private:
  struct Piece {
    std::uint64_t at;    // where it starts in the item's data
    std::uint64_t from;  // where it starts in the file or in the item data box
    std::uint64_t size;
  };
  ByteSource& source_;
  Span box_;  // the item data box, when the data lies there
  bool inFile_ = true;
  std::vector<Piece> pieces_;
  std::uint64_t size_ = 0;
  bool ok_ = true;
};

// The first `want` bytes of an item's data (fewer if it is shorter), gathered
// over its extents; nothing when one of those starts outside its data.
std::optional<std::vector<std::uint8_t>> ItemStart(ByteSource& source, const Items& items,
                                                   const Location& where, std::size_t want);

// What a walk does after visiting an item: go on to the images it is built
// from, pass them by, or stop and refuse the file.
enum class Step { Down, Past, Refuse };

// Visits each item once, from the primary one down the images each is built
// from and, with `auxiliaries`, its alpha planes and depth maps. False when
// `visit` refused one, or the walk would visit more items, or go further
// down, than a photo does.
bool WalkFromPrimary(const Items& items, bool auxiliaries,
                     const std::function<Step(std::uint64_t id)>& visit);

}  // namespace mirel::picture
