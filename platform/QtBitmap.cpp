#include "QtBitmap.h"

#include <algorithm>

namespace mirel {

Bitmap ToBitmap(const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  if (rgb.isNull()) return {};
  Bitmap bitmap(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    std::copy_n(row, rgb.width(), bitmap.Row(y));
  }
  return bitmap;
}

QImage QtView(const Bitmap& bitmap) {
  if (bitmap.Empty()) return {};
  return QImage(reinterpret_cast<const uchar*>(bitmap.Data()), bitmap.Width(), bitmap.Height(),
                qsizetype(bitmap.Width()) * qsizetype(sizeof(std::uint32_t)), QImage::Format_RGB32);
}

}  // namespace mirel
