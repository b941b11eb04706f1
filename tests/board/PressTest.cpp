// Presses on the window: the hit test, moves with their sound and repaint, the
// completion sequence and the way back to the title.

#include "BoardFixture.h"

namespace mirel {
namespace {

using Kind = HostCall::Kind;
constexpr const char* kMoveSound = "play \"1\" from 0 notify";
constexpr const char* kSuccessSound = "play \"2\" from 0 notify";

class PressTest : public BoardTest {
 protected:
  // Nothing at all happened: same board, same window, no call out.
  void ExpectNoEffect(std::string_view board, float x, float y) {
    Play(board);
    host.ClearLog();
    sound.Clear();
    const Bitmap before = game.Controls().Window.Image();
    game.Form_MouseDown(1, 0, x, y);
    EXPECT_EQ(game.CurrentBoard().Text(), board) << "press at " << x << "," << y;
    EXPECT_TRUE(host.Calls().empty()) << "press at " << x << "," << y;
    EXPECT_TRUE(sound.Commands().empty());
    EXPECT_TRUE(game.Controls().Window.Image() == before);
  }
};

TEST_F(PressTest, PressOnTheTileAboveTheGapSlidesItDown) {
  Play("1 2 3/4 6 5/7 8 .");
  host.ClearLog();
  game.Form_MouseDown(1, 0, 260, 210);
  EXPECT_EQ(game.CurrentBoard().Text(), "1 2 3/4 6 ./7 8 5");
  EXPECT_EQ(kit::Gap(game.CurrentBoard()), (kit::Cell{3, 2}));
  EXPECT_EQ(sound.Commands(), std::vector<std::string>{kMoveSound});
  EXPECT_EQ(host.Kinds(), std::vector<Kind>{Kind::Refresh});
  // The repaint shows the tile in its new cell and the gap where it was.
  EXPECT_EQ(game.Controls().Window.Pixel(300, 350),
            game.Controls().Picture1[4].Pixel(50, 50) & game.Controls().Picture2.Pixel(300, 350));
  EXPECT_EQ(game.Controls().Window.Pixel(300, 250), game.Controls().Picture2.Pixel(300, 250));
}

TEST_F(PressTest, PressesThatHitNoMovableTileChangeNothing) {
  // Gap at (2, 2): cell (1, 2) could slide right, if it were hit.
  ExpectNoEffect("1 2 3/4 . 5/7 8 6", 150.0f, 250.0f);   // the line between columns 1 and 2
  ExpectNoEffect("1 2 3/4 . 5/7 8 6", 100.0f, 200.0f);   // a line between rows
  ExpectNoEffect("1 2 3/4 . 5/7 8 6", 150.01f, 250.0f);  // the gap itself
  ExpectNoEffect("1 2 3/4 . 5/7 8 6", 100.0f, 150.0f);   // diagonal to the gap
  ExpectNoEffect("1 2 3/4 . 5/7 8 6", 49.5f, 250.0f);    // left of the board
  // Gap at (3, 1): (3, 2) below and (2, 1) beside could slide.
  ExpectNoEffect("1 2 ./4 5 3/7 8 6", 300.0f, 99.0f);   // above the board
  ExpectNoEffect("1 2 ./4 5 3/7 8 6", 351.0f, 150.0f);  // right of the board
  ExpectNoEffect("1 2 ./4 5 3/7 8 6", 350.0f, 150.0f);  // the board's right edge
  ExpectNoEffect("1 2 ./4 5 3/7 8 6", -1e9f, 1e9f);     // far away
}

TEST_F(PressTest, EdgesAreComparedAsRealNumbers) {
  Play("1 2 3/4 . 5/7 8 6");
  game.Form_MouseDown(1, 0, 149.99f, 250.0f);  // just inside cell (1, 2)
  EXPECT_EQ(game.CurrentBoard().Text(), "1 2 3/. 4 5/7 8 6");
  Play("1 2 3/4 . 5/7 8 6");
  game.Form_MouseDown(1, 0, 250.0f, 299.999f);  // just above the line under (2, 2)
  EXPECT_EQ(game.CurrentBoard().Text(), "1 2 3/4 . 5/7 8 6");
}

TEST_F(PressTest, AnyButtonAndModifierMoves) {
  Play("1 2 3 4/5 6 7 8/9 10 11 12/13 14 . 15");
  kit::Press(game, 4, 4, /*right button*/ 2);
  EXPECT_EQ(game.CurrentBoard().Text(), "1 2 3 4/5 6 7 8/9 10 11 12/13 14 15 .");
  EXPECT_TRUE(game.State().Solved);
  Play("1 2 3 4/5 6 7 8/9 10 11 12/13 14 . 15");
  game.Form_MouseDown(4, 7, 240.0f, 360.0f);  // middle button, all modifiers, cell (3, 4) = the gap
  EXPECT_EQ(game.CurrentBoard().Text(), "1 2 3 4/5 6 7 8/9 10 11 12/13 14 . 15");
  game.Form_MouseDown(4, 7, 240.0f, 290.0f);  // cell (3, 3), above the gap
  EXPECT_EQ(game.CurrentBoard().Text(), "1 2 3 4/5 6 7 8/9 10 . 12/13 14 11 15");
}

TEST_F(PressTest, NothingHappensWhileNoBoardIsActive) {
  // Back at the title the finished board stays in memory but takes no presses.
  Play("1 2 3/4 5 6/7 . 8");
  kit::Press(game, 3, 3);
  host.QueueAnswer(MsgAnswer::Yes);
  game.Form_MouseDown(1, 0, 5, 5);
  ASSERT_FALSE(game.State().BoardActive);
  host.ClearLog();
  sound.Clear();
  for (float x = 0; x < 400; x += 25)
    for (float y = 0; y < 400; y += 25) game.Form_MouseDown(1, 0, x + 0.5f, y + 0.5f);
  EXPECT_EQ(game.CurrentBoard().Text(), kit::SolvedText(3));
  EXPECT_TRUE(host.Calls().empty());
  EXPECT_TRUE(sound.Commands().empty());
  // Before any level pick there is no grid at all; still nothing happens.
  ScriptedHost freshHost;
  Game fresh(freshHost, sound.lib);
  EXPECT_NO_THROW(fresh.Form_MouseDown(1, 0, 200, 250));
}

TEST_F(PressTest, TheWinningMovePausesThenSoundsShowsThePieceAndCongratulates) {
  for (bool soundOn : {true, false}) {
    SCOPED_TRACE(soundOn ? "sound on" : "sound off");
    Play("1 2 3/4 5 6/7 . 8");
    game.SetSoundOn(soundOn);
    host.ClearLog();
    sound.Clear();
    std::vector<std::string> soundsBeforePause;
    std::uint32_t cornerDuringPause = 0, cornerAtMessage = 0;
    host.onSleep = [&](int) {
      soundsBeforePause = sound.Commands();
      cornerDuringPause = game.Controls().Window.Pixel(349, 399);
      EXPECT_FALSE(game.State().Solved);
    };
    host.onMessageBox = [&](const HostCall&) {
      cornerAtMessage = game.Controls().Window.Pixel(349, 399);
      return MsgAnswer::Ok;
    };
    kit::Press(game, 3, 3);

    EXPECT_EQ(host.Kinds(), (std::vector<Kind>{Kind::Refresh, Kind::Sleep, Kind::Refresh, Kind::MessageBox}));
    EXPECT_EQ(host.Calls(Kind::Sleep).at(0).milliseconds, 300);
    const HostCall box = host.Calls(Kind::MessageBox).at(0);
    EXPECT_EQ(box.text, "修復成功！おめでとうございます。");
    EXPECT_EQ(box.title, "ミレル");
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    const std::vector<std::string> none;
    EXPECT_EQ(soundsBeforePause, soundOn ? std::vector<std::string>{kMoveSound} : none);
    const std::vector<std::string> both{kMoveSound, kSuccessSound};
    EXPECT_EQ(sound.Commands(), soundOn ? both : none);
    EXPECT_EQ(cornerDuringPause, game.Controls().Picture2.Pixel(349, 399));
    EXPECT_EQ(cornerAtMessage,
              game.Controls().Picture1[8].Pixel(99, 99) & game.Controls().Picture2.Pixel(349, 399));
    EXPECT_TRUE(game.State().Solved);
    EXPECT_TRUE(game.State().BoardActive);
    host.onSleep = nullptr;
    host.onMessageBox = nullptr;
  }
}

TEST_F(PressTest, CheckingAnUnsolvedBoardDoesNothing) {
  // A misplaced pair at the start, in the middle and at the end of the board;
  // every tile home but the gap elsewhere.
  for (const char* board :
       {"2 1 3/4 5 6/7 8 .", "1 2 3/4 6 5/7 8 .", "1 2 3/4 5 6/8 7 .", "1 2 3/4 5 6/7 . 8"}) {
    Play(board);
    host.ClearLog();
    game.CheckComplete();
    EXPECT_TRUE(host.Calls().empty()) << board;
    EXPECT_FALSE(game.State().Solved) << board;
  }
}

TEST_F(PressTest, AfterSolvingAPressAsksToReturnAndNoKeepsThePicture) {
  Play("1 2 3/4 5 6/7 . 8");
  kit::Press(game, 3, 3);
  ASSERT_TRUE(game.State().Solved);
  const Bitmap solvedPicture = game.Controls().Window.Image();
  host.ClearLog();
  sound.Clear();
  host.QueueAnswer(MsgAnswer::No);
  kit::Press(game, 3, 2);  // next to the filled corner: no move any more
  const std::vector<HostCall> asked = host.Calls();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "タイトルに戻りますか？");
  EXPECT_EQ(asked[0].title, "ミレル");
  EXPECT_EQ(asked[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(asked[0].defaultButton, MsgAnswer::Yes);
  EXPECT_EQ(game.CurrentBoard().Text(), kit::SolvedText(3));
  EXPECT_TRUE(game.Controls().Window.Image() == solvedPicture);
  EXPECT_TRUE(game.State().Solved && game.State().BoardActive);
  EXPECT_TRUE(sound.Commands().empty());

  host.QueueAnswer(MsgAnswer::No);
  game.Form_MouseDown(1, 0, 5, 5);  // anywhere asks again
  EXPECT_EQ(host.Count(Kind::MessageBox), 2u);
  EXPECT_TRUE(game.State().Solved);
}

TEST_F(PressTest, YesReturnsToTheTitle) {
  Play("1 2 3/4 5 6/7 . 8");
  kit::Press(game, 3, 3);
  host.ClearLog();
  bool backdropAtRefresh = false;
  host.onRefresh = [&] {
    backdropAtRefresh = game.Controls().Window.Image() == game.Controls().Picture2.Image();
  };
  host.QueueAnswer(MsgAnswer::Yes);
  kit::Press(game, 2, 2);
  EXPECT_EQ(host.Kinds(), (std::vector<Kind>{Kind::MessageBox, Kind::Refresh}));
  EXPECT_TRUE(backdropAtRefresh);
  EXPECT_FALSE(game.State().Solved);
  EXPECT_FALSE(game.State().BoardActive);
}

}  // namespace
}  // namespace mirel
