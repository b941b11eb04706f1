// Any bytes as the player's picture file: the loader either refuses them with a
// reason or gives a fitted picture, never crashes, hangs or runs away with memory.

#include <QIODevice>
#include <QImage>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "picture/ModuleLoader.h"
#include "picture/PictureFile.h"

namespace {

// Bytes read like a file: Qt's decoders take a shortcut for QBuffer that real
// files never see, so the harness does not offer one.
class MemoryFile : public QIODevice {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(qint64(size)) {
    open(QIODevice::ReadOnly);
  }
  bool isSequential() const override { return false; }
  qint64 size() const override { return size_; }

 protected:
  qint64 readData(char* out, qint64 max) override {
    const qint64 n = std::min(max, size_ - pos());
    if (n <= 0) return 0;
    std::memcpy(out, data_ + pos(), std::size_t(n));
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  const std::uint8_t* data_;
  qint64 size_;
};

}  // namespace

// Qt's decoders warn about every damaged input; millions of warnings would
// only bury the fuzzer's own report.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  mirel::picture::SetModulePath(MIREL_MODULE);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryFile file(data, size);
  const QSize box(300, 300);
  const mirel::FittedPicture got = mirel::LoadFittedPicture(file, box);
  if (got.fault == mirel::PictureFault::None) {
    const QImage& p = got.picture;
    if (p.isNull() || p.format() != QImage::Format_RGB32 || p.width() < 1 || p.height() < 1 ||
        p.width() > box.width() || p.height() > box.height() || p.devicePixelRatio() != 1.0)
      std::abort();
  } else if (!got.picture.isNull()) {
    std::abort();
  }
  return 0;
}
