#include "PointerInput.h"

#include <exception>

#include "Form1.h"

namespace mirel {

LabelBox PointerInput::Box(int index) const {
  const std::string& caption = form_.Menu().Label1.at(std::size_t(index)).Caption;
  return LayOutLabel(index, measure_(index, caption), scale_);
}

int PointerInput::LabelAt(double x, double y) const {
  for (int i = kLabelCount - 1; i >= 0; --i)
    if (form_.Menu().Label1[std::size_t(i)].Visible && Box(i).Contains(x, y)) return i;
  return -1;
}

Route PointerInput::Press(std::int16_t button, std::int16_t shift, double x, double y) {
  if (running_) return {};
  if (const int label = LabelAt(x, y); label >= 0) {
    if (button == 1) held_ = label;
    return {};
  }
  if (button == 0) return {};
  Route route;
  route.to = Route::To::Board;
  route.button = button;
  route.shift = shift;
  route.x = float(x / scale_);
  route.y = float(y / scale_);
  return route;
}

Route PointerInput::Release(std::int16_t button, double x, double y) {
  if (button != 1 || held_ < 0) return {};
  const int label = held_;
  held_ = -1;
  // Released on the label itself, which may have gone meanwhile.
  if (running_ || !form_.Menu().Label1[std::size_t(label)].Visible || !Box(label).Contains(x, y)) return {};
  Route route;
  route.to = Route::To::Label;
  route.label = std::int16_t(label);
  return route;
}

Handled PointerInput::Run(const Route& route) {
  if (route.to == Route::To::Nowhere || running_) return {};
  running_ = true;
  Handled handled{Handled::Then::Repaint, {}};
  try {
    if (route.to == Route::To::Label)
      form_.Label1_Click(route.label);
    else
      form_.Form_MouseDown(route.button, route.shift, route.x, route.y);
  } catch (const std::exception& error) {
    handled = {Handled::Then::End, std::string(kRuntimeErrorPrefix) + error.what()};
  }
  running_ = false;
  return handled;
}

}  // namespace mirel
