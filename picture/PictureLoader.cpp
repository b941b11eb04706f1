#include "PictureLoader.h"

#include <QBuffer>
#include <QByteArray>
#include <QSize>
#include <QString>

#include "picture/PictureFile.h"
#include "platform/QtBitmap.h"

namespace mirel {

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<void()>& stillLoading) {
  const FittedPicture fitted =
      LoadFittedPicture(QString::fromStdString(path), QSize(boxWidth, boxHeight), stillLoading);
  return {ToBitmap(fitted.picture), fitted.fault};
}

LoadedPicture LoadPictureBytes(std::span<const unsigned char> bytes, int boxWidth, int boxHeight) {
  // Read in place: the buffer only borrows the bytes.
  QByteArray data =
      QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  const FittedPicture fitted = LoadFittedPicture(buffer, QSize(boxWidth, boxHeight));
  return {ToBitmap(fitted.picture), fitted.fault};
}

}  // namespace mirel
