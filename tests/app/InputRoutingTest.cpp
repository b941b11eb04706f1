// Where presses and clicks go: a visible label takes its own clicks, a hidden
// one lets presses through to the window, and a double-click acts once.

#include <optional>

#include "AppFixture.h"
#include "platform/QtBitmap.h"

namespace mirel::test {
namespace {

using InputRoutingTest = AppFixture;

// A point inside `area` that no visible label covers.
std::optional<QPoint> UncoveredPoint(const Form1Window& window, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      bool covered = false;
      for (int i = 0; i < kLabelCount; ++i)
        covered = covered || (window.Label(i)->isVisible() && window.Label(i)->geometry().contains(x, y));
      if (!covered) return QPoint(x, y);
    }
  return std::nullopt;
}

TEST_F(InputRoutingTest, VisibleLabelTakesItsClickAndTheWindowNeverSeesThePress) {
  Click(CentreOf(8));
  EXPECT_EQ(window_->clicks, std::vector<std::int16_t>{8});
  EXPECT_TRUE(window_->downs.empty());
  EXPECT_FALSE(form_->State().SoundOn);
  EXPECT_EQ(window_->Label(8)->text(), QString::fromUtf8(kSoundOffCaption));

  // A right-button press on a label is not a click and still not the window's.
  QTest::mouseClick(Handle(), Qt::RightButton, {}, CentreOf(8));
  EXPECT_EQ(window_->clicks.size(), 1u);
  EXPECT_TRUE(window_->downs.empty());
}

TEST_F(InputRoutingTest, DoubleClickOnTheSoundSwitchSwitchesOnce) {
  DoubleClick(CentreOf(8));
  EXPECT_EQ(window_->clicks, std::vector<std::int16_t>{8});
  EXPECT_TRUE(window_->downs.empty());
  EXPECT_FALSE(form_->State().SoundOn);
}

TEST_F(InputRoutingTest, SoundSwitchIsClickableOnItsLastVisibleColumn) {
  const QRect box = window_->Label(8)->geometry();
  Click(QPoint(399, box.center().y()));
  EXPECT_EQ(window_->clicks, std::vector<std::int16_t>{8});
  EXPECT_TRUE(window_->downs.empty());
}

TEST_F(InputRoutingTest, HiddenLabelAreaReachesTheWindowWithClassicButtonAndShift) {
  ASSERT_FALSE(window_->Label(3)->isVisible());
  const auto at = UncoveredPoint(*window_, window_->Label(3)->geometry());
  ASSERT_TRUE(at.has_value());

  QTest::mousePress(Handle(), Qt::LeftButton, {}, *at);
  QTest::mouseRelease(Handle(), Qt::LeftButton, {}, *at);
  QTest::mousePress(Handle(), Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, *at);
  QTest::mouseRelease(Handle(), Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, *at);
  QTest::mousePress(Handle(), Qt::MiddleButton, Qt::AltModifier, *at);
  QTest::mouseRelease(Handle(), Qt::MiddleButton, Qt::AltModifier, *at);

  EXPECT_TRUE(window_->clicks.empty());
  ASSERT_EQ(window_->downs.size(), 3u);
  EXPECT_EQ(window_->downs[0].button, 1);
  EXPECT_EQ(window_->downs[0].shift, 0);
  EXPECT_EQ(window_->downs[1].button, 2);
  EXPECT_EQ(window_->downs[1].shift, 3);
  EXPECT_EQ(window_->downs[2].button, 4);
  EXPECT_EQ(window_->downs[2].shift, 4);
  EXPECT_FLOAT_EQ(window_->downs[0].x, float(at->x()));
  EXPECT_FLOAT_EQ(window_->downs[0].y, float(at->y()));
}

TEST_F(InputRoutingTest, KeysDoNothing) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space, Qt::Key_F4, Qt::Key_Down})
    QTest::keyClick(window_.get(), key);
  QTest::keyClick(window_.get(), Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->clicks.empty());
  EXPECT_TRUE(window_->downs.empty());
  EXPECT_TRUE(form_->State().SoundOn);
  EXPECT_TRUE(window_->Label(1)->isVisible());
}

// Menu to a 3 x 3 game by clicks, then a double-click on a tile next to the gap,
// pressed where a hidden level label lies: the tile moves once, with one sound.
TEST_F(InputRoutingTest, GameIsReachedByClicksAndADoubleClickOnATileMovesItOnce) {
  Click(CentreOf(1));  // over hidden label 3, which must not take it
  EXPECT_EQ(window_->clicks, std::vector<std::int16_t>{1});
  for (int i = 3; i <= 7; ++i) EXPECT_TRUE(window_->Label(i)->isVisible()) << "label " << i;
  for (int i : {0, 1, 2, 8}) EXPECT_FALSE(window_->Label(i)->isVisible()) << "label " << i;

  Click(CentreOf(3));
  EXPECT_EQ(window_->clicks, (std::vector<std::int16_t>{1, 3}));
  ASSERT_TRUE(form_->State().BoardActive);
  ASSERT_EQ(form_->State().Level, 1);
  for (int i = 0; i < kLabelCount; ++i) EXPECT_FALSE(window_->Label(i)->isVisible()) << "label " << i;
  EXPECT_TRUE(window_->downs.empty());

  // A neighbour of the gap, pressed inside some hidden label's old area.
  const int gapCol = form_->Puzzle().CurrentBoard().EmptyCol(), gapRow = form_->Puzzle().CurrentBoard().EmptyRow();
  std::optional<QPoint> at;
  int movedCol = 0, movedRow = 0;
  const int neighbours[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  for (const auto& step : neighbours) {
    const int c = gapCol + step[0], r = gapRow + step[1];
    if (c < 1 || c > 3 || r < 1 || r > 3) continue;
    const CellRec& cell = form_->Puzzle().CellAt(c, r);
    const QRect inside(cell.Left + 1, cell.Top + 1, cell.Right - cell.Left - 1, cell.Bottom - cell.Top - 1);
    for (int i = 3; i <= 7 && !at; ++i) {
      const QRect both = inside & window_->Label(i)->geometry();
      if (!both.isEmpty()) at = both.center();
    }
    if (at) {
      movedCol = c;
      movedRow = r;
      break;
    }
  }
  ASSERT_TRUE(at.has_value()) << "no neighbour of the gap under a level label";

  const int playsBefore = PlayCount("1");
  DoubleClick(*at);
  EXPECT_EQ(window_->downs.size(), 1u);
  EXPECT_EQ(form_->Puzzle().CurrentBoard().EmptyCol(), movedCol);
  EXPECT_EQ(form_->Puzzle().CurrentBoard().EmptyRow(), movedRow);
  EXPECT_EQ(PlayCount("1"), playsBefore + 1);
  EXPECT_EQ(window_->clicks.size(), 2u);

  // With no label showing, the window shows exactly the game's kept image.
  const QImage shown = window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(shown == QtView(form_->Controls().Window.Image()));
}

}  // namespace
}  // namespace mirel::test
