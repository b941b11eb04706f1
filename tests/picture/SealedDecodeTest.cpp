// The sealed decoder as the game meets it: shut off from what decoding does
// not need, its reply believed only when every field holds, and a helper that
// fails or is waited for no longer never a picture.

#include <gtest/gtest.h>

#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "picture/SealedDecode.h"
#include "picture/plain/SealedReply.h"

namespace mirel::picture {
namespace {

TEST(SealedDecoder, IsShutOffFromFilesNetworkAndOtherPrograms) {
  QProcess probe;
  probe.start(MIREL_DECODER, {"--probe-seal"});
  ASSERT_TRUE(probe.waitForFinished(30'000));
  // 0: open, socket, a new program, a new process and memory past the limit refused; a thread started.
  EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(probe.exitCode(), 0);
}

TEST(SealedDecoder, ARepliesIsBelievedOnlyWhenEveryFieldHolds) {
  Bitmap picture(3, 2, 0x00123456u);
  const std::string good = EncodeReply({picture, PictureFault::None});
  const LoadedPicture read = ParseReply(good, 3, 2);
  ASSERT_EQ(read.fault, PictureFault::None);
  EXPECT_EQ(read.picture, Bitmap(3, 2, 0xFF123456u));  // opaque, whatever was sent
  EXPECT_EQ(ParseReply(EncodeReply({Bitmap(), PictureFault::TooLarge}), 3, 2).fault, PictureFault::TooLarge);
  for (const std::string& bad :
       {good.substr(0, good.size() - 1), good + "x", std::string("MRLX") + good.substr(4),
        EncodeReply({Bitmap(), PictureFault::TooLarge}) + "pixels"}) {
    EXPECT_EQ(ParseReply(bad, 3, 2).fault, PictureFault::Damaged);
  }
  EXPECT_EQ(ParseReply(good, 2, 2).fault, PictureFault::Damaged);  // wider than the box
  std::string unknown = EncodeReply({Bitmap(), PictureFault::Damaged});
  unknown[4] = 99;
  EXPECT_EQ(ParseReply(unknown, 3, 2).fault, PictureFault::Damaged);
}

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
