// format_fixed6 and format_int against the C library's own "%f" and "%d".
#include "util/fixed_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "test_support.h"

namespace {

double from_bits(std::uint64_t bits) {
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

std::vector<double> draw(int count, const std::function<double(std::mt19937_64&)>& next) {
  std::mt19937_64 rng(count);
  std::vector<double> values(count);
  for (double& x : values) x = next(rng);
  return values;
}

// Reports a few mismatches only.
void expect_as_printf(const std::vector<double>& values) {
  int mismatches = 0;
  char ours[fixed6_max_chars + 1], lib[400];
  for (double x : values) {
    ours[format_fixed6(x, ours)] = '\0';
    std::snprintf(lib, sizeof lib, "%f", x);
    if (std::strcmp(ours, lib) != 0 && ++mismatches <= 5) ADD_FAILURE() << std::hexfloat << x << ": " << shown(ours);
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(FixedFormat, SpecialValuesTiesAndRoundingBoundaries) {
  const double special[] = {-0.0, -1e-9, 1.0 / 128, 3.0 / 128, 5e-7,     0.0000015, INFINITY, -INFINITY, NAN,
                            -NAN, 1e18,  0x1p60,    DBL_MAX,   -DBL_MAX, DBL_MIN,   4.9e-324, 2147483647};
  std::vector<double> values(std::begin(special), std::end(special));
  values.push_back(std::nextafter(5e-7, 1.0));         // the least value that rounds to 0.000001
  for (double power = 1; power < 1e19; power *= 10) {  // where the digit count changes
    for (double x : {power, power - 1, power + 0.5, -power}) values.push_back(x);
  }
  expect_as_printf(values);
  expect_as_printf(draw(200000, [](std::mt19937_64& rng) {  // odd multiples of 2^-7 .. 2^-60: ties
    return std::ldexp(static_cast<double>(rng() % 4096 * 2 + 1), -static_cast<int>(7 + rng() % 54)) +
           static_cast<double>(rng() % (std::uint64_t{1} << 40));
  }));
  expect_as_printf(draw(300000, [](std::mt19937_64& rng) {  // neighbours of d + 5e-7, d with six decimals
    const double decimal = static_cast<double>(static_cast<std::int64_t>(rng() % 2000000000000) - 1000000000000) / 1e6;
    return std::nextafter(decimal + 5e-7, rng() % 2 ? 0.0 : 1e300);
  }));
}

TEST(FixedFormat, RandomValues) {
  expect_as_printf(draw(100000, [](std::mt19937_64& rng) { return from_bits(rng()); }));
  expect_as_printf(
      draw(100000, [](std::mt19937_64& rng) { return from_bits(rng() & ((std::uint64_t{1} << 52) - 1)); }));
  expect_as_printf(draw(300000, [](std::mt19937_64& rng) {  // where the program's numbers live
    return from_bits((rng() & 0x800fffffffffffffull) | (900 + rng() % 190) << 52);
  }));
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
