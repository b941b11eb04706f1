#pragma once
// How the game waits for its sealed decoder, once for every system: the reply
// read as it comes, the window kept living between reads, the deadline, the
// way the helper ended, and the reply checked. Each system gives the helper
// (picture/SealedDecodeLinux.cpp, picture/SealedDecodeWindows.cpp).

#include <functional>
#include <optional>

#include "picture/PictureLoader.h"

namespace mirel::picture {

// The wall-clock limit for one picture; a helper still working then is ended
// and the picture is too large.
inline constexpr int kSealedDecodeSeconds = 10;

// How a helper ended.
enum class HelperEnd {
  Replied,  // it exited of its own accord, all well
  Failed,   // it exited saying it failed
  Limited,  // stopped by its memory or time limit
  Crashed,  // stopped by any other signal or fault
};

// One running helper, as the waiting sees it.
class Helper {
 public:
  virtual ~Helper() = default;
  // Up to n bytes of its reply, waiting at most `milliseconds` for them: how
  // many came, 0 when none came in time, -1 once the reply has ended.
  virtual long long Read(char* out, long long n, int milliseconds) = 0;
  // Ends it at once.
  virtual void Kill() = 0;
  // How it ended, once it has, waiting at most `milliseconds` for it (-1:
  // however long); nothing while it still runs.
  virtual std::optional<HelperEnd> Wait(int milliseconds) = 0;
};

// The helper's picture, or its fault: Cancelled when stillLoading, called
// between reads, returns false; TooLarge past the deadline or when the helper
// was stopped by its limits; Damaged for a crash or a reply that does not hold.
// A whole reply is returned without waiting for the helper's end; the helper
// is then the caller's to let go.
LoadedPicture AwaitReply(Helper& helper, int boxWidth, int boxHeight,
                         const std::function<bool()>& stillLoading);

}  // namespace mirel::picture
