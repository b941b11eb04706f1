#pragma once
// The four built-in puzzle pictures: carved reliefs, 300 x 300, black on white.

#include <QPointF>
#include <QRectF>

#include "tools/FileFormats.h"
#include "tools/HeightField.h"

namespace mirel::tools {

inline constexpr int kReliefSize = 300;

// The reliefs work their shapes out in float, and Qt draws in double.
inline QPointF Point(float x, float y) { return {static_cast<qreal>(x), static_cast<qreal>(y)}; }
inline QRectF Rect(float x, float y, float w, float h) {
  return {static_cast<qreal>(x), static_cast<qreal>(y), static_cast<qreal>(w), static_cast<qreal>(h)};
}

// Grey images (1 = white) before dithering, so each can be looked at and tuned.
Field ShadeSpirals();     // spiral, curling lines
Field ShadeTablet();      // rows of glyphs between horizontal bars
Field ShadeCharacters();  // broad-stroke characters cut into rock
Field ShadeFace();        // portrait with a headband and striped hair

}  // namespace mirel::tools
