// The window's state as built and loaded: pictures, tile boxes, labels.

#include "MenuFixture.h"

#include "assets/Assets.h"

namespace mirel {
namespace {

constexpr std::uint32_t kGrey = 0xFF7F7F7Fu;
constexpr std::uint32_t kCrimson = 0xFF880015u;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

TEST(Form1Build, LoadsTheBuiltInPictures) {
  ScriptedHost host;
  SoundRig sound;
  Form1 form(host, sound.lib);
  ASSERT_EQ(form.Controls().Picture2.ScaleWidth(), 400);
  ASSERT_EQ(form.Controls().Picture2.ScaleHeight(), 400);
  // The stele's top row, its outline and the crimson around it.
  EXPECT_EQ(form.Controls().Picture2.Pixel(82, 0), kGrey);
  EXPECT_EQ(form.Controls().Picture2.Pixel(81, 0), kBlack);
  EXPECT_EQ(form.Controls().Picture2.Pixel(80, 0), kCrimson);
  EXPECT_EQ(form.Controls().Picture2.Pixel(376, 399), kGrey);
  // The board lies on the stele, so AND-ed tiles show on grey.
  for (int y = 100; y < 400; y += 3)
    for (int x = 50; x < 350; x += 3) ASSERT_EQ(form.Controls().Picture2.Pixel(x, y), kGrey) << x << "," << y;

  EXPECT_TRUE(host.Calls().empty());
  // A built-in picture is loaded as a game first needs it.
  EXPECT_EQ(form.Controls().Picture3[0].Pixel(0, 0), kFaceColour);
  form.Form_Load();
  for (int i = 0; i < 4; ++i) {
    form.StartLevel(1, i);
    const Surface& relief = form.Controls().Picture3[std::size_t(i)];
    ASSERT_EQ(relief.Width(), 304) << i;
    ASSERT_EQ(relief.Height(), 304) << i;
    int black = 0, white = 0;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 300; ++x) {
        const std::uint32_t p = relief.Pixel(x, y);
        black += p == kBlack;
        white += p == kWhite;
      }
    EXPECT_EQ(black + white, 300 * 300) << "relief " << i << " is two-coloured";
    EXPECT_GT(black, 0);
    EXPECT_GT(white, black);
  }
  EXPECT_EQ(form.Controls().Picture3[4].Width(), 304);
  EXPECT_EQ(form.Controls().Picture3[4].Pixel(0, 0), kFaceColour);
}

using Form1Load = MenuTest;

TEST_F(Form1Load, ShowsTheTitleWithSoundOnAndAllTileBoxes) {
  EXPECT_TRUE(form.State().SoundOn);
  EXPECT_FALSE(form.State().BoardActive);
  EXPECT_FALSE(form.State().Solved);
  EXPECT_FALSE(form.Puzzle().Cells().Allocated());
  ASSERT_EQ(form.Controls().Picture1.size(), 36u);
  for (const Surface& box : form.Controls().Picture1) {
    EXPECT_EQ(box.Width(), 209);
    EXPECT_EQ(box.Height(), 217);
  }
  EXPECT_TRUE(form.Controls().Window.Image() == form.Controls().Picture2.Image());
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_EQ(form.Menu().Label1[8].Caption, "サウンド・オン");
  EXPECT_TRUE(host.Calls().empty());
  EXPECT_TRUE(sound.Commands().empty());
}

TEST_F(Form1Load, PressesOnTheTitleAndLevelScreensDoNothing) {
  const Bitmap title = form.Controls().Window.Image();
  for (int screen = 0; screen < 2; ++screen) {
    for (float x = -5; x < 410; x += 15)
      for (float y = -5; y < 410; y += 15) form.Form_MouseDown(std::int16_t(1 + screen), 0, x, y);
    EXPECT_TRUE(host.Calls().empty());
    EXPECT_TRUE(form.Controls().Window.Image() == title);
    EXPECT_EQ(VisibleLabels(form), screen == 0 ? kTitleScreen : kLevelScreen);
    form.Label1_Click(1);
  }
}

}  // namespace
}  // namespace mirel
