#include "PictureLoader.h"

#include <QBuffer>
#include <QByteArray>
#include <QSize>
#include <QString>

#include "picture/PictureFile.h"
#include "picture/ReadersLinux.h"
#include "picture/plain/MemorySource.h"

namespace mirel {

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<void()>& stillLoading) {
  picture::Fitted fitted = LoadFitted(QString::fromStdString(path), QSize(boxWidth, boxHeight), stillLoading);
  return {std::move(fitted.picture), fitted.fault};
}

LoadedPicture LoadPictureBytes(std::span<const unsigned char> bytes, int boxWidth, int boxHeight) {
  // The plain readers (the built-in pictures are BMPs) read the bytes in
  // place; the Qt ones through a buffer that only borrows them.
  picture::MemorySource source(bytes);
  QByteArray data =
      QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  picture::QtReaders readers(buffer);
  picture::Fitted fitted = picture::LoadAndFit(source, boxWidth, boxHeight, {}, readers);
  return {std::move(fitted.picture), fitted.fault};
}

}  // namespace mirel
