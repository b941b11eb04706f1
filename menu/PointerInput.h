#pragma once
// Where the mouse goes, for every front end: a press on a shown label is the
// label's whatever the button, and its click is the left button's press and
// release on it; any other press is the board's. A front end sends only first
// presses (the second press of a double-click is no press) and releases, then
// runs the route and repaints or ends as told.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "LabelLayout.h"

namespace mirel {

class Form1;

struct Route {
  enum class To { Nowhere, Label, Board };
  To to = To::Nowhere;
  std::int16_t label = -1;  // Label: its index
  std::int16_t button = 0;  // Board: classic numbering, left 1, right 2, middle 4
  std::int16_t shift = 0;   // Board: shift 1, ctrl 2, alt 4
  float x = 0;              // Board: client pixels
  float y = 0;
};

// What the front end does after running a route.
struct Handled {
  enum class Then { Nothing, Repaint, End };
  Then then = Then::Nothing;
  std::string error;  // End: the message the program ends with
};

class PointerInput {
 public:
  // The advance of a caption in label index's type at the window's scale, in
  // device pixels: the one thing only the front end's font can say.
  using Measure = std::function<int(int index, const std::string& caption)>;

  PointerInput(Form1& form, Measure measure) : form_(form), measure_(std::move(measure)) {}

  // The whole scale the window shows the client area at (device pixels per client pixel).
  void SetScale(int scale) { scale_ = scale; }

  // Label index's box with its caption now.
  LabelBox Box(int index) const;
  // The shown label whose box holds the point, the later one where boxes
  // overlap; -1 for none.
  int LabelAt(double x, double y) const;

  // A press or release at a device point; button 0 is one the game does not know.
  Route Press(std::int16_t button, std::int16_t shift, double x, double y);
  Route Release(std::int16_t button, double x, double y);
  // A label is held down: the front end keeps the mouse until its release.
  bool HoldsLabel() const { return held_ >= 0; }
  // The mouse was taken away: the held label is let go without a click.
  void LetGo() { held_ = -1; }

  // Runs the handler a route names. Input that comes while it runs (a box is
  // open, a pause, events let through) is no input: it routes nowhere. A
  // run-time error ends the program, as the runtime would, after saying what
  // happened.
  Handled Run(const Route& route);

 private:
  Form1& form_;
  Measure measure_;
  int scale_ = 1;
  int held_ = -1;
  bool running_ = false;
};

}  // namespace mirel
