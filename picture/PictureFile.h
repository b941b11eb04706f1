#pragma once
// The safe loader for a picture file of the player's own, in any format of the
// table in picture/FormatTable.cpp, chosen by the file's content, never by
// its name. The picture comes back upright (EXIF orientation applied), with
// transparent parts shown over the face colour, and already fitted: each side
// longer than the box's is squeezed to it. Pictures are decoded in rows or at a
// reduced scale straight into the fitted size, so a 50-megapixel photo costs a
// few megabytes, not two hundred.
//
// Anything that cannot be shown as the whole picture (missing, unreadable, cut
// short, not a picture, a format that does not load, or a size beyond the
// limits) comes back as a fault instead of a picture. Big interlaced PNGs and
// progressive JPEGs are read only as far as the fitted picture needs, so one
// cut short after that point still loads.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

#include <functional>

#include "picture/PictureLimits.h"
#include "picture/PictureLoader.h"
#include "picture/plain/LoadAndFit.h"

class QIODevice;

namespace mirel {

struct FittedPicture {
  QImage picture;  // RGB32; null unless fault is None
  PictureFault fault = PictureFault::None;
  QByteArray format;  // "bmp", "png", "heic", ... once recognised
  QSize sourceSize;   // upright size of the picture in the file, once read
};

// stillLoading, when given, is called now and then while the picture decodes.
FittedPicture LoadFittedPicture(const QString& path, QSize box,
                                const std::function<void()>& stillLoading = {});
// The same from an open, random-access device, read from its start.
FittedPicture LoadFittedPicture(QIODevice& device, QSize box, const std::function<void()>& stillLoading = {});

// The same as the plain loader gives it, without Qt's picture type.
picture::Fitted LoadFitted(const QString& path, QSize box, const std::function<void()>& stillLoading = {});
picture::Fitted LoadFitted(QIODevice& device, QSize box, const std::function<void()>& stillLoading = {});

}  // namespace mirel
