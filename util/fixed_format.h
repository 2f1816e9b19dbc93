// Fixed-point formatting with six decimals, byte for byte what the C
// library's "%f" prints (round half to even on the exact binary value,
// "-" on negative zero, "inf"/"nan" as the library spells them), and the
// decimal form of an int as "%d" prints it.
#pragma once

#include <cstddef>

// The longest text format_fixed6 can produce ("%f" of -DBL_MAX is 317
// characters) plus room to spare.
constexpr std::size_t fixed6_max_chars = 330;

// Writes x to out (no terminating NUL) and returns the number of chars.
// out must have room for fixed6_max_chars.
std::size_t format_fixed6(double x, char* out);

// Writes v to out (no terminating NUL) and returns the number of chars;
// out must have room for 11 chars.
std::size_t format_int(int v, char* out);
