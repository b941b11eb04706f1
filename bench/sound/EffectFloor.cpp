// The floor for the press-to-sound benchmark: the least a Qt program does to
// play a sound at a mouse press, with the sound effect loaded beforehand.

#include <QApplication>
#include <QSoundEffect>
#include <QUrl>
#include <QWidget>

namespace {

class Window : public QWidget {
 public:
  explicit Window(const QString& wave) {
    setWindowTitle(QStringLiteral("floor"));
    setFixedSize(400, 400);
    effect_.setSource(QUrl::fromLocalFile(wave));
  }

 protected:
  void mousePressEvent(QMouseEvent*) override { effect_.play(); }

 private:
  QSoundEffect effect_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  Window window(QString::fromLocal8Bit(argv[1]));
  window.show();
  return QApplication::exec();
}
