// Widget tests need one application object for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <cstdlib>

int main(int argc, char** argv) {
  // Listing the tests at build time happens without a display too.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/MochiyPopOne-Regular.ttf"));
  return RUN_ALL_TESTS();
}
