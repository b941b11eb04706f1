// The sealed decoder as the game meets it on Linux: a helper that fails or is
// waited for no longer is never a picture.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "picture/SealedDecode.h"

namespace mirel::picture {
namespace {

TEST(SealedDecoder, AHelperThatFailsOrIsStoppedGivesNoPicture) {
  const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  SetDecoderPath("/bin/false");  // ends with nothing said
  EXPECT_EQ(DecodeSealed(fd, 300, 300, {}).fault, PictureFault::Damaged);
  SetDecoderPath("/bin/sleep");  // "sleep 300 300": works on and on, until stopped
  int asked = 0;
  EXPECT_EQ(DecodeSealed(fd, 300, 300, [&asked] { return ++asked < 3; }).fault, PictureFault::Cancelled);
  EXPECT_EQ(asked, 3);
  SetDecoderPath(MIREL_DECODER);
  close(fd);
}

}  // namespace
}  // namespace mirel::picture
