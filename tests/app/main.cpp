// Widget tests need one application object for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/LabelFont.h"

int main(int argc, char** argv) {
  // Listing the tests at build time happens without a display too.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The tests compare the window with its kept image pixel for pixel, at a
  // scale of 1, whatever scale the developer's desktop asks of Qt.
  for (const char* scale : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_ENABLE_HIGHDPI_SCALING",
                            "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_USE_PHYSICAL_DPI"})
    unsetenv(scale);
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  if (!mirel::RegisterLabelFont()) return 1;
  return RUN_ALL_TESTS();
}
