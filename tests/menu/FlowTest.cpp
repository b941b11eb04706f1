// Whole games through the window's handlers, from the title back to the title.

#include "MenuFixture.h"

namespace mirel {
namespace {

using Kind = HostCall::Kind;
constexpr const char* kMoveSound = "play \"1\" from 0 notify";
constexpr const char* kSuccessSound = "play \"2\" from 0 notify";

using FlowTest = MenuTest;

TEST_F(FlowTest, EveryLevelPlaysToTheEndAndBackToTheTitle) {
  for (int level = 1; level <= 4; ++level) {
    SCOPED_TRACE(testing::Message() << "level " << level);
    const int side = level + 2;
    PickLevel(level);
    host.ClearLog();
    sound.Clear();
    // One move per press, each with its sound and one repaint.
    const auto moves = kit::SolveMoves(form.Puzzle().CurrentBoard());
    for (std::size_t i = 0; i < moves.size(); ++i) {
      const kit::Cell gapBefore = kit::Gap(form.Puzzle().CurrentBoard());
      kit::Press(form, moves[i].c, moves[i].r, std::int16_t(level == 2 ? 2 : 1));  // level 2 by right button
      ASSERT_EQ(kit::Gap(form.Puzzle().CurrentBoard()), moves[i]);
      ASSERT_NE(gapBefore, moves[i]);
      ASSERT_EQ(form.State().Solved, i + 1 == moves.size());
    }
    EXPECT_EQ(form.Puzzle().CurrentBoard().Text(), kit::SolvedText(side));
    std::vector<std::string> want(moves.size(), kMoveSound);
    want.push_back(kSuccessSound);
    EXPECT_EQ(sound.Commands(), want);
    const auto boxes = host.Calls(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "修復成功！おめでとうございます。");
    EXPECT_EQ(boxes[0].title, "ミレル");
    EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(host.Count(Kind::Refresh), moves.size() + 1);
    EXPECT_EQ(host.Count(Kind::Sleep), 1u);

    // No keeps the finished picture; a press never moves a tile any more.
    const Bitmap finished = form.Controls().Window.Image();
    host.QueueAnswer(MsgAnswer::No);
    kit::Press(form, side, side - 1);
    EXPECT_TRUE(form.Controls().Window.Image() == finished);
    EXPECT_EQ(form.Puzzle().CurrentBoard().Text(), kit::SolvedText(side));
    EXPECT_EQ(VisibleLabels(form), kGameScreen);

    ReturnToTitle();
    EXPECT_FALSE(form.State().Solved);
    EXPECT_FALSE(form.State().BoardActive);
    EXPECT_TRUE(form.Controls().Window.Image() == form.Controls().Picture2.Image());
    EXPECT_EQ(sound.Commands().size(), moves.size() + 1);  // the questions are silent
  }
}

TEST_F(FlowTest, WithSoundOffAGameIsSilent) {
  form.Label1_Click(8);
  PickLevel(1);
  const int presses = Solve();
  EXPECT_GT(presses, 0);
  EXPECT_TRUE(form.State().Solved);
  EXPECT_TRUE(sound.Commands().empty());
  EXPECT_EQ(host.Count(Kind::MessageBox), 1u);
  ReturnToTitle();
  form.Label1_Click(8);
  PickLevel(1);
  Solve();
  EXPECT_FALSE(sound.Commands().empty());
}

TEST_F(FlowTest, PressesOffTheTilesDuringAGameChangeNothing) {
  PickLevel(3);
  const std::string board = form.Puzzle().CurrentBoard().Text();
  host.ClearLog();
  for (float x : {0.0f, 49.0f, 110.0f, 350.0f, 399.0f})
    for (float y : {0.0f, 99.0f, 160.0f, 400.0f}) form.Form_MouseDown(1, 0, x, y);  // margins and cell edges
  EXPECT_EQ(form.Puzzle().CurrentBoard().Text(), board);
  EXPECT_TRUE(host.Calls().empty());
}

}  // namespace
}  // namespace mirel
