#include "util/fixed_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "util/binary_double.h"

namespace {

__extension__ typedef unsigned __int128 u128;

const char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

const std::uint64_t powers_of_ten[20] = {1ull,
                                         10ull,
                                         100ull,
                                         1000ull,
                                         10000ull,
                                         100000ull,
                                         1000000ull,
                                         10000000ull,
                                         100000000ull,
                                         1000000000ull,
                                         10000000000ull,
                                         100000000000ull,
                                         1000000000000ull,
                                         10000000000000ull,
                                         100000000000000ull,
                                         1000000000000000ull,
                                         10000000000000000ull,
                                         100000000000000000ull,
                                         1000000000000000000ull,
                                         10000000000000000000ull};

int decimal_digits(std::uint64_t v) {
  // floor(log10 v) from the bit length: bits * 1233 / 4096 approximates
  // bits * log10(2) from below by at most one.
  const int bits = 64 - __builtin_clzll(v | 1);
  const int t = (bits * 1233) >> 12;
  const int floor_log10 = t - (v < powers_of_ten[t] ? 1 : 0);
  return floor_log10 + 1 + (v == 0 ? 1 : 0);
}

// Writes v in decimal, most significant digit first, straight into place.
std::size_t write_u64(std::uint64_t v, char* out) {
  const int len = decimal_digits(v);
  char* p = out + len;
  while (v >= 100) {
    const unsigned pair = static_cast<unsigned>(v % 100) * 2;
    v /= 100;
    p -= 2;
    p[0] = digit_pairs[pair];
    p[1] = digit_pairs[pair + 1];
  }
  if (v >= 10) {
    p -= 2;
    p[0] = digit_pairs[v * 2];
    p[1] = digit_pairs[v * 2 + 1];
  } else {
    *--p = static_cast<char>('0' + v);
  }
  return static_cast<std::size_t>(len);
}

// Six digits, zero-padded.
void write_micro(unsigned v, char* out) {
  const unsigned a = v / 10000, rest = v % 10000;
  const unsigned b = rest / 100, c = rest % 100;
  std::memcpy(out, digit_pairs + a * 2, 2);
  std::memcpy(out + 2, digit_pairs + b * 2, 2);
  std::memcpy(out + 4, digit_pairs + c * 2, 2);
}

// |x| * 10^6 rounded half to even, exactly, for finite |x| < 2^60.
// With x = m * 2^e the product m * 10^6 stays below 2^73, so every case
// is exact in 128-bit integers.
u128 scaled_micro(std::uint64_t m, int e) {
  const u128 product = static_cast<u128>(m) * 1000000u;
  if (e >= 0) return product << e;
  const int s = -e;
  if (s > 73) return 0;  // the value is below one half of 10^-6
  const u128 q = product >> s;
  const u128 r = product - (q << s);
  const u128 half = static_cast<u128>(1) << (s - 1);
  return (r > half || (r == half && (q & 1))) ? q + 1 : q;
}

// |x| * 10^6 rounded to the nearest integer, ties to even, through double
// arithmetic where that is provably exact: y = |x| 10^6 is off the exact
// product by at most y 2^-53, so when y lies farther than that from the
// nearest half-integer, both round the same way. False near a tie.
bool scaled_micro_fast(double magnitude, std::uint64_t& scaled) {
  constexpr double two_52 = 4503599627370496.0;
  if (!(magnitude < 4.0e9)) return false;  // keeps y below 2^52
  const double y = magnitude * 1e6;
  const double nearest = (y + two_52) - two_52;  // rounds to an integer
  const double offset = y - nearest;             // exact
  if (!(0.5 - std::fabs(offset) > y * 0x1p-52)) return false;
  scaled = static_cast<std::uint64_t>(nearest);
  return true;
}

std::size_t write_scaled(bool negative, std::uint64_t whole, unsigned micro, char* out) {
  char* p = out;
  if (negative) *p++ = '-';
  p += write_u64(whole, p);
  *p++ = '.';
  write_micro(micro, p);
  return static_cast<std::size_t>(p + 6 - out);
}

}  // namespace

std::size_t format_fixed6(double x, char* out) {
  const binary_double parts = split_double(x);
  const bool negative = parts.negative;

  std::uint64_t fast;
  if (scaled_micro_fast(std::fabs(x), fast)) return write_scaled(negative, fast / 1000000, fast % 1000000, out);

  // Beyond 2^60 (about 1.15e18) and for infinities and NaN the library
  // itself is exact and rare enough.
  if (parts.biased_exponent >= 1023 + 60) {
    return static_cast<std::size_t>(std::snprintf(out, fixed6_max_chars, "%f", x));
  }
  const u128 scaled = scaled_micro(parts.mantissa, parts.exponent);
  if (scaled >> 64 == 0) {
    const std::uint64_t s64 = static_cast<std::uint64_t>(scaled);
    return write_scaled(negative, s64 / 1000000, static_cast<unsigned>(s64 % 1000000), out);
  }
  return write_scaled(negative, static_cast<std::uint64_t>(scaled / 1000000), static_cast<unsigned>(scaled % 1000000),
                      out);
}

std::size_t format_int(int v, char* out) {
  if (v < 0) {
    out[0] = '-';
    const std::uint64_t magnitude = static_cast<std::uint64_t>(-static_cast<std::int64_t>(v));
    return 1 + write_u64(magnitude, out + 1);
  }
  return write_u64(static_cast<std::uint64_t>(v), out);
}
