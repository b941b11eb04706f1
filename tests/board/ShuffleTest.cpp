// The shuffle: 201 counted legal moves from the solved board.

#include <cmath>

#include "BoardFixture.h"

namespace mirel {
namespace {

using ShuffleTest = BoardTest;

TEST_F(ShuffleTest, EveryShuffledBoardIsAPlayableUnsolvedPermutation) {
  for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
    const int side = 3 + int(seed % 4);
    kit::SetBoard(game, kit::SolvedText(side));
    game.Rnd.Seed(seed);
    game.Shuffle();
    SCOPED_TRACE(testing::Message() << "seed " << seed << ": " << kit::BoardText(game));
    ASSERT_EQ(kit::InvariantViolation(game), "");
    // An odd number of moves leaves the gap an odd distance from its home.
    ASSERT_EQ((2 * side - game.EmptyCol - game.EmptyRow) % 2, 1);
    ASSERT_NE(kit::BoardText(game), kit::SolvedText(side));
    ASSERT_TRUE(kit::IsSolvable(game));
  }
}

// A walk of the gap from its home, drawn the way the game draws: column, then
// row, each floor(u * side) + 1, draws beside the gap counted, others retried.
std::string ReferenceShuffle(int side, std::uint64_t seed, int moves) {
  RandomSource rnd(seed);
  std::vector<int> tiles(std::size_t(side * side));
  for (int i = 0; i < side * side; ++i) tiles[std::size_t(i)] = i;
  int ec = side, er = side;
  for (int done = 0; done < moves;) {
    const int x = int(std::floor(rnd.Next() * side)) + 1;
    const int y = int(std::floor(rnd.Next() * side)) + 1;
    if (std::abs(x - ec) + std::abs(y - er) != 1) continue;
    std::swap(tiles[std::size_t((y - 1) * side + x - 1)], tiles[std::size_t((er - 1) * side + ec - 1)]);
    ec = x;
    er = y;
    ++done;
  }
  std::string out;
  for (int i = 0; i < side * side; ++i) {
    if (i > 0) out += i % side == 0 ? '/' : ' ';
    out += tiles[std::size_t(i)] == side * side - 1 ? std::string("_")
                                                    : std::to_string(tiles[std::size_t(i)] + 1);
  }
  return out;
}

TEST_F(ShuffleTest, DrawsColumnThenRowAndCountsOnlyLegalMoves) {
  for (std::uint64_t seed : {3u, 42u, 977u}) {
    for (int side = 3; side <= 6; ++side) {
      kit::SetBoard(game, kit::SolvedText(side));
      game.Rnd.Seed(seed);
      game.Shuffle();
      EXPECT_EQ(kit::BoardText(game), ReferenceShuffle(side, seed, 201))
          << "seed " << seed << " side " << side;
    }
  }
}

TEST_F(ShuffleTest, NewGameDrawsTheShuffledBoardOnce) {
  Start(2, 1);
  EXPECT_EQ(host.Count(HostCall::Kind::Refresh), 1u);
  EXPECT_EQ(host.Calls().size(), 1u);     // nothing else reaches the desktop
  EXPECT_TRUE(sound.Commands().empty());  // and the shuffle is silent
  EXPECT_FALSE(game.Solved);
  // A level no menu offers is refused rather than shuffled forever.
  for (int level : {-1, 0, 5}) {
    game.Level = level;
    EXPECT_THROW(game.NewGame(), std::logic_error);
  }
}

}  // namespace
}  // namespace mirel
