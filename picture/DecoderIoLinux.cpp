#include "DecoderIo.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "picture/FormatTable.h"
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
  char byte = 0;
  iovec one{&byte, 1};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  msghdr message{};
  message.msg_iov = &one;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t got;
  do {
    got = recvmsg(0, &message, MSG_CMSG_CLOEXEC);
  } while (got < 0 && errno == EINTR);
  const cmsghdr* rights = got == 1 ? CMSG_FIRSTHDR(&message) : nullptr;
  if (!rights || rights->cmsg_level != SOL_SOCKET || rights->cmsg_type != SCM_RIGHTS ||
      rights->cmsg_len != CMSG_LEN(sizeof(int)))
    return std::nullopt;
  int fd = -1;
  std::memcpy(&fd, CMSG_DATA(rights), sizeof(int));
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
