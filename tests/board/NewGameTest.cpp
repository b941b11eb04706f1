// A new game: shuffled, drawn once, silent.

#include "BoardFixture.h"

namespace mirel {
namespace {

using NewGameTest = BoardTest;

TEST_F(NewGameTest, NewGameDrawsTheShuffledBoardOnce) {
  Start(2, 1);
  EXPECT_EQ(host.Count(HostCall::Kind::Refresh), 1u);
  EXPECT_EQ(host.Calls().size(), 1u);     // nothing else reaches the desktop
  EXPECT_TRUE(sound.Commands().empty());  // and the shuffle is silent
  EXPECT_FALSE(game.State().Solved);
  // A level no menu offers is refused rather than shuffled forever.
  for (int level : {-1, 0, 5}) {
    game.EditState().Level = level;
    EXPECT_THROW(game.NewGame(), std::logic_error);
  }
}

}  // namespace
}  // namespace mirel
