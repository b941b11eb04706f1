#pragma once
// What every reader's decoding shares, whatever it is built on.

#include <functional>

#include "picture/PictureLoader.h"

namespace mirel::picture {

enum class Outcome { Ok, Damaged, TooLarge, Unsupported };

// What the player is told of a reader's outcome.
inline PictureFault FaultOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Ok:
      return PictureFault::None;
    case Outcome::TooLarge:
      return PictureFault::TooLarge;
    case Outcome::Unsupported:
      return PictureFault::Unsupported;
    case Outcome::Damaged:
      break;
  }
  return PictureFault::Damaged;
}

// Called now and then while a picture decodes, so the caller can tell the
// player that a long load is still going.
using Progress = std::function<void()>;

}  // namespace mirel::picture
