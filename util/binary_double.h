// binary_double: a finite double taken apart into its exact binary value,
// sign x mantissa x 2^exponent, for the places that must round or
// truncate the exact value rather than a rounded one.
#pragma once

#include <cstdint>

struct binary_double {
  bool negative;
  int biased_exponent;     // the stored exponent field; 2047 for inf and NaN
  std::uint64_t mantissa;  // with the hidden bit for normal numbers
  int exponent;            // |x| = mantissa * 2^exponent
};

binary_double split_double(double x);

// floor(num / den) of the exact real quotient of two positive finite
// doubles, with no rounding before the truncation. False when the result
// does not fit in 62 bits.
bool exact_truncated_quotient(double num, double den, std::int64_t& quotient);
