// format_fixed6 and format_int against the C library's own "%f" and "%d".
#include "util/fixed_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

namespace {

std::string ours(double x) {
  char buf[fixed6_max_chars];
  return std::string(buf, format_fixed6(x, buf));
}

double from_bits(std::uint64_t bits) {
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// Compares `count` values drawn by `next`; reports a few mismatches only.
void expect_as_printf(int count, const std::function<double(std::mt19937_64&)>& next) {
  std::mt19937_64 rng(count);
  int mismatches = 0;
  char lib[400];
  for (int i = 0; i < count; ++i) {
    const double x = next(rng);
    std::snprintf(lib, sizeof lib, "%f", x);
    if (ours(x) != lib && ++mismatches <= 5) ADD_FAILURE() << std::hexfloat << x << ": " << ours(x) << " vs " << lib;
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(FixedFormat, HandPickedValues) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, const char*> cases[] = {{-0.0, "-0.000000"},
                                                  {-1e-9, "-0.000000"},
                                                  {1.0 / 128, "0.007812"},  // ties go to even
                                                  {3.0 / 128, "0.023438"},
                                                  {5e-7, "0.000000"},
                                                  {0.0000015, "0.000002"},
                                                  {inf, "inf"},
                                                  {-inf, "-inf"},
                                                  {nan, "nan"},
                                                  {-nan, "-nan"},
                                                  {1e18, "1000000000000000000.000000"},
                                                  {1152921504606846976.0, "1152921504606846976.000000"},
                                                  {2147483647, "2147483647.000000"}};
  for (const auto& c : cases) EXPECT_EQ(ours(c.first), c.second) << c.second;
  expect_as_printf(4, [](std::mt19937_64& rng) {
    const double far[] = {DBL_MAX, -DBL_MAX, DBL_MIN, std::numeric_limits<double>::denorm_min()};
    return far[rng() % 4];
  });
}

TEST(FixedFormat, TiesAndRoundingBoundaries) {
  expect_as_printf(200000, [](std::mt19937_64& rng) {  // odd multiples of 2^-7 .. 2^-60
    return std::ldexp(static_cast<double>(rng() % 4096 * 2 + 1), -static_cast<int>(7 + rng() % 54)) +
           static_cast<double>(rng() % (std::uint64_t{1} << 40));
  });
  expect_as_printf(300000, [](std::mt19937_64& rng) {  // neighbours of d + 5e-7, d with six decimals
    const double decimal = static_cast<double>(static_cast<std::int64_t>(rng() % 2000000000000) - 1000000000000) / 1e6;
    return std::nextafter(decimal + 5e-7, rng() % 2 ? 0.0 : 1e300);
  });
}

TEST(FixedFormat, RandomValues) {
  expect_as_printf(100000, [](std::mt19937_64& rng) { return from_bits(rng()); });
  expect_as_printf(100000, [](std::mt19937_64& rng) { return from_bits(rng() & ((std::uint64_t{1} << 52) - 1)); });
  expect_as_printf(500000, [](std::mt19937_64& rng) {  // where the program's numbers live
    return from_bits((rng() & 0x800fffffffffffffull) | (900 + rng() % 190) << 52);
  });
}

TEST(FormatInt, MatchesPercentD) {
  std::mt19937 rng(5);
  for (int i = 0; i < 100000; ++i) {
    const int chosen[] = {0, 9, 10, -1, 99, 100, INT_MAX, INT_MIN};
    const int v = i < 8 ? chosen[i] : static_cast<int>(rng());
    char buf[12], lib[16];
    std::snprintf(lib, sizeof lib, "%d", v);
    ASSERT_EQ(std::string(buf, format_int(v, buf)), lib);
  }
}

}  // namespace
