#include "simulation/signal_file.h"

#include <cstdlib>

#include "util/fixed_format.h"

double printed_time_step(double delta) {
  char text[fixed6_max_chars + 1];
  text[format_fixed6(delta, text)] = '\0';
  return std::strtod(text, nullptr);
}
