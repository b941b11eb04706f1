#pragma once
// The humble window of the web page: shows the game's kept image on the
// page's canvas at a whole scale, draws the nine menu labels over it in the
// embedded font, and hands presses to the menu's pointer input. It decides
// nothing; after every handler it repaints at once.

#include <cstdint>

#include "menu/PointerInput.h"

namespace mirel {

class Form1;

class WebFrame {
 public:
  explicit WebFrame(Form1& form);

  // The canvas's whole scale in device pixels, which the page chooses to fit.
  void Rescale(int scale);
  // Paints the kept image and the labels now.
  void Paint();
  // A press or release at a device point of the canvas.
  void Press(std::int16_t button, std::int16_t shift, double x, double y);
  void Release(std::int16_t button, double x, double y);
  // The page lost the pointer: a held label is let go without a click.
  void LetGo() { input_.LetGo(); }

 private:
  void Dispatch(const Route& route);

  Form1& form_;
  PointerInput input_;
  int scale_ = 1;
};

}  // namespace mirel
