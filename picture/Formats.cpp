// The table of picture formats: adding one is its reader's file and a row here;
// when its library is large, the reader goes into the module with a row in the
// module's entry, and its recogniser into ModuleSignatures.cpp.

#include "ModuleLoader.h"
#include "Reader.h"

namespace mirel::picture {

// The readers, each in its own file of this folder.
bool IsBmp(const QByteArray& head);
std::unique_ptr<Reader> OpenBmp(QIODevice& device);
bool IsGif(const QByteArray& head);
std::unique_ptr<Reader> OpenGif(QIODevice& device);
bool IsJpeg(const QByteArray& head);
std::unique_ptr<Reader> OpenJpeg(QIODevice& device);
bool IsPng(const QByteArray& head);
std::unique_ptr<Reader> OpenPng(QIODevice& device);

// Recognised here, read by the decoder module.
bool IsWebp(const QByteArray& head);
bool IsHeic(const QByteArray& head);
bool IsAvif(const QByteArray& head);
bool IsTiff(const QByteArray& head);
constexpr char kWebp[] = "webp";
constexpr char kHeic[] = "heic";
constexpr char kAvif[] = "avif";
constexpr char kTiff[] = "tiff";

const std::vector<Format>& Formats() {
  static const std::vector<Format> table = {
      {"bmp", "BMP", {"bmp", "dib"}, IsBmp, OpenBmp},
      {"gif", "GIF", {"gif"}, IsGif, OpenGif},
      {"jpeg", "JPEG", {"jpg", "jpeg", "jpe", "jfif"}, IsJpeg, OpenJpeg},
      {"png", "PNG", {"png"}, IsPng, OpenPng},
      {"webp", "WebP", {"webp"}, IsWebp, OpenInModule<kWebp>},
      {"heic", "HEIC", {"heic", "heif", "hif"}, IsHeic, OpenInModule<kHeic>},
      {"avif", "AVIF", {"avif"}, IsAvif, OpenInModule<kAvif>},
      {"tiff", "TIFF", {"tif", "tiff"}, IsTiff, OpenInModule<kTiff>},
  };
  return table;
}

}  // namespace mirel::picture
