// The walk from the primary image down its derivations, reading each derived
// image's canvas from its item data.

#include "HeifCanvas.h"

#include <QIODevice>

#include <cstdint>
#include <set>
#include <vector>

#include "HeifItems.h"

namespace mirel::picture {

namespace {

// Derived images are few; a file that asks for more is not a photo.
constexpr std::size_t kMaxVisits = 4096;

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
  const std::optional<Items> items = ReadItems(device);
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
