#include "model/fixed_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

__extension__ typedef unsigned __int128 u128;

const char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes v in decimal, most significant digit first.
std::size_t write_u64(std::uint64_t v, char* out) {
  char tmp[20];
  char* p = tmp + sizeof tmp;
  while (v >= 100) {
    const unsigned pair = static_cast<unsigned>(v % 100) * 2;
    v /= 100;
    *--p = digit_pairs[pair + 1];
    *--p = digit_pairs[pair];
  }
  if (v >= 10) {
    *--p = digit_pairs[v * 2 + 1];
    *--p = digit_pairs[v * 2];
  } else {
    *--p = static_cast<char>('0' + v);
  }
  const std::size_t len = static_cast<std::size_t>(tmp + sizeof tmp - p);
  std::memcpy(out, p, len);
  return len;
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

}  // namespace

std::size_t format_fixed6(double x, char* out) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  // Beyond 2^60 (about 1.15e18) and for infinities and NaN the library
  // itself is exact and rare enough.
  if (biased >= 1023 + 60) {
    return static_cast<std::size_t>(std::snprintf(out, fixed6_max_chars, "%f", x));
  }
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const std::uint64_t m = biased ? fraction | (std::uint64_t{1} << 52) : fraction;
  const int e = biased ? biased - 1075 : -1074;
  const u128 scaled = scaled_micro(m, e);

  std::uint64_t whole;
  unsigned micro;
  if (scaled >> 64 == 0) {
    const std::uint64_t s64 = static_cast<std::uint64_t>(scaled);
    whole = s64 / 1000000;
    micro = static_cast<unsigned>(s64 % 1000000);
  } else {
    whole = static_cast<std::uint64_t>(scaled / 1000000);
    micro = static_cast<unsigned>(scaled % 1000000);
  }

  char* p = out;
  if (bits >> 63) *p++ = '-';
  p += write_u64(whole, p);
  *p++ = '.';
  write_micro(micro, p);
  return static_cast<std::size_t>(p + 6 - out);
}

std::size_t format_int(int v, char* out) {
  if (v < 0) {
    out[0] = '-';
    const std::uint64_t magnitude = static_cast<std::uint64_t>(-static_cast<std::int64_t>(v));
    return 1 + write_u64(magnitude, out + 1);
  }
  return write_u64(static_cast<std::uint64_t>(v), out);
}
