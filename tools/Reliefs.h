#pragma once
// The four built-in puzzle pictures: carved reliefs, 300 x 300, black on white.

#include "tools/FileFormats.h"
#include "tools/HeightField.h"

namespace mirel::tools {

inline constexpr int kReliefSize = 300;

// Grey images (1 = white) before dithering, so each can be looked at and tuned.
Field ShadeSpirals();     // spiral, curling lines
Field ShadeTablet();      // rows of glyphs between horizontal bars
Field ShadeCharacters();  // broad-stroke characters cut into rock
Field ShadeFace();        // portrait with a headband and striped hair

}  // namespace mirel::tools
