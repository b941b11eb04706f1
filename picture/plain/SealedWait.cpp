#include "SealedWait.h"

#include <chrono>
#include <string>

#include "SealedReply.h"

namespace mirel::picture {

LoadedPicture AwaitReply(Helper& helper, int boxWidth, int boxHeight,
                         const std::function<bool()>& stillLoading) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSealedDecodeSeconds);
  const std::size_t most = kReplyHeaderBytes + std::size_t(boxWidth) * std::size_t(boxHeight) * 4;
  std::string reply;
  std::optional<HelperEnd> end;
  // Once at the start, so a caller that shows the busy cursor at once does.
  PictureFault stopped = stillLoading && !stillLoading() ? PictureFault::Cancelled : PictureFault::None;
  bool replyEnded = false;
  while (stopped == PictureFault::None) {
    // The reply; a whole one is the answer, whatever the helper does next.
    // Only a reply cut short needs the helper's end to tell why, which is
    // waited for in the same steps: a helper that closes its reply and works
    // on is ended too.
    if (!replyEnded) {
      char buffer[64 * 1024];
      const long long got = helper.Read(buffer, sizeof buffer, 40);
      if (got >= 0) {
        reply.append(buffer, std::size_t(got));
      } else if (LoadedPicture whole = ParseReply(reply, boxWidth, boxHeight);
                 whole.fault != PictureFault::Damaged) {
        return whole;
      } else {
        replyEnded = true;
      }
    } else if ((end = helper.Wait(40))) {
      break;
    }
    // Checked between reads too, so a reply that trickles still keeps the
    // window living and the deadline.
    if (reply.size() > most)  // more than any reply could be: the helper is not to be believed
      stopped = PictureFault::Damaged;
    else if (std::chrono::steady_clock::now() >= deadline)
      stopped = PictureFault::TooLarge;
    else if (stillLoading && !stillLoading())
      stopped = PictureFault::Cancelled;
  }
  if (stopped != PictureFault::None) {
    helper.Kill();
    helper.Wait(-1);
    return {Bitmap(), stopped};
  }
  switch (*end) {
    case HelperEnd::Limited:
      return {Bitmap(), PictureFault::TooLarge};  // the file asked for more than the budget
    case HelperEnd::Replied:  // a reply that does not hold
    case HelperEnd::Failed:
    case HelperEnd::Crashed:
      break;
  }
  return {Bitmap(), PictureFault::Damaged};
}

}  // namespace mirel::picture
