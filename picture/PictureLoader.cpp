#include "PictureLoader.h"

#include <QBuffer>
#include <QByteArray>
#include <QSize>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "picture/PictureFile.h"
#include "picture/ReadersLinux.h"
#include "picture/SealedDecode.h"
#include "picture/plain/MemorySource.h"

namespace mirel {

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<bool()>& stillLoading) {
  // Without waiting, so a pipe put under the name cannot hang the game.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {Bitmap(), errno == ENOENT ? PictureFault::Missing : PictureFault::Unreadable};
  struct stat status {};
  const bool file = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  LoadedPicture loaded = file ? picture::DecodeSealed(fd, boxWidth, boxHeight, stillLoading)
                              : LoadedPicture{Bitmap(), PictureFault::Unreadable};
  close(fd);
  return loaded;
}

void PrepareToLoadPictureFile(int boxWidth, int boxHeight) { picture::PrepareSealed(boxWidth, boxHeight); }

LoadedPicture LoadPictureBytes(std::span<const unsigned char> bytes, int boxWidth, int boxHeight) {
  // The plain readers (the built-in pictures are BMPs) read the bytes in
  // place; the Qt ones through a buffer that only borrows them.
  picture::MemorySource source(bytes);
  QByteArray data =
      QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  picture::QtReaders readers(buffer);
  picture::Fitted fitted = picture::LoadAndFit(source, boxWidth, boxHeight, {}, readers);
  return {std::move(fitted.picture), fitted.fault};
}

}  // namespace mirel
