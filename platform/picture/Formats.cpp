// The table of picture formats: adding one is its reader's file and a row here.

#include "Reader.h"

namespace mirel::picture {

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
