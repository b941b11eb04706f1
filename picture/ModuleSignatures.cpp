// The signatures of the formats the decoder module reads, recognised here in
// the program: the module is loaded only to decode a file one of these claims.

#include <QByteArray>

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace mirel::picture {

namespace {

// The brands of the file type box at the file's start.
std::vector<std::string_view> Brands(const QByteArray& head) {
  std::vector<std::string_view> brands;
  if (head.size() < 16 || head.mid(4, 4) != "ftyp") return brands;
  const auto* p = reinterpret_cast<const unsigned char*>(head.constData());
  const qint64 boxSize = qint64(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
  const qint64 end = std::min<qint64>(boxSize, head.size());
  brands.emplace_back(head.constData() + 8, 4);
  for (qint64 at = 16; at + 4 <= end; at += 4) brands.emplace_back(head.constData() + at, 4);
  return brands;
}

bool HasBrand(const QByteArray& head, std::initializer_list<std::string_view> wanted) {
  for (std::string_view brand : Brands(head))
    if (std::find(wanted.begin(), wanted.end(), brand) != wanted.end()) return true;
  return false;
}

}  // namespace

bool IsWebp(const QByteArray& head) { return head.startsWith("RIFF") && head.mid(8, 4) == "WEBP"; }

bool IsAvif(const QByteArray& head) { return HasBrand(head, {"avif", "avis"}); }

bool IsHeic(const QByteArray& head) {
  return !IsAvif(head) && HasBrand(head, {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"});
}

bool IsTiff(const QByteArray& head) {
  return head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4)) ||
         head.startsWith(QByteArray("II+\0", 4)) || head.startsWith(QByteArray("MM\0+", 4));
}

}  // namespace mirel::picture
