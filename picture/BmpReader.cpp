// BMP on Linux: the program's own reader (plain/BmpDecoder.cpp) behind the Qt
// readers' interface.

#include "QtByteSource.h"
#include "Reader.h"
#include "picture/plain/BmpDecoder.h"
#include "platform/QtBitmap.h"

namespace mirel::picture {

namespace {

class BmpReader final : public Reader {
 public:
  explicit BmpReader(QIODevice& device) : source_(device), bmp_(source_) {}

  Outcome ReadHeader(Header& header) override {
    int width = 0, height = 0;
    const Outcome got = bmp_.ReadHeader(width, height);
    header.stored = QSize(width, height);
    return got;
  }

  qint64 EstimateBytes(QSize) override { return bmp_.EstimateBytes(); }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    Bitmap squeezed;
    const Outcome got = bmp_.Decode(target.width(), target.height(), progress, squeezed);
    if (got == Outcome::Ok) out = QtView(squeezed).copy();
    return got;
  }

 private:
  QtByteSource source_;
  BmpDecoder bmp_;
};

}  // namespace

std::unique_ptr<Reader> OpenBmp(QIODevice& device) { return std::make_unique<BmpReader>(device); }

}  // namespace mirel::picture
