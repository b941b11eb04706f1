// The yardstick for the program's start: the least a Qt Widgets window with
// one Japanese label costs to reach the screen.

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("minimal"));
  window.setFixedSize(400, 400);
  QLabel label(QStringLiteral("ミレル"), &window);
  QFont font = label.font();
  font.setPixelSize(48);
  label.setFont(font);
  label.move(104, 8);
  label.adjustSize();
  window.show();
  return QApplication::exec();
}
