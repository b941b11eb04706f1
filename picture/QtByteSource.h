#pragma once
// A Qt device as the Qt-free readers' byte source: every call goes straight to
// the device, so its position is the device's own.

#include <QIODevice>

#include "picture/plain/ByteSource.h"

namespace mirel::picture {

class QtByteSource final : public ByteSource {
 public:
  explicit QtByteSource(QIODevice& device) : device_(device) {}
  long long Size() override { return device_.size(); }
  long long Pos() override { return device_.pos(); }
  bool Seek(long long at) override { return device_.seek(at); }
  long long Read(void* out, long long n) override { return device_.read(static_cast<char*>(out), n); }

 private:
  QIODevice& device_;
};

}  // namespace mirel::picture
