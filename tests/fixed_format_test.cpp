// format_fixed6 and format_int against the C library's own "%f" and "%d".
#include "model/fixed_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string ours(double x) {
  char buf[fixed6_max_chars];
  return std::string(buf, format_fixed6(x, buf));
}

std::string library(double x) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%f", x);
  return buf;
}

double from_bits(std::uint64_t bits) {
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// Counts mismatches so a failure reports a few values, not millions.
struct comparison {
  long mismatches = 0;
  void check(double x) {
    const std::string a = ours(x), b = library(x);
    if (a != b && ++mismatches <= 5) ADD_FAILURE() << "value " << std::hexfloat << x << ": ours " << a << ", %f " << b;
  }
};

TEST(FixedFormat, SpecialValues) {
  const double specials[] = {0.0,
                             -0.0,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::denorm_min(),
                             -std::numeric_limits<double>::denorm_min(),
                             DBL_MIN,
                             DBL_MAX,
                             -DBL_MAX,
                             1e-7,
                             -1e-7,
                             4.9999999999999998e-7,
                             5e-7,
                             -5e-7,
                             0.0000015,
                             1e18,
                             1152921504606846975.0,
                             1152921504606846976.0,
                             1e20,
                             123456789012345678.0};
  comparison c;
  for (double x : specials) c.check(x);
  EXPECT_EQ(ours(-0.0), "-0.000000");
  EXPECT_EQ(ours(-1e-9), "-0.000000");
  EXPECT_EQ(ours(1.0 / 128), "0.007812");  // a tie at the seventh decimal goes to even
  EXPECT_EQ(ours(3.0 / 128), "0.023438");
  EXPECT_EQ(c.mismatches, 0);
}

// Values whose scaled form ends in exactly one half: odd multiples of 2^-7
// and of smaller powers of two, plus large whole parts.
TEST(FixedFormat, TiesAtTheSeventhDecimal) {
  comparison c;
  std::mt19937_64 rng(7);
  for (int odd = 1; odd < 200000; odd += 2) {
    c.check(odd / 128.0);
    c.check(-odd / 128.0);
    const double whole = static_cast<double>(rng() % (std::uint64_t{1} << 40));
    c.check(whole + (odd % 128) / 128.0);
  }
  for (int shift = 1; shift <= 60; ++shift) {
    for (int k = 1; k < 64; k += 2) c.check(std::ldexp(k, -shift));
  }
  EXPECT_EQ(c.mismatches, 0);
}

// Every exponent, though most of them print hundreds of digits; then the
// exponents of 1e-37 to 1e20 with random mantissas and signs.
TEST(FixedFormat, RandomBitPatterns) {
  comparison c;
  std::mt19937_64 rng(12345);
  for (int i = 0; i < 200000; ++i) c.check(from_bits(rng()));
  for (int i = 0; i < 2000000; ++i) {
    const std::uint64_t exponent = 900 + rng() % 190;
    c.check(from_bits((rng() & 0x800fffffffffffffull) | exponent << 52));
  }
  EXPECT_EQ(c.mismatches, 0);
}

// Where the program's numbers live: magnitudes from 1e-9 to 1e19.
TEST(FixedFormat, RandomMagnitudes) {
  comparison c;
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> exponent(-9, 19.5), mantissa(-1, 1);
  for (int i = 0; i < 3000000; ++i) c.check(mantissa(rng) * std::pow(10.0, exponent(rng)));
  // Neighbours of values with six decimals, where rounding flips.
  for (int i = 0; i < 1000000; ++i) {
    const double decimal = static_cast<double>(static_cast<std::int64_t>(rng() % 2000000000000) - 1000000000000) / 1e6;
    c.check(std::nextafter(decimal + 5e-7, 0.0));
    c.check(decimal + 5e-7);
    c.check(std::nextafter(decimal + 5e-7, 1e300));
  }
  EXPECT_EQ(c.mismatches, 0);
}

TEST(FixedFormat, Subnormals) {
  comparison c;
  std::mt19937_64 rng(3);
  for (int i = 0; i < 200000; ++i) c.check(from_bits(rng() & ((std::uint64_t{1} << 52) - 1)));
  EXPECT_EQ(c.mismatches, 0);
}

TEST(FormatInt, MatchesPercentD) {
  std::mt19937 rng(5);
  const int chosen[] = {0, 1, -1, 9, 10, 99, 100, INT_MAX, INT_MIN, INT_MIN + 1, 1000000, -1000000};
  auto check = [](int v) {
    char ours_buf[12], lib[16];
    const std::size_t len = format_int(v, ours_buf);
    std::snprintf(lib, sizeof lib, "%d", v);
    EXPECT_EQ(std::string(ours_buf, len), lib);
  };
  for (int v : chosen) check(v);
  for (int i = 0; i < 200000; ++i) check(static_cast<int>(rng()));
}

}  // namespace
