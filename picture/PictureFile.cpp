// The Qt face of the load-and-fit policy (picture/plain/LoadAndFit.cpp):
// files and devices in, Qt's pictures out, Linux's readers bound.

#include "PictureFile.h"

#include <QFile>
#include <QFileInfo>


#include "picture/QtByteSource.h"
#include "picture/ReadersLinux.h"
#include "platform/QtBitmap.h"

namespace mirel {

namespace {

picture::Fitted Fault(PictureFault fault) {
  picture::Fitted fitted;
  fitted.fault = fault;
  return fitted;
}

FittedPicture ToQt(const picture::Fitted& fitted) {
  FittedPicture result;
  result.fault = fitted.fault;
  if (fitted.fault == PictureFault::None) result.picture = QtView(fitted.picture).copy();
  if (fitted.format) result.format = fitted.format->name;
  if (fitted.uprightWidth > 0) result.sourceSize = QSize(fitted.uprightWidth, fitted.uprightHeight);
  return result;
}

}  // namespace

picture::Fitted LoadFitted(const QString& path, QSize box, const std::function<void()>& stillLoading) {
  const QFileInfo info(path);
  if (!info.exists()) return Fault(PictureFault::Missing);
  if (!info.isFile()) return Fault(PictureFault::Unreadable);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fault(PictureFault::Unreadable);
  return LoadFitted(file, box, stillLoading);
}

picture::Fitted LoadFitted(QIODevice& device, QSize box, const std::function<void()>& stillLoading) {
  if (!device.isOpen() || !device.isReadable() || device.isSequential()) return Fault(PictureFault::Unreadable);
  picture::QtByteSource source(device);
  picture::QtReaders readers(device);
  return picture::LoadAndFit(source, box.width(), box.height(), stillLoading, readers);
}

FittedPicture LoadFittedPicture(const QString& path, QSize box, const std::function<void()>& stillLoading) {
  return ToQt(LoadFitted(path, box, stillLoading));
}

FittedPicture LoadFittedPicture(QIODevice& device, QSize box, const std::function<void()>& stillLoading) {
  return ToQt(LoadFitted(device, box, stillLoading));
}

}  // namespace mirel
