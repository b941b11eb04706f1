#pragma once
// An open file passed to the sealed decoder over a local socket (Linux): the
// one way a file reaches it, since it may open none itself.

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace mirel::picture {

// One byte with the descriptor beside it.
struct FileMessage {
  char byte = 0;
  iovec one{&byte, 1};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  msghdr message{};

  FileMessage() {
    message.msg_iov = &one;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
  }
  FileMessage(const FileMessage&) = delete;
  FileMessage& operator=(const FileMessage&) = delete;
};

// False when it could not be sent (the other end is gone).
inline bool SendFile(int socket, int fd) {
  FileMessage sent;
  cmsghdr* rights = CMSG_FIRSTHDR(&sent.message);
  rights->cmsg_level = SOL_SOCKET;
  rights->cmsg_type = SCM_RIGHTS;
  rights->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(rights), &fd, sizeof(int));
  return sendmsg(socket, &sent.message, MSG_NOSIGNAL) == 1;
}

// The descriptor that came (close-on-exec), or -1 when none did.
inline int ReceiveFile(int socket) {
  FileMessage got;
  ssize_t n;
  do {
    n = recvmsg(socket, &got.message, MSG_CMSG_CLOEXEC);
  } while (n < 0 && errno == EINTR);
  const cmsghdr* rights = n == 1 ? CMSG_FIRSTHDR(&got.message) : nullptr;
  if (!rights || rights->cmsg_level != SOL_SOCKET || rights->cmsg_type != SCM_RIGHTS ||
      rights->cmsg_len != CMSG_LEN(sizeof(int)))
    return -1;
  int fd = -1;
  std::memcpy(&fd, CMSG_DATA(rights), sizeof(int));
  return fd;
}

}  // namespace mirel::picture
