// The table of picture formats. Adding one is a row here, with its recogniser
// above the table and its Format, and its reader bound to that Format on each
// system (ReadersLinux.cpp, ReadersWindows.cpp): on Linux in its file of this
// folder, or in the decoder module with a row of the same name in the module's
// entry (ModuleEntry.cpp). The recogniser of a module format stays here all
// the same, so that the module is loaded only to decode a file of its own
// formats. The build asks the table for its shown names (tools/FormatFacts.cpp)
// for the metainfo and the manual pages.

#include "FormatTable.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "picture/plain/GifWalk.h"
#include "picture/plain/HeifCanvas.h"
#include "picture/plain/JpegEighth.h"
#include "picture/plain/JpegWalk.h"
#include "picture/plain/PngWalk.h"

namespace mirel::picture {

namespace {

// The brands of the file type box at the file's start.
std::vector<std::string_view> Brands(std::string_view head) {
  std::vector<std::string_view> brands;
  if (head.size() < 16 || head.substr(4, 4) != "ftyp") return brands;
  const auto* p = reinterpret_cast<const unsigned char*>(head.data());
  const std::uint64_t boxSize =
      std::uint64_t(p[0]) << 24 | std::uint64_t(p[1]) << 16 | std::uint64_t(p[2]) << 8 | std::uint64_t(p[3]);
  const std::size_t end = std::size_t(std::min<std::uint64_t>(boxSize, head.size()));
  brands.push_back(head.substr(8, 4));
  for (std::size_t at = 16; at + 4 <= end; at += 4) brands.push_back(head.substr(at, 4));
  return brands;
}

bool HasBrand(std::string_view head, std::initializer_list<std::string_view> wanted) {
  for (std::string_view brand : Brands(head))
    if (std::find(wanted.begin(), wanted.end(), brand) != wanted.end()) return true;
  return false;
}

bool IsBmp(std::string_view head) { return head.starts_with("BM"); }

bool IsGif(std::string_view head) { return head.starts_with("GIF87a") || head.starts_with("GIF89a"); }

bool IsJpeg(std::string_view head) { return head.starts_with("\xFF\xD8\xFF"); }

bool IsPng(std::string_view head) { return head.starts_with("\x89PNG\r\n\x1A\n"); }

bool IsWebp(std::string_view head) {
  return head.starts_with("RIFF") && head.substr(std::min<std::size_t>(8, head.size()), 4) == "WEBP";
}

bool IsAvif(std::string_view head) { return HasBrand(head, {"avif", "avis"}); }

bool IsHeic(std::string_view head) {
  return !IsAvif(head) && HasBrand(head, {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"});
}

bool IsTiff(std::string_view head) {
  using namespace std::string_view_literals;
  return head.starts_with("II*\0"sv) || head.starts_with("MM\0*"sv) || head.starts_with("II+\0"sv) ||
         head.starts_with("MM\0+"sv);
}

}  // namespace

const std::vector<FormatFacts>& FormatTable() {
  // One row a line, whatever its length.
  // clang-format off
  static const std::vector<FormatFacts> table = {
      {Format::Bmp, "bmp", "BMP", {"bmp", "dib"}, IsBmp, kInProgram, "image/bmp", nullptr, nullptr},
      {Format::Gif, "gif", "GIF", {"gif"}, IsGif, kInProgram, "image/gif", GifFits, nullptr},
      {Format::Jpeg, "jpeg", "JPEG", {"jpg", "jpeg", "jpe", "jfif"}, IsJpeg, kInProgram, "image/jpeg", JpegFits, OpenJpegEighth},
      {Format::Png, "png", "PNG", {"png"}, IsPng, kInProgram, "image/png", PngFits, nullptr},
      {Format::Webp, "webp", "WebP", {"webp"}, IsWebp, kInModule, "image/webp", nullptr, nullptr},
      {Format::Heic, "heic", "HEIC", {"heic", "heif", "hif"}, IsHeic, kInModule, "image/heic", HeifFits, nullptr},
      {Format::Avif, "avif", "AVIF", {"avif"}, IsAvif, kInModule, "image/avif", HeifFits, nullptr},
      {Format::Tiff, "tiff", "TIFF", {"tif", "tiff"}, IsTiff, kInModule, "image/tiff", nullptr, nullptr},
  };
  // clang-format on
  return table;
}

const FormatFacts* Recognise(std::string_view head) {
  head = head.substr(0, std::min<std::size_t>(head.size(), kHeadBytes));
  for (const FormatFacts& format : FormatTable())
    if (format.recognise(head)) return &format;
  return nullptr;
}

}  // namespace mirel::picture
