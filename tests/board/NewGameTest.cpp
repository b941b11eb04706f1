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
  // A level no menu offers is refused rather than shuffled forever, and so is
  // a picture there is no box for; the game in play stays as it was.
  const std::string board = game.CurrentBoard().Text();
  for (int level : {-1, 0, 5}) EXPECT_THROW(game.StartLevel(level, 1), std::invalid_argument);
  for (int picture : {-1, 5}) EXPECT_THROW(game.StartLevel(2, picture), std::invalid_argument);
  EXPECT_EQ(game.CurrentBoard().Text(), board);
  EXPECT_EQ(kit::InvariantViolation(game), "");
}

}  // namespace
}  // namespace mirel
