// The load-and-fit policy: which reader, which limits, what the player is told.
// How each format is read lives in picture/.

#include "PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

#include "picture/Formats.h"
#include "picture/Orientation.h"

namespace mirel {

namespace {

FittedPicture Fault(PictureFault fault, QByteArray format = {}) {
  FittedPicture result;
  result.fault = fault;
  result.format = std::move(format);
  return result;
}

}  // namespace

QSize FitInto(QSize picture, QSize box) {
  return {std::min(picture.width(), box.width()), std::min(picture.height(), box.height())};
}

FittedPicture LoadFittedPicture(const QString& path, QSize box, const std::function<void()>& stillLoading) {
  const QFileInfo info(path);
  if (!info.exists()) return Fault(PictureFault::Missing);
  if (!info.isFile()) return Fault(PictureFault::Unreadable);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fault(PictureFault::Unreadable);
  return LoadFittedPicture(file, box, stillLoading);
}

FittedPicture LoadFittedPicture(QIODevice& device, QSize box, const std::function<void()>& stillLoading) {
  if (!device.isOpen() || !device.isReadable() || device.isSequential() || !device.seek(0))
    return Fault(PictureFault::Unreadable);
  const qint64 fileSize = device.size();
  if (fileSize == 0) return Fault(PictureFault::Empty);
  if (fileSize > kPictureMaxFileBytes) return Fault(PictureFault::TooLarge);

  const QByteArray head = device.peek(picture::kHeadBytes);
  const picture::FormatFacts* format = picture::Recognise({head.constData(), std::size_t(head.size())});
  if (!format) {
    // Only to choose the message: Qt's other decoders look at the header, never decode.
    const bool otherPicture = !QImageReader::imageFormat(&device).isEmpty();
    return Fault(otherPicture ? PictureFault::Unsupported : PictureFault::NotAPicture);
  }
  const QByteArray name(format->name);

  const std::unique_ptr<picture::Reader> reader = picture::Open(*format, device);
  if (!reader) return Fault(PictureFault::Unsupported, name);
  picture::Header header;
  if (const picture::Outcome got = reader->ReadHeader(header); got != picture::Outcome::Ok)
    return Fault(picture::FaultOf(got), name);
  const QSize stored = header.stored;
  if (stored.width() <= 0 || stored.height() <= 0) return Fault(PictureFault::Damaged, name);
  // Beyond the limits is too large, whatever the shape, and before any decoding.
  if (BeyondPictureLimits(stored.width(), stored.height()))
    return Fault(PictureFault::TooLarge, name);

  const bool turned = picture::Turns(header.orientation);
  const QSize upright = turned ? stored.transposed() : stored;
  const QSize fitted = FitInto(upright, box);
  const QSize target = turned ? fitted.transposed() : fitted;
  if (reader->EstimateBytes(target) > kPictureMemoryBudget) return Fault(PictureFault::TooLarge, name);

  FittedPicture result;
  result.format = name;
  result.sourceSize = upright;
  QImage squeezed;
  if (const picture::Outcome got = reader->Decode(target, stillLoading, squeezed);
      got != picture::Outcome::Ok)
    return Fault(picture::FaultOf(got), name);
  if (squeezed.size() != target || squeezed.format() != QImage::Format_RGB32)
    return Fault(PictureFault::Damaged, name);
  result.picture = picture::Upright(squeezed, header.orientation);
  result.picture.setDevicePixelRatio(1.0);
  return result;
}

}  // namespace mirel
