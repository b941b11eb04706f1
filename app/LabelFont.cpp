#include "LabelFont.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QResource>

#include "assets/Assets.h"

namespace mirel {

bool RegisterLabelFont() {
  // The font is large. Registering it by name would copy it onto the heap;
  // handing over the resource's own bytes costs only the pages actually read.
  const QResource font(QString::fromLatin1(assets::kLabelFont));
  if (!font.isValid()) return false;
  const QByteArray data =
      font.compressionAlgorithm() == QResource::NoCompression
          ? QByteArray::fromRawData(reinterpret_cast<const char*>(font.data()), font.size())
          : font.uncompressedData();
  return QFontDatabase::addApplicationFontFromData(data) != -1;
}

}  // namespace mirel
