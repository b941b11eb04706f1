// The mouse as every front end hands it on: labels take their own presses,
// the rest reaches the board at the window's scale, input that comes while a
// handler runs is dropped, and a run-time error becomes the message the
// program ends with.

#include <stdexcept>

#include "MenuFixture.h"
#include "menu/PointerInput.h"

namespace mirel {
namespace {

// Type whose every byte is 4 pixels wide at scale 1.
int FixedAdvance(int scale, const std::string& caption) { return int(caption.size()) * 4 * scale; }

class PointerInputTest : public MenuTest {
 protected:
  PointerInputTest() : input(form, [this](int, const std::string& caption) { return FixedAdvance(scale, caption); }) {}

  void SetScale(int s) {
    scale = s;
    input.SetScale(s);
  }
  // A left click at a device point, run as the front end runs it.
  Handled Click(double x, double y) {
    input.Run(input.Press(1, 0, x, y));
    return input.Run(input.Release(1, x, y));
  }

  int scale = 1;
  PointerInput input;
};

TEST_F(PointerInputTest, LabelsTakeTheirPressesAndClickOnlyOnTheirOwnRelease) {
  SetScale(2);
  const LabelBox soundSwitch = input.Box(8);
  EXPECT_EQ(soundSwitch.left, 248 * 2);
  EXPECT_EQ(soundSwitch.height, 21 * 2);
  EXPECT_EQ(soundSwitch.width, FixedAdvance(2, kSoundOnCaption) + 6 * 2);  // the italic lean
  const double x = soundSwitch.left + 1, y = soundSwitch.top + 1;

  // A right press on a label is nobody's; a left one let go elsewhere clicks nothing.
  EXPECT_EQ(input.Press(2, 0, x, y).to, Route::To::Nowhere);
  EXPECT_EQ(input.Press(1, 0, x, y).to, Route::To::Nowhere);
  EXPECT_TRUE(input.HoldsLabel());
  EXPECT_EQ(input.Release(1, 0, 0).to, Route::To::Nowhere);
  EXPECT_FALSE(input.HoldsLabel());
  EXPECT_EQ(Click(x, y).then, Handled::Then::Repaint);
  EXPECT_FALSE(form.State().SoundOn);

  // Where only a hidden label lies, the press is the board's, in client pixels.
  const LabelBox hidden = input.Box(3);
  const Route board = input.Press(4, 3, hidden.left + 1, hidden.top + 1);
  EXPECT_EQ(board.to, Route::To::Board);
  EXPECT_EQ(board.button, 4);
  EXPECT_EQ(board.shift, 3);
  EXPECT_FLOAT_EQ(board.x, float(hidden.left + 1) / 2);
}

TEST_F(PointerInputTest, InputDuringAHandlerIsDroppedAndAnErrorEndsTheProgram) {
  const LabelBox play = input.Box(1);
  host.QueueCancel();
  host.onDoEvents = [&] {  // the file dialog has closed; the player clicks again at once
    EXPECT_EQ(input.Press(1, 0, play.left + 1, play.top + 1).to, Route::To::Nowhere);
    EXPECT_EQ(input.Release(1, play.left + 1, play.top + 1).to, Route::To::Nowhere);
  };
  const LabelBox own = input.Box(2);
  EXPECT_EQ(Click(own.left + 1, own.top + 1).then, Handled::Then::Repaint);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);

  host.onDoEvents = [] { throw std::runtime_error("out of memory"); };
  const Handled ended = Click(own.left + 1, own.top + 1);
  EXPECT_EQ(ended.then, Handled::Then::End);
  EXPECT_EQ(ended.error, "実行時エラー: out of memory");
}

}  // namespace
}  // namespace mirel
