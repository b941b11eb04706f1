// Widget tests need one application object for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/LabelFont.h"

int main(int argc, char** argv) {
  // Listing the tests at build time happens without a display too.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  if (!mirel::RegisterLabelFont()) return 1;
  return RUN_ALL_TESTS();
}
