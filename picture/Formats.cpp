// The table of picture formats. Adding one is its reader's file and a row here,
// with its recogniser above the table. A reader of a large library goes into
// the decoder module, with a row of the same name in the module's entry
// (ModuleEntry.cpp); its recogniser stays here all the same, so that the module
// is loaded only to decode a file of its own formats. The build reads the
// rows' shown names into the desktop files and the man page
// (cmake/PackageFacts.cmake): one row a line.

#include "Formats.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "ModuleLoader.h"

namespace mirel::picture {

// The program's own readers, each in its file of this folder.
std::unique_ptr<Reader> OpenBmp(QIODevice& device);
std::unique_ptr<Reader> OpenGif(QIODevice& device);
std::unique_ptr<Reader> OpenJpeg(QIODevice& device);
std::unique_ptr<Reader> OpenPng(QIODevice& device);

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

bool IsBmp(const QByteArray& head) { return head.startsWith("BM"); }

bool IsGif(const QByteArray& head) { return head.startsWith("GIF87a") || head.startsWith("GIF89a"); }

bool IsJpeg(const QByteArray& head) { return head.startsWith("\xFF\xD8\xFF"); }

bool IsPng(const QByteArray& head) { return head.startsWith("\x89PNG\r\n\x1A\n"); }

bool IsWebp(const QByteArray& head) { return head.startsWith("RIFF") && head.mid(8, 4) == "WEBP"; }

bool IsAvif(const QByteArray& head) { return HasBrand(head, {"avif", "avis"}); }

bool IsHeic(const QByteArray& head) {
  return !IsAvif(head) && HasBrand(head, {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"});
}

bool IsTiff(const QByteArray& head) {
  return head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4)) ||
         head.startsWith(QByteArray("II+\0", 4)) || head.startsWith(QByteArray("MM\0+", 4));
}

}  // namespace

const std::vector<Format>& Formats() {
  static const std::vector<Format> table = {
      {"bmp", "BMP", {"bmp", "dib"}, IsBmp, OpenBmp},
      {"gif", "GIF", {"gif"}, IsGif, OpenGif},
      {"jpeg", "JPEG", {"jpg", "jpeg", "jpe", "jfif"}, IsJpeg, OpenJpeg},
      {"png", "PNG", {"png"}, IsPng, OpenPng},
      {"webp", "WebP", {"webp"}, IsWebp, kInModule},
      {"heic", "HEIC", {"heic", "heif", "hif"}, IsHeic, kInModule},
      {"avif", "AVIF", {"avif"}, IsAvif, kInModule},
      {"tiff", "TIFF", {"tif", "tiff"}, IsTiff, kInModule},
  };
  return table;
}

std::unique_ptr<Reader> Open(const Format& format, QIODevice& device) {
  if (format.open) return format.open(device);
  const ModuleOpen open = FromModule(format.name);
  return open ? open(device) : nullptr;
}

}  // namespace mirel::picture
