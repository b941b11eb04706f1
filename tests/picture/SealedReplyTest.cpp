// What the game makes of its sealed decoder, whatever the system: the reply
// believed only when every field holds, and the way the helper ended.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>

#include "picture/plain/SealedReply.h"
#include "picture/plain/SealedWait.h"

namespace mirel::picture {
namespace {

TEST(SealedReply, IsBelievedOnlyWhenEveryFieldHolds) {
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

// A helper that replies in the pieces given, then ends as given.
class ScriptedHelper final : public Helper {
 public:
  ScriptedHelper(std::deque<std::string> pieces, HelperEnd end) : pieces_(std::move(pieces)), end_(end) {}
  long long Read(char* out, long long n, int) override {
    if (pieces_.empty()) return -1;
    std::string& piece = pieces_.front();
    const std::size_t take = std::min(piece.size(), std::size_t(n));
    piece.copy(out, take);
    piece.erase(0, take);
    if (piece.empty()) pieces_.pop_front();
    return static_cast<long long>(take);
  }
  void Kill() override { killed = true; }
  std::optional<HelperEnd> Wait(int milliseconds) override {
    if (!stubborn || killed) return end_;
    if (milliseconds < 0) ADD_FAILURE() << "waited forever for a helper never ended";
    return std::nullopt;
  }
  bool stubborn = false;  // closes its reply but works on until ended
  bool killed = false;

 private:
  std::deque<std::string> pieces_;
  HelperEnd end_;
};

TEST(SealedWait, TheHelpersEndDecidesWhatThePlayerIsTold) {
  const std::string reply = EncodeReply({Bitmap(2, 2, 0xFF102030u), PictureFault::None});
  const std::deque<std::string> inPieces = {reply.substr(0, 5), reply.substr(5, 9), reply.substr(14)};
  const auto await = [](ScriptedHelper& helper, const std::function<bool()>& stillLoading = {}) {
    return AwaitReply(helper, 2, 2, stillLoading).fault;
  };
  ScriptedHelper replied(inPieces, HelperEnd::Replied);
  EXPECT_EQ(await(replied), PictureFault::None);
  ScriptedHelper wholeThenCrashed(inPieces, HelperEnd::Crashed);  // the whole reply is the answer
  EXPECT_EQ(await(wholeThenCrashed), PictureFault::None);
  // A reply cut short: its end says why.
  const std::deque<std::string> cut = {reply.substr(0, 20)};
  ScriptedHelper limited(cut, HelperEnd::Limited);  // stopped by its memory or time limit
  EXPECT_EQ(await(limited), PictureFault::TooLarge);
  ScriptedHelper crashed(cut, HelperEnd::Crashed);
  EXPECT_EQ(await(crashed), PictureFault::Damaged);
  ScriptedHelper failed(cut, HelperEnd::Failed);
  EXPECT_EQ(await(failed), PictureFault::Damaged);
  // Guards: a helper that says more than any reply could, or is no longer waited for, is ended.
  ScriptedHelper talkative({reply, reply}, HelperEnd::Replied);
  EXPECT_EQ(await(talkative), PictureFault::Damaged);
  EXPECT_TRUE(talkative.killed);
  ScriptedHelper dropped(inPieces, HelperEnd::Replied);
  int calls = 0;
  EXPECT_EQ(await(dropped, [&calls] { return ++calls < 2; }), PictureFault::Cancelled);
  EXPECT_TRUE(dropped.killed);
  // Regression: a helper that closed its reply but never ended hung the game.
  ScriptedHelper stubborn(cut, HelperEnd::Replied);
  stubborn.stubborn = true;
  calls = 0;
  EXPECT_EQ(await(stubborn, [&calls] { return ++calls < 5; }), PictureFault::Cancelled);
  EXPECT_TRUE(stubborn.killed);
}

}  // namespace
}  // namespace mirel::picture
