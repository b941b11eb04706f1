// The whole scale the window shows at when the desktop's would not fit the
// screen, frame included.

#include <gtest/gtest.h>

#include <optional>

#include "platform/WindowScale.h"

namespace mirel::test {
namespace {

struct Case {
  const char* what;
  ScreenRoom room;
  std::optional<int> scale;
};

TEST(WindowScaleTest, TakesTheLargestWholeScaleThatFitsAndNoneWhileTheDesktopsFits) {
  const Case cases[] = {
      // The fault: 150 % rounds to 2x, and 800 x 800 was cut off at the bottom.
      {"150 % on 1024 x 768", {2, 1024, 768, 32, 96}, 1},
      {"150 % on 1920 x 1080 with a panel", {2, 1920, 1040, 32, 96}, std::nullopt},
      {"the frame tips it: 1600 x 900 with a panel", {2, 1600, 860, 32, 96}, 1},
      {"one step down, not straight to 1", {4, 2560, 1440, 64, 192}, 3},
      {"never below 1", {3, 640, 480, 48, 144}, 1},
      {"already at 1", {1, 320, 240, 16, 48}, std::nullopt},
      {"a factor the rounding left fractional", {1.5, 800, 600, 24, 72}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(SmallerScaleToFit(c.room, 400), c.scale) << c.what;
}

}  // namespace
}  // namespace mirel::test
