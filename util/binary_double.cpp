#include "util/binary_double.h"

#include <cstring>

binary_double split_double(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  binary_double parts;
  parts.negative = bits >> 63;
  parts.biased_exponent = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  parts.mantissa = parts.biased_exponent ? fraction | (std::uint64_t{1} << 52) : fraction;
  parts.exponent = parts.biased_exponent ? parts.biased_exponent - 1075 : -1074;
  return parts;
}

bool exact_truncated_quotient(double num, double den, std::int64_t& quotient) {
  __extension__ typedef unsigned __int128 u128;
  const binary_double n = split_double(num), d = split_double(den);
  // num / den = (mantissa n / mantissa d) * 2^shift with 53-bit mantissas.
  const int shift = n.exponent - d.exponent;
  u128 q;
  if (shift >= 0) {
    if (shift > 74) return false;  // the quotient is at least 2^(shift-53)
    q = (static_cast<u128>(n.mantissa) << shift) / d.mantissa;
  } else if (-shift > 74) {
    q = 0;  // the denominator exceeds the numerator by far
  } else {
    q = static_cast<u128>(n.mantissa) / (static_cast<u128>(d.mantissa) << -shift);
  }
  if (q >> 62) return false;
  quotient = static_cast<std::int64_t>(q);
  return true;
}
