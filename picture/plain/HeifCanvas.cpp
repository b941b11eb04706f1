// The walk from the primary image down its derivations, reading each derived
// image's canvas from its item data.

#include "HeifCanvas.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "HeifFrames.h"
#include "HeifItems.h"
#include "picture/PictureLimits.h"

namespace mirel::picture {

namespace {

// The item types the library makes images of.
bool IsImage(const Items& items, std::uint64_t id) {
  const auto type = items.types.find(id);
  if (type == items.types.end()) return false;
  for (const std::uint32_t image : {Tag("hvc1"), Tag("av01"), Tag("vvc1"), Tag("grid"), Tag("iden"), Tag("iovl")})
    if (type->second == image) return true;
  return false;
}

// The canvas a grid or an overlay declares in its item data.
std::optional<Frame> CanvasOf(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  Span d(data.data(), data.size());
  d.Be(1);  // version
  const std::uint64_t flags = d.Be(1);
  d.Be(type == Tag("grid") ? 2 : 8);  // rows and columns, or the fill colour
  const std::uint64_t fieldBytes = (flags & 1) ? 4 : 2;
  const std::uint64_t width = d.Be(fieldBytes), height = d.Be(fieldBytes);
  if (!d.Ok()) return std::nullopt;
  constexpr std::uint64_t kHuge = 1 << 30;
  return Frame{std::min(width, kHuge), std::min(height, kHuge)};
}

}  // namespace

std::optional<Frame> DeclaredCanvas(ByteSource& source) {
  const std::optional<Items> items = ReadItems(source);
  if (!items) return std::nullopt;

  // Every derived image the primary one is built from is allocated in turn;
  // the largest canvas among them is the one that counts.
  Frame largest;
  const bool walked = WalkFromPrimary(*items, false, [&](std::uint64_t id) {
    const auto type = items->types.find(id);
    if (type == items->types.end()) return Step::Past;  // the library refuses it
    const bool grid = type->second == Tag("grid"), overlay = type->second == Tag("iovl");
    if (!grid && !overlay && type->second != Tag("iden")) return Step::Past;  // a coded image
    if (grid || overlay) {
      const auto where = items->locations.find(id);
      if (where == items->locations.end()) return Step::Refuse;
      const std::optional<std::vector<std::uint8_t>> data = ItemStart(source, *items, where->second, 20);
      if (!data) return Step::Refuse;
      const std::optional<Frame> canvas = CanvasOf(type->second, *data);
      if (!canvas) return Step::Refuse;
      if (canvas->width * canvas->height > largest.width * largest.height || largest.width * largest.height == 0)
        largest = *canvas;
    }
    // The library decodes an identity's or an overlay's input without asking
    // whether it is an image, and stops the program on an assertion if not.
    const auto inputs = items->inputs.find(id);
    if (inputs != items->inputs.end())
      for (const std::uint64_t input : inputs->second)
        if (!IsImage(*items, input)) return Step::Refuse;
    return Step::Down;
  });
  if (!walked) return std::nullopt;
  return largest;
}

Outcome HeifFits(ByteSource& source) {
  const std::optional<Frame> canvas = DeclaredCanvas(source);
  if (!canvas || !CodedFramesFit(source)) return Outcome::Damaged;
  // The decoder's planes and a copy of them, twice while it converts, at 8 bits.
  constexpr long long kBytesPerPixel = 16;
  const std::uint64_t pixels = std::min<std::uint64_t>(canvas->width * canvas->height, 1ULL << 40);
  return static_cast<long long>(pixels) * kBytesPerPixel > kPictureMemoryBudget ? Outcome::TooLarge : Outcome::Ok;
}

}  // namespace mirel::picture
