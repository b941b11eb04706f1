// The random source.

#include <gtest/gtest.h>

#include <set>

#include "platform/Random.h"

namespace mirel {
namespace {

TEST(RandomSource, AFixedSeedGivesTheSameSequenceInTheHalfOpenUnitRange) {
  RandomSource a(2024), b(2024);
  std::set<double> seen;
  double sum = 0;
  const int n = 100000;
  for (int i = 0; i < n; ++i) {
    const double v = a.Next();
    ASSERT_EQ(v, b.Next());
    ASSERT_GE(v, 0.0);
    ASSERT_LT(v, 1.0);
    seen.insert(v);
    sum += v;
  }
  EXPECT_GT(seen.size(), std::size_t(n - 10));
  EXPECT_NEAR(sum / n, 0.5, 0.01);

  // Seeding again starts the same sequence over; another seed gives another.
  const double first = RandomSource(2024).Next();
  a.Seed(2024);
  EXPECT_EQ(a.Next(), first);
  EXPECT_NE(RandomSource(2025).Next(), first);
}

}  // namespace
}  // namespace mirel
