// The label menu: screens, levels, pictures and the sound switch.

#include <set>

#include "MenuFixture.h"
#include "platform/Utf8Path.h"
#include "tests/common/TempFolder.h"

namespace mirel {
namespace {

TEST_F(MenuTest, LabelsMoveBetweenTitleAndLevelScreens) {
  form.Label1_Click(0);  // the heading does nothing
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  form.Label1_Click(1);
  EXPECT_EQ(VisibleLabels(form), kLevelScreen);
  form.Label1_Click(7);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.State().OwnPicture);
  EXPECT_FALSE(form.State().BoardActive);
  EXPECT_TRUE(host.Calls().empty());
  EXPECT_TRUE(form.Controls().Window.Image() == form.Controls().Picture2.Image());
}

TEST_F(MenuTest, HiddenAndUnknownLabelsTakeNoClicks) {
  for (int index : {3, 4, 5, 6, 7, -1, 9, 300, -32768}) form.Label1_Click(std::int16_t(index));
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.State().BoardActive);
  form.Label1_Click(1);
  for (int index : {0, 1, 2, 8}) form.Label1_Click(std::int16_t(index));
  EXPECT_EQ(VisibleLabels(form), kLevelScreen);
  EXPECT_TRUE(form.State().SoundOn);
  EXPECT_TRUE(host.Calls().empty());
}

TEST_F(MenuTest, SoundSwitchNamesTheCurrentState) {
  form.Label1_Click(8);
  EXPECT_FALSE(form.State().SoundOn);
  EXPECT_EQ(form.Menu().Label1[8].Caption, "サウンド・オフ");
  form.Label1_Click(8);
  EXPECT_TRUE(form.State().SoundOn);
  EXPECT_EQ(form.Menu().Label1[8].Caption, "サウンド・オン");
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_TRUE(sound.Commands().empty());
}

// Guards: the menu's public calls left its captions and labels behind the game.
TEST_F(MenuTest, CallsFromOutsideTheLabelsKeepTheMenuInStep) {
  form.SetSoundOn(false);
  EXPECT_EQ(form.Menu().Label1[8].Caption, "サウンド・オフ");
  form.StartLevel(1, 2);
  EXPECT_EQ(VisibleLabels(form), kGameScreen);
  const auto moves = kit::SolveMoves(form.Puzzle().CurrentBoard());
  for (std::size_t i = 0; i < moves.size(); ++i) {
    const auto [x, y] = kit::CellCentre(form.Puzzle(), moves[i].c, moves[i].r);
    EXPECT_EQ(form.Form_MouseDown(1, 0, x, y), i + 1 < moves.size() ? PressOutcome::Moved : PressOutcome::Solved);
  }
  host.QueueAnswer(MsgAnswer::No);
  EXPECT_EQ(form.Form_MouseDown(1, 0, 10, 10), PressOutcome::Nothing);
  EXPECT_EQ(form.Form_MouseDown(1, 0, 10, 10), PressOutcome::BackToTitle);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
}

TEST_F(MenuTest, CancelledOwnPictureKeepsTheTitle) {
  host.QueueCancel();
  form.Label1_Click(2);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.State().OwnPicture);
  EXPECT_EQ(form.State().PictureNo, 0);
}

// Guards: on Windows the file name in the message was read in the ANSI code page.
TEST_F(MenuTest, AJapaneseFileNameComesOutWholeInTheMessage) {
  const TempFolder folder;
  host.QueueFile(Utf8FromPath(folder.Path() / PathFromUtf8("夏の写真.jpg")));  // never written
  form.Label1_Click(2);
  const auto boxes = host.Calls(HostCall::Kind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "画像を読み込めませんでした。\n夏の写真.jpg\n\nファイルが見つかりません。");
}

TEST_F(MenuTest, EachLevelPickBuildsAFreshBoardOfItsSize) {
  for (int level : {4, 1, 3, 2, 4}) {
    PickLevel(level);
    const int side = level + 2;
    EXPECT_EQ(VisibleLabels(form), kGameScreen);
    EXPECT_EQ(form.State().Level, level);
    EXPECT_EQ(form.Puzzle().CurrentBoard().Side(), side);
    EXPECT_EQ(form.Puzzle().Cells().UBound(), side + 1);
    EXPECT_EQ(form.Puzzle().CellAt(1, 1).Width, 300 / side);
    EXPECT_EQ(kit::InvariantViolation(form.Puzzle()), "");
    EXPECT_NE(form.Puzzle().CurrentBoard().Text(), kit::SolvedText(side));
    EXPECT_FALSE(form.State().Solved);
    EXPECT_GE(form.State().PictureNo, 0);
    EXPECT_LE(form.State().PictureNo, 3);
    EXPECT_FALSE(form.Controls().Window.Image() == form.Controls().Picture2.Image());
    Solve();
    ReturnToTitle();
  }
}

TEST_F(MenuTest, BuiltInPicturesAreChosenAtRandomAmongAllFour) {
  std::multiset<int> seen;
  for (int game = 0; game < 40; ++game) {
    PickLevel(1);
    seen.insert(form.State().PictureNo);
    Solve();
    ReturnToTitle();
  }
  // Each of the four, and never the player's own picture, which nobody chose.
  for (int p = 0; p < 4; ++p) EXPECT_GE(seen.count(p), 3u) << "picture " << p;
  EXPECT_EQ(seen.count(0) + seen.count(1) + seen.count(2) + seen.count(3), 40u);
}

}  // namespace
}  // namespace mirel
