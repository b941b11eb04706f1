#include "LabelLayout.h"

#include "LabelTable.h"

namespace mirel {

// The menu is laid out for type whose line is one em high, as the labels'
// places and the window's edge assume: the box is one em tall and the text's
// ideographic em box fills it. A font with a taller line would otherwise push
// the bottom labels past the window's edge.
constexpr double kEmAscent = 0.88;  // the em box's top above the baseline, in ems

LabelBox LayOutLabel(int index, int advance, int scale) {
  const LabelDesign& design = kLabelDesign.at(std::size_t(index));
  // Italic type leans past its advance; the box takes in the last glyph's lean.
  const int lean = design.italic ? (design.pixelSize + 3) / 4 : 0;
  return {design.left * scale, design.top * scale, advance + lean * scale, design.pixelSize * scale,
          kEmAscent * design.pixelSize * scale};
}

}  // namespace mirel
