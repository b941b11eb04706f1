#pragma once
// A game or form whose state and controls a test may set up directly:
// synthetic pictures, a kept image to show, a state no menu reaches.
// Checks read through State() and Controls() as the window does.

#include "board/Game.h"

namespace mirel {

template <class G>
class Opened : public G {
 public:
  using G::G;
  FormState& EditState() { return *this; }
  FormControls& EditControls() { return *this; }
};

}  // namespace mirel
