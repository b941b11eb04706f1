// The Windows window routes input as the Linux one does: a press on a label
// is the label's, a label's click is a press and release on it, and a
// double-click on the board is one press. Messages go straight to the window,
// so nothing depends on where it lies on the screen.

#include <gtest/gtest.h>

#include "menu/Form1.h"
#include "tests/common/BoardKit.h"
#include "tests/common/Screens.h"
#include "tests/common/ScriptedHost.h"
#include "tests/common/SoundRig.h"
#include "windows/Form1Frame.h"

namespace mirel {
namespace {

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() : form(host, sound.lib), frame(form, ::GetModuleHandleW(nullptr)) {
    form.Form_Load();
    form.SeedRandom(20240611);
  }

  void Send(UINT message, int x, int y) {
    ::SendMessageW(frame.Handle(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
  }
  void Click(int x, int y) {
    Send(WM_LBUTTONDOWN, x, y);
    Send(WM_LBUTTONUP, x, y);
  }

  ScriptedHost host;
  SoundRig sound;
  Form1 form;
  Form1Frame frame;
};

constexpr int kPlayBuiltInX = 172, kPlayBuiltInY = 111;  // inside "付属の素材で遊ぶ♪"
constexpr int kLevel1X = 178, kLevel1Y = 95;             // inside "素人レベル"

TEST_F(FrameTest, ALabelTakesItsPressAndClicksOnlyWhenReleasedOnItself) {
  Send(WM_LBUTTONDOWN, kPlayBuiltInX, kPlayBuiltInY);
  Send(WM_LBUTTONUP, 10, 10);  // let go off the label: no click
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);

  Click(kPlayBuiltInX, kPlayBuiltInY);
  EXPECT_EQ(VisibleLabels(form), kLevelScreen);
}

TEST_F(FrameTest, ADoubleClickOnTheBoardIsOnePress) {
  Click(kPlayBuiltInX, kPlayBuiltInY);
  Click(kLevel1X, kLevel1Y);
  ASSERT_TRUE(form.State().BoardActive);
  const kit::Cell gap = kit::Gap(form.Puzzle().CurrentBoard());
  const kit::Cell next{gap.c == 0 ? 1 : gap.c - 1, gap.r};
  const auto [x, y] = kit::CellCentre(form.Puzzle(), next.c, next.r);
  Send(WM_LBUTTONDOWN, int(x), int(y));
  const std::string once = form.Puzzle().CurrentBoard().Text();
  Send(WM_LBUTTONUP, int(x), int(y));
  Send(WM_LBUTTONDBLCLK, int(x), int(y));  // the second press of a double-click
  Send(WM_LBUTTONUP, int(x), int(y));
  EXPECT_NE(once, kit::SolvedText(3));
  EXPECT_EQ(form.Puzzle().CurrentBoard().Text(), once) << "the tile went back: the double-click pressed twice";
}

TEST_F(FrameTest, TheWindowIsFixedAndTitledWithAClientOf400By400) {
  RECT client{};
  ::GetClientRect(frame.Handle(), &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 400);
  wchar_t title[16]{};
  ::GetWindowTextW(frame.Handle(), title, 16);
  EXPECT_STREQ(title, L"ミレル");
  const LONG_PTR style = ::GetWindowLongPtrW(frame.Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
}

}  // namespace
}  // namespace mirel
