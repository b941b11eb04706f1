#pragma once
// The readers Linux binds to the table's rows, over one file's Qt device.

#include <QIODevice>

#include "picture/plain/LoadAndFit.h"

namespace mirel::picture {

class QtReaders final : public Readers {
 public:
  // The readers built on Qt read `device`; the plain ones the source they are given.
  explicit QtReaders(QIODevice& device) : device_(device) {}
  std::unique_ptr<FrameReader> Open(const FormatFacts& format, ByteSource& source) override;
  bool IsOtherPicture(ByteSource& source) override;

 private:
  QIODevice& device_;
};

}  // namespace mirel::picture
