#pragma once
// How far a decoder that scales by halves (as a JPEG's reduced transform does)
// is asked to reduce a picture, on every system alike.

namespace mirel::picture {

// The most halvings, up to three (an eighth), that leave each side of a
// width x height picture at least twice the fitted one. Straight to the fitted
// size, fine texture aliases through the reduced transform; the squeeze
// averages the rest away.
constexpr int ReducedHalvings(long long width, long long height, long long targetWidth,
                              long long targetHeight) {
  for (int halvings = 3; halvings > 0; --halvings)
    if (((width - 1) >> halvings) + 1 >= 2 * targetWidth &&
        ((height - 1) >> halvings) + 1 >= 2 * targetHeight)
      return halvings;
  return 0;
}
static_assert(ReducedHalvings(8000, 6000, 300, 225) == 3 && ReducedHalvings(2400, 1800, 300, 225) == 2 &&
              ReducedHalvings(1199, 900, 300, 225) == 1 && ReducedHalvings(1100, 900, 300, 225) == 0);

}  // namespace mirel::picture
