#pragma once
// One reader per picture format, behind one small interface. The load-and-fit
// policy (picture/plain/LoadAndFit.cpp) asks a reader for the header, checks the
// limits, then has it decode straight into the fitted size, in rows or at a
// reduced scale, so that no format holds the picture at full size unless its
// coding leaves no other way.

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <memory>

#include "picture/plain/Decoding.h"

class QIODevice;

namespace mirel::picture {

// What a reader learns from the header, before any pixel is decoded. The
// orientation is the program's own reading (picture/plain/Orientation.h).
struct Header {
  QSize stored;  // as the pixels lie in the file
};

class Squeezer;

class Reader {
 public:
  virtual ~Reader() = default;
  virtual Outcome ReadHeader(Header& header) = 0;
  // Bytes the decoder holds at once to give a picture of `target` (stored
  // orientation), the fitted size; the squeeze itself is not counted.
  virtual qint64 EstimateBytes(QSize target) = 0;
  // Decodes into `out`, an RGB32 picture of `target` with transparent parts
  // over the face colour.
  virtual Outcome Decode(QSize target, const Progress& progress, QImage& out) = 0;
};

}  // namespace mirel::picture
