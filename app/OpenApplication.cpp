#include "OpenApplication.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace mirel {
namespace {

// Qt's messages while the platform starts, held until it is known whether
// they explain a failure (then ours replaces them) or are worth passing on.
// The start's reading thread may add to them meanwhile.
std::mutex heldLock;
std::vector<std::pair<QtMsgType, QString>> heldMessages;

void HoldWhileOpening(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) {
    // Only the platform can fail this early. Qt would abort next; nothing of
    // the program exists yet, so nothing is lost by leaving at once.
    std::fputs(kNoDisplayMessage, stderr);
    std::fflush(stderr);
    std::_Exit(1);
  }
  const std::lock_guard<std::mutex> hold(heldLock);
  heldMessages.emplace_back(type, message);
}

}  // namespace

std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv) {
  const QtMessageHandler previous = qInstallMessageHandler(HoldWhileOpening);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(previous);
  std::vector<std::pair<QtMsgType, QString>> held;
  {
    const std::lock_guard<std::mutex> hold(heldLock);
    held = std::exchange(heldMessages, {});
  }
  for (const auto& [type, message] : held) qt_message_output(type, QMessageLogContext(), message);
  return app;
}

}  // namespace mirel
