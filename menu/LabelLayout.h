#pragma once
// Where each menu label lies and where its text sits, for every front end:
// the box is drawn in and answers clicks in, so the two always agree.

#include <cstdint>

namespace mirel {

// In device pixels of a window shown at a whole scale.
struct LabelBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  double baseline = 0;  // the text's baseline below the box's top

  bool Contains(double x, double y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};

// Label index's box for a caption whose advance in the label's type, at this
// scale, is `advance` device pixels.
LabelBox LayOutLabel(int index, int advance, int scale);

}  // namespace mirel
