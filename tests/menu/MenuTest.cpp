// The label menu: screens, levels, pictures and the sound switch.

#include <QImage>
#include <set>

#include "MenuFixture.h"
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
  EXPECT_FALSE(form.OwnPicture);
  EXPECT_FALSE(form.BoardActive);
  EXPECT_TRUE(host.Calls().empty());
  EXPECT_TRUE(form.Window.Image() == form.Picture2.Image());
}

TEST_F(MenuTest, HiddenAndUnknownLabelsTakeNoClicks) {
  for (std::int16_t index : {3, 4, 5, 6, 7, -1, 9, 300, -32768}) form.Label1_Click(index);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.BoardActive);
  form.Label1_Click(1);
  for (std::int16_t index : {0, 1, 2, 8}) form.Label1_Click(index);
  EXPECT_EQ(VisibleLabels(form), kLevelScreen);
  EXPECT_TRUE(form.SoundOn);
  EXPECT_TRUE(host.Calls().empty());
}

TEST_F(MenuTest, SoundSwitchNamesTheCurrentState) {
  form.Label1_Click(8);
  EXPECT_FALSE(form.SoundOn);
  EXPECT_EQ(form.Label1[8].Caption, "サウンド・オフ");
  form.Label1_Click(8);
  EXPECT_TRUE(form.SoundOn);
  EXPECT_EQ(form.Label1[8].Caption, "サウンド・オン");
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_TRUE(sound.Commands().empty());
}

TEST_F(MenuTest, CancelledOwnPictureKeepsTheTitle) {
  host.QueueCancel();
  form.Label1_Click(2);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.OwnPicture);
  EXPECT_EQ(form.PictureNo, 0);
}

TEST_F(MenuTest, EachLevelPickBuildsAFreshBoardOfItsSize) {
  for (int level : {4, 1, 3, 2, 4}) {
    StartLevel(level);
    const int side = level + 2;
    EXPECT_EQ(VisibleLabels(form), kGameScreen);
    EXPECT_EQ(form.Level, level);
    EXPECT_EQ(form.GridCols, side);
    EXPECT_EQ(form.CellGrid.UBound(), side + 1);
    EXPECT_EQ(form.CellGrid(1, 1).Width, 300 / side);
    EXPECT_EQ(kit::InvariantViolation(form), "");
    EXPECT_NE(kit::BoardText(form), kit::SolvedText(side));
    EXPECT_FALSE(form.Solved);
    EXPECT_GE(form.PictureNo, 0);
    EXPECT_LE(form.PictureNo, 3);
    EXPECT_FALSE(form.Window.Image() == form.Picture2.Image());
    Solve();
    ReturnToTitle();
  }
}

TEST_F(MenuTest, BuiltInPicturesAreChosenAtRandomAmongAllFour) {
  std::multiset<int> seen;
  for (int game = 0; game < 40; ++game) {
    StartLevel(1);
    seen.insert(form.PictureNo);
    Solve();
    ReturnToTitle();
  }
  for (int p = 0; p < 4; ++p) EXPECT_GE(seen.count(p), 3u) << "picture " << p;
  EXPECT_EQ(seen.size(), 40u);
}

// The player's own picture (label 2) needs a picture file to choose.
class OwnPictureMenuTest : public MenuTest {
 protected:
  OwnPictureMenuTest() {
    QImage picture(300, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 300; ++x) picture.setPixel(x, y, qRgb(x % 251, y % 241, (x * y) % 239));
    file = (folder.Path() / "own.bmp").string();
    EXPECT_TRUE(picture.save(QString::fromStdString(file), "BMP"));
    own = picture;
  }

  void ChooseOwn() {
    host.QueueFile(file);
    form.Label1_Click(2);
    ASSERT_EQ(VisibleLabels(form), kLevelScreen);
    ASSERT_TRUE(form.OwnPicture);
    ASSERT_EQ(form.PictureNo, 4);
  }

  TempFolder folder;
  std::string file;
  QImage own;
};

TEST_F(OwnPictureMenuTest, OwnPictureServesExactlyOneGame) {
  ChooseOwn();
  form.Label1_Click(3);
  EXPECT_EQ(form.PictureNo, 4);
  EXPECT_FALSE(form.OwnPicture);
  // Own tiles are copied as they are: find tile 1 and compare a pixel.
  for (int c = 1; c <= 3; ++c)
    for (int r = 1; r <= 3; ++r)
      if (form.CellGrid(c, r).TileNo == 0) {
        EXPECT_EQ(form.Window.Pixel(50 + (c - 1) * 100 + 10, 100 + (r - 1) * 100 + 20), own.pixel(10, 20));
      }
  Solve();
  ReturnToTitle();
  StartLevel(1);
  EXPECT_LT(form.PictureNo, 4);
}

TEST_F(OwnPictureMenuTest, BackDropsTheChosenPicture) {
  ChooseOwn();
  form.Label1_Click(7);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.OwnPicture);
  EXPECT_EQ(form.PictureNo, 4);  // kept until the next level pick
  StartLevel(2);
  EXPECT_LT(form.PictureNo, 4);
}

}  // namespace
}  // namespace mirel
