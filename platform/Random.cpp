#include "Random.h"

#include <chrono>

namespace mirel {

void RandomSource::SeedFromClock() {
  Seed(std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count()));
}

double RandomSource::Next() {
  // 53 random bits give every double in [0, 1) on the 2^-53 grid, and never 1.
  return double(engine_() >> 11) * 0x1.0p-53;
}

}  // namespace mirel
