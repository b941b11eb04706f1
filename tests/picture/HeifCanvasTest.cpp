// The canvas walk over hand-built HEIF boxes: which size the library would
// allocate before decoding, for each way a primary image can be derived.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSize>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "picture/plain/HeifCanvas.h"
#include "picture/plain/MemorySource.h"

namespace mirel::picture {
namespace {

QByteArray Be(std::uint64_t value, int bytes) {
  QByteArray out;
  for (int i = bytes - 1; i >= 0; --i) out += char((value >> (8 * i)) & 0xFF);
  return out;
}

QByteArray Box(const char* type, const QByteArray& body) {
  return Be(std::uint64_t(body.size()) + 8, 4) + type + body;
}
QByteArray FullBox(const char* type, int version, const QByteArray& body) {
  return Box(type, Be(std::uint64_t(version), 1) + Be(0, 3) + body);
}

struct Item {
  int id;
  const char* type;
  QByteArray data;  // kept in the item data box
};

// A file whose primary image is `primary`; `inputs` are (from, to) derivation
// references, one reference box for each from, as the library reads only the first.
QByteArray File(int primary, const std::vector<Item>& items, const std::vector<std::pair<int, int>>& inputs) {
  QByteArray infe, iloc, idat, iref;
  for (const Item& item : items) {
    infe += FullBox("infe", 2, Be(std::uint64_t(item.id), 2) + Be(0, 2) + item.type + QByteArray(1, '\0'));
    // Version 1: construction method 1 (the item data box), 4-byte offsets and lengths, no base.
    iloc += Be(std::uint64_t(item.id), 2) + Be(1, 2) + Be(0, 2) + Be(1, 2) +
            Be(std::uint64_t(idat.size()), 4) + Be(std::uint64_t(item.data.size()), 4);
    idat += item.data;
  }
  std::map<int, std::vector<int>> to;
  for (const auto& [from, input] : inputs) to[from].push_back(input);
  for (const auto& [from, list] : to) {
    QByteArray ids;
    for (int id : list) ids += Be(std::uint64_t(id), 2);
    iref += Box("dimg", Be(std::uint64_t(from), 2) + Be(list.size(), 2) + ids);
  }
  const QByteArray meta = FullBox(
      "meta", 0,
      FullBox("pitm", 0, Be(std::uint64_t(primary), 2)) + FullBox("iinf", 0, Be(items.size(), 2) + infe) +
          FullBox("iloc", 1, Be(0x44, 1) + Be(0, 1) + Be(items.size(), 2) + iloc) + Box("idat", idat) +
          FullBox("iref", 0, iref));
  return Box("ftyp", QByteArray("heic\0\0\0\0mif1", 12)) + meta + Box("mdat", "tile");
}

// The canvas as a size, an invalid one for a coded image.
std::optional<QSize> Walk(const QByteArray& file) {
  picture::MemorySource source({reinterpret_cast<const unsigned char*>(file.constData()), std::size_t(file.size())});
  const std::optional<picture::Frame> canvas = DeclaredCanvas(source);
  if (!canvas) return std::nullopt;
  if (canvas->width * canvas->height == 0) return QSize();
  return QSize(int(canvas->width), int(canvas->height));
}

QByteArray Grid(int flags, std::uint64_t w, std::uint64_t h) {
  const int field = (flags & 1) ? 4 : 2;
  return Be(0, 1) + Be(std::uint64_t(flags), 1) + Be(0, 2) + Be(w, field) + Be(h, field);
}
QByteArray Overlay(std::uint64_t w, std::uint64_t h) { return Be(0, 2) + Be(0, 8) + Be(w, 2) + Be(h, 2); }

TEST(HeifCanvas, FindsTheCanvasEveryDerivationDeclares) {
  const Item tile{1, "hvc1", "x"};
  EXPECT_EQ(Walk(File(1, {tile}, {})), QSize());
  EXPECT_EQ(Walk(File(2, {tile, {2, "grid", Grid(0, 640, 480)}}, {{2, 1}})), QSize(640, 480));
  EXPECT_EQ(Walk(File(2, {tile, {2, "grid", Grid(1, 70000, 3)}}, {{2, 1}})), QSize(70000, 3));
  EXPECT_EQ(Walk(File(2, {tile, {2, "iovl", Overlay(800, 600)}}, {{2, 1}})), QSize(800, 600));
  // An identity of a grid, and an overlay of a small grid and a large one: the largest counts.
  EXPECT_EQ(Walk(File(3, {tile, {2, "grid", Grid(0, 500, 400)}, {3, "iden", ""}}, {{3, 2}, {2, 1}})),
            QSize(500, 400));
  EXPECT_EQ(Walk(File(4,
                      {tile,
                       {2, "grid", Grid(0, 10, 10)},
                       {3, "grid", Grid(0, 9000, 9000)},
                       {4, "iovl", Overlay(20, 20)}},
                      {{4, 2}, {4, 3}, {2, 1}, {3, 1}})),
            QSize(9000, 9000));
  // An item listed twice is what the library keeps first: here a coded image, not the grid.
  EXPECT_EQ(Walk(File(1, {tile, {1, "grid", Grid(0, 9000, 9000)}}, {{1, 1}})), QSize());
}

TEST(HeifCanvas, SaysNothingWhenTheBoxesCannotBeWalked) {
  const Item tile{1, "hvc1", "x"};
  const QByteArray good = File(2, {tile, {2, "grid", Grid(0, 640, 480)}}, {{2, 1}});
  EXPECT_EQ(Walk(File(2, {tile, {2, "grid", Grid(0, 640, 480).left(5)}}, {{2, 1}})), std::nullopt);
  EXPECT_EQ(Walk(good.left(good.indexOf("idat"))), std::nullopt);
  EXPECT_EQ(Walk(QByteArray("not a picture at all")), std::nullopt);

  // An identity of an item that is no image stopped the library on an assertion,
  // also when the reference's box size overran its parent (the library reads on).
  QByteArray iden = File(2, {tile, {2, "iden", ""}}, {{2, 9}});
  EXPECT_EQ(Walk(iden), std::nullopt);
  iden.replace(iden.indexOf("dimg") - 4, 4, Be(0xF6FFFF0D, 4));
  EXPECT_EQ(Walk(iden), std::nullopt);
}

// Guards: a chain of 4,094 identities, or tens of thousands of items, cost
// the library gigabytes or seconds before it decoded a tile.
TEST(HeifCanvas, RefusesChainsAndItemCountsNoPhotoHas) {
  const auto chain = [](int depth) {
    std::vector<Item> items{{1, "hvc1", "x"}};
    std::vector<std::pair<int, int>> inputs;
    for (int id = 2; id <= depth + 1; ++id) {
      items.push_back({id, "iden", ""});
      inputs.emplace_back(id, id - 1);
    }
    return File(depth + 1, items, inputs);
  };
  EXPECT_NE(Walk(chain(16)), std::nullopt);
  EXPECT_EQ(Walk(chain(17)), std::nullopt);
  std::vector<Item> many{{1, "hvc1", "x"}};
  for (int id = 2; id <= 5000; ++id) many.push_back({id, "Exif", ""});
  EXPECT_EQ(Walk(File(1, many, {})), std::nullopt);
}

}  // namespace
}  // namespace mirel::picture
