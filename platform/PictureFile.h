#pragma once
// The safe loader for a picture file of the player's own. Only BMP, GIF, JPEG
// and PNG are decoded, chosen by the file's content, never by its name. The
// picture comes back upright (EXIF orientation applied), with transparent parts
// shown over the face colour, and already fitted: each side longer than the box's
// is squeezed to it. Large JPEG photos are decoded straight at a reduced size, so
// a 50-megapixel photo costs a few megabytes, not two hundred.
//
// Anything that cannot be shown as the whole picture (missing, unreadable, cut
// short, not a picture, a format outside the four, or a size beyond the memory
// budget) comes back as a fault instead of a picture.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

class QIODevice;

namespace mirel {

enum class PictureFault {
  None,
  Missing,      // no such file
  Unreadable,   // exists but cannot be opened as an ordinary file
  Empty,        // zero bytes
  NotAPicture,  // no picture format recognised
  Unsupported,  // a picture, but not BMP, GIF, JPEG or PNG
  TooLarge,     // would need more memory or time than the budget allows
  Damaged,      // cut short, malformed or refused by the decoder
};

struct FittedPicture {
  QImage picture;  // RGB32; null unless fault is None
  PictureFault fault = PictureFault::None;
  QByteArray format;  // "bmp", "gif", "jpeg" or "png" once recognised
  QSize sourceSize;   // upright size of the picture in the file, once read
};

// The budget for decoding one picture: every buffer the decoder needs for it
// together. Real photos and scans stay far below; decompression bombs do not.
inline constexpr qint64 kPictureMemoryBudget = qint64(512) << 20;
// Upper bound on the pixels in the file, which bounds decoding time even when
// a JPEG is decoded at an eighth of its size.
inline constexpr qint64 kPictureMaxPixels = 150'000'000;
// No picture the program accepts comes near this many bytes.
inline constexpr qint64 kPictureMaxFileBytes = qint64(1) << 30;

// The size a picture takes in box: each side longer than the box's becomes the
// box's; shorter sides stay. The aspect ratio is not kept.
QSize FitInto(QSize picture, QSize box);

FittedPicture LoadFittedPicture(const QString& path, QSize box);
// The same from an open, random-access device, read from its start.
FittedPicture LoadFittedPicture(QIODevice& device, QSize box);

}  // namespace mirel
