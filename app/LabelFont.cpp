#include "LabelFont.h"

#include <QByteArray>
#include <QFontDatabase>

#include "assets/Assets.h"

namespace mirel {

bool RegisterLabelFont() {
  // The font is large. Handing over the program's own bytes, which live as
  // long as it does, copies none of them onto the heap.
  const assets::Bytes font = assets::LabelFont();
  const QByteArray data =
      QByteArray::fromRawData(reinterpret_cast<const char*>(font.data()), qsizetype(font.size()));
  return QFontDatabase::addApplicationFontFromData(data) != -1;
}

}  // namespace mirel
