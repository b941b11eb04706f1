#include "DecoderIo.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <unistd.h>

#include "picture/FormatTable.h"
#include "picture/PassedFile.h"
#include "picture/PictureFile.h"

namespace mirel::picture {

void LoadEverythingFirst() {
  // Qt's image plugins and the program's decoder module.
  QBuffer nothing;
  nothing.open(QIODevice::ReadOnly);
  QImageReader::imageFormat(&nothing);
  for (const FormatFacts& format : FormatTable()) SystemReads(format);
}

std::optional<LoadedPicture> DecodeSentFile(int boxWidth, int boxHeight) {
  const int fd = ReceiveFile(0);
  if (fd < 0) return std::nullopt;
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    return LoadedPicture{Bitmap(), PictureFault::Unreadable};
  Fitted fitted = LoadFitted(file, QSize(boxWidth, boxHeight));
  return LoadedPicture{std::move(fitted.picture), fitted.fault};
}

bool WriteReply(const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t n = write(1, bytes.data() + at, bytes.size() - at);
    if (n <= 0) return false;
    at += std::size_t(n);
  }
  return true;
}

}  // namespace mirel::picture
