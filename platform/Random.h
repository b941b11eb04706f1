#pragma once
// The program's one uniform random source in [0, 1).

#include <cstdint>
#include <random>

namespace mirel {

class RandomSource {
 public:
  explicit RandomSource(std::uint64_t seed = 0) : engine_(seed) {}
  void Seed(std::uint64_t seed) { engine_.seed(seed); }
  void SeedFromClock();
  // Uniform in [0, 1); never 1.
  double Next();

 private:
  std::mt19937_64 engine_;
};

}  // namespace mirel
