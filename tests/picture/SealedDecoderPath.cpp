// Linked into the Linux tests that load the player's pictures: the sealed
// decoder they start is the one built, wherever the test binary lies.

#include "picture/SealedDecode.h"

namespace {

const bool kNamed = [] {
  mirel::picture::SetDecoderPath(MIREL_DECODER);
  return true;
}();

}  // namespace
