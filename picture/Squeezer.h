#pragma once
// The squeeze (plain/Squeeze.h) as the Qt readers use it: into a QImage, and
// from whole QImages as Qt's decoders give them.

#include <QImage>
#include <QSize>

#include <cstdint>

#include "Reader.h"
#include "picture/plain/Squeeze.h"

namespace mirel::picture {

class Squeezer {
 public:
  // `from` is the size of the rows that come in; no side of `to` may be larger.
  Squeezer(QSize from, QSize to, const Progress& progress);

  // One row of from.width() pixels, 0xAARRGGBB. Premultiplied rows carry colour
  // already scaled by their alpha.
  void AddRow(const std::uint32_t* row, bool premultiplied = false) { squeeze_.AddRow(row, premultiplied); }
  // Every row of an ARGB32 or RGB32 picture of `from`'s size.
  void AddImage(const QImage& picture);

  bool Complete() const { return squeeze_.Complete(); }
  // The squeezed picture, RGB32, once every row is in.
  QImage Take() { return std::move(out_); }

 private:
  QSize from_;
  QImage out_;
  Squeeze squeeze_;
};

}  // namespace mirel::picture
