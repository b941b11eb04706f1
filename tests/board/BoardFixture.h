#pragma once
// A Game with a scripted host and silent sound, its 36 tile boxes loaded, and
// synthetic pictures whose every pixel differs, so a misplaced copy shows.

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "board/Game.h"
#include "tests/common/BoardKit.h"
#include "tests/common/ScriptedHost.h"
#include "tests/common/SoundRig.h"

namespace mirel {

// A colour that depends on place and seed; all bits in use so AND is visible.
inline std::uint32_t PatternPixel(int x, int y, int seed) {
  const unsigned v = unsigned(x) * 2654435761u ^ unsigned(y) * 40503u ^ unsigned(seed) * 97u;
  return 0xFF000000u | ((v ^ (v >> 13)) & 0xFFFFFFu);
}

inline Bitmap Pattern(int width, int height, int seed) {
  Bitmap picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.SetPixel(x, y, PatternPixel(x, y, seed));
  return picture;
}

class BoardTest : public ::testing::Test {
 protected:
  BoardTest() : game(host, sound.lib) {
    for (std::size_t i = 1; i < kTileSlots; ++i) game.LoadPicture1(i);
    game.SetSoundOn(true);
    game.LoadPicture2(Pattern(400, 400, 1));
    // Larger than 300 x 300: what lies beyond must never reach a tile.
    for (int p = 0; p < 5; ++p) game.LoadPicture3(std::size_t(p), Pattern(320, 310, 10 + p));
  }

  // A level pick from a fixed seed.
  void Start(int level, int pictureNo, std::uint64_t seed = 7) {
    game.SeedRandom(seed);
    game.StartLevel(level, pictureNo);
  }

  // A board in play with the given tiles: a new game cuts the tile images,
  // then the tiles are laid out as the text says.
  void Play(std::string_view board, int pictureNo = 0) {
    const Board tiles = Board::FromText(board);
    Start(tiles.Side() - 2, pictureNo);
    game.SetBoard(tiles);
  }

  ScriptedHost host;
  SoundRig sound;
  Game game;
};

}  // namespace mirel
