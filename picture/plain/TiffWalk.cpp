#include "TiffWalk.h"

#include <algorithm>
#include <iterator>

#include "Scanner.h"

namespace mirel::picture {

namespace {

// What decoding reads: the size, samples and compression, where the strips or
// tiles lie, palettes and colour conversions, the old JPEG form's tables and
// the fax options. Nothing else is shown.
constexpr std::uint16_t kDecodingTags[] = {
    254, 256, 257, 258, 259, 262, 266, 273, 274, 277, 278, 279, 280, 281, 284, 292, 293, 317, 320, 322, 323,
    324, 325, 332, 338, 339, 340, 341, 347, 512, 513, 514, 515, 517, 518, 519, 520, 521, 529, 530, 531, 532};

bool Decodes(std::uint32_t tag) {
  return std::binary_search(std::begin(kDecodingTags), std::end(kDecodingTags), tag);
}

}  // namespace

std::uint32_t TiffDirectory::U16(const std::uint8_t* p) const {
  return little ? std::uint32_t(U16le(p)) : U16be(p);
}
std::uint32_t TiffDirectory::U32(const std::uint8_t* p) const { return little ? U32le(p) : U32be(p); }

std::uint32_t TiffDirectory::Value(long long i) const {
  const std::uint8_t* entry = &entries[std::size_t(i * EntrySize())];
  const std::uint32_t type = U16(entry + 2);
  const std::uint8_t* value = entry + (big ? 12 : 8);
  return type == 3 ? U16(value) : type == 4 ? U32(value) : 0;
}

bool ReadTiffDirectory(ByteSource& source, TiffDirectory& directory) {
  std::uint8_t head[16];
  if (!ReadAt(source, 0, head, 8) || head[0] != head[1] || (head[0] != 'I' && head[0] != 'M')) return false;
  directory.little = head[0] == 'I';
  const auto u64 = [&directory](const std::uint8_t* p) {
    const std::uint64_t low = directory.U32(p + (directory.little ? 0 : 4));
    const std::uint64_t high = directory.U32(p + (directory.little ? 4 : 0));
    return high << 32 | low;
  };
  directory.big = directory.U16(head + 2) == 43;
  std::uint64_t at = directory.U32(head + 4);
  if (directory.big) {
    if (!ReadAt(source, 8, head + 8, 8)) return false;
    at = u64(head + 8);
  }
  std::uint8_t count[8];
  if (at > std::uint64_t(source.Size()) ||
      !ReadAt(source, static_cast<long long>(at), count, directory.big ? 8 : 2))
    return false;
  directory.at = static_cast<long long>(at);
  directory.count = directory.big ? static_cast<long long>(std::min<std::uint64_t>(u64(count), 65535))
                                  : static_cast<long long>(directory.U16(count));
  directory.entries.resize(std::size_t(directory.count * directory.EntrySize()));
  return directory.entries.empty() ||
         ReadAt(source, directory.at + (directory.big ? 8 : 2), directory.entries.data(),
                static_cast<long long>(directory.entries.size()));
}

std::string TrimmedTiffDirectory(const TiffDirectory& directory) {
  std::string kept;
  long long n = 0;
  for (long long i = 0; i < directory.count; ++i) {
    if (!Decodes(directory.Tag(i))) continue;
    const auto* entry =
        reinterpret_cast<const char*>(&directory.entries[std::size_t(i * directory.EntrySize())]);
    kept.append(entry, std::size_t(directory.EntrySize()));
    ++n;
  }
  // The count in the file's byte order, then the entries, then no next directory.
  std::string bytes(directory.big ? 8 : 2, '\0');
  for (std::size_t b = 0; b < 2; ++b)
    bytes[directory.little ? b : bytes.size() - 1 - b] = char(n >> (8 * b) & 0xFF);
  return bytes + kept + std::string(directory.big ? 8 : 4, '\0');
}

}  // namespace mirel::picture
