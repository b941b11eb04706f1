#pragma once
// The safe loader for a picture file of the player's own, in any format of the
// table in picture/Formats.cpp, chosen by the file's content, never by
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

#include "picture/PictureLoader.h"

class QIODevice;

namespace mirel {

struct FittedPicture {
  QImage picture;  // RGB32; null unless fault is None
  PictureFault fault = PictureFault::None;
  QByteArray format;  // "bmp", "png", "heic", ... once recognised
  QSize sourceSize;   // upright size of the picture in the file, once read
};

// The budget for decoding one picture: every buffer the decoder needs for it
// together. The largest needs of real photos: a 24-megapixel HEIC, as phones
// now take, is estimated at 373 MB (it uses 251 MB), and a 48-megapixel
// progressive JPEG in 4:4:4 holds 275 MB of DCT coefficients; other photos
// need a few megabytes. A progressive 12000 x 12000 bomb of under a megabyte
// would hold 412 MB.
inline constexpr qint64 kPictureMemoryBudget = qint64(384) << 20;
// Upper bound on the pixels in the file, which bounds decoding time even when
// a JPEG is decoded at an eighth of its size: a 200-megapixel phone photo
// (16320 x 12240) loads.
inline constexpr qint64 kPictureMaxPixels = 200'000'000;
// No side may be longer, whatever the other: a 1 x 60,000,000 strip is no photo.
inline constexpr int kPictureMaxSide = 65'535;
// No picture the program accepts comes near this many bytes.
inline constexpr qint64 kPictureMaxFileBytes = qint64(1) << 30;

// The size a picture takes in box: each side longer than the box's becomes the
// box's; shorter sides stay. The aspect ratio is not kept.
QSize FitInto(QSize picture, QSize box);

// stillLoading, when given, is called now and then while the picture decodes.
FittedPicture LoadFittedPicture(const QString& path, QSize box,
                                const std::function<void()>& stillLoading = {});
// The same from an open, random-access device, read from its start.
FittedPicture LoadFittedPicture(QIODevice& device, QSize box, const std::function<void()>& stillLoading = {});

}  // namespace mirel
