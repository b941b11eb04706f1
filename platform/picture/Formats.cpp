// The table of picture formats: adding one is its reader's file and a row here.

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
bool IsWebp(const QByteArray& head);
std::unique_ptr<Reader> OpenWebp(QIODevice& device);
bool IsHeic(const QByteArray& head);
bool IsAvif(const QByteArray& head);
std::unique_ptr<Reader> OpenHeif(QIODevice& device);
bool IsTiff(const QByteArray& head);
std::unique_ptr<Reader> OpenTiff(QIODevice& device);

const std::vector<Format>& Formats() {
  static const std::vector<Format> table = {
      {"bmp", "BMP", {"bmp", "dib"}, IsBmp, OpenBmp},
      {"gif", "GIF", {"gif"}, IsGif, OpenGif},
      {"jpeg", "JPEG", {"jpg", "jpeg", "jpe", "jfif"}, IsJpeg, OpenJpeg},
      {"png", "PNG", {"png"}, IsPng, OpenPng},
      {"webp", "WebP", {"webp"}, IsWebp, OpenWebp},
      {"heic", "HEIC", {"heic", "heif", "hif"}, IsHeic, OpenHeif},
      {"avif", "AVIF", {"avif"}, IsAvif, OpenHeif},
      {"tiff", "TIFF", {"tif", "tiff"}, IsTiff, OpenTiff},
  };
  return table;
}

}  // namespace mirel::picture
