#include "ScreenFit.h"

#include <QByteArray>
#include <QScreen>
#include <cmath>
#include <optional>

#include "OpenApplication.h"
#include "platform/WindowScale.h"
#include "board/Game.h"

namespace mirel {
namespace {

// Room kept for the window manager's title bar and borders, in pixels at the
// desktop's scale. The real frame is known only after the window is shown,
// too late to choose a scale without a visible jump; this is a little more
// than the common desktops' frames take (title bars of about 24 to 40,
// borders of up to 4 a side), so a window that passes is seen whole.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

int DevicePixels(int pixels, qreal ratio) { return static_cast<int>(std::lround(pixels * ratio)); }

// The global factor that takes the window on the primary screen, where it
// centres, down to the whole scale at which it fits; none while it fits.
std::optional<qreal> FactorToFit() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  const qreal ratio = screen->devicePixelRatio();
  const QSize area = screen->availableGeometry().size();
  const std::optional<int> scale =
      SmallerScaleToFit({ratio, DevicePixels(area.width(), ratio), DevicePixels(area.height(), ratio),
                         DevicePixels(kFrameWidth, ratio), DevicePixels(kFrameHeight, ratio)},
                        kClientSize);
  // The factor multiplies the screen's own; for every whole screen factor d
  // up to 21, (k / d) * d comes out exactly k in doubles.
  if (scale) return *scale / ratio;
  return std::nullopt;
}

// Qt reads its scale settings only as the application is made, so a new one
// is made with the screen's factor rounded down and, if given, a global
// factor. Qt holds on to argc and argv for the application's life, and takes
// its own options out of them: each application gets a fresh copy of the
// command line as the program got it, kept as long as the program runs.
void Remake(std::unique_ptr<QApplication>& app, const std::vector<std::string>& arguments,
            std::optional<qreal> factor) {
  static std::vector<std::string> text;
  static std::vector<char*> pointers;
  static int count = 0;
  app.reset();
  text = arguments;
  pointers.clear();
  for (std::string& argument : text) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  count = static_cast<int>(text.size());
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Floor);
  if (factor) qputenv("QT_SCALE_FACTOR", QByteArray::number(*factor, 'g', 17));
  app = OpenApplication(count, pointers.data());
  // Read by now; what the game starts gets the user's environment back.
  qunsetenv("QT_SCALE_FACTOR");
}

}  // namespace

void FitApplicationToScreen(std::unique_ptr<QApplication>& app, const std::vector<std::string>& arguments) {
  // A scale the user asked for is kept, fitting or not.
  if (!qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) return;
  if (!FactorToFit()) return;
  // First the desktop's scale rounded down rather than to the nearest: a
  // 150 % desktop then gives 1x, and Qt sizes the text for 150 % over it, as
  // the desktop's own text is. A global factor alone would shrink the text
  // with the window, to three quarters of a 100 % desktop's.
  Remake(app, arguments, std::nullopt);
  // Rounded down it may still be too large (a 200 % desktop on a small
  // screen); then the global factor takes it the rest of the way.
  if (const std::optional<qreal> factor = FactorToFit()) Remake(app, arguments, factor);
}

}  // namespace mirel
