// acoustic_steady's command line. Every option is optional; without
// --vector-sum the program asks the vector sum question on the console.
#pragma once

#include "analysis/design_figures.h"
#include "analysis/steady_state.h"
#include "util/status.h"

struct steady_options {
  bool help = false;
  bool vector_sum_given = false;
  int vector_sum = 0;
  bool coil_given = false;
  voice_coil coil;                  // --voltage, --bl, --re, --le (mH on the command line)
  listening_point at;               // --distance, --space
  double xmax_mm = 0;               // --xmax; 0: no excursion limit
  double duct_velocity_limit = 17;  // --duct-velocity-limit, m/s
};

// With --help, prints the options and sets help. Fails on an unknown option, a missing or bad value, or a coil given in
// part, naming the option and what was expected.
status parse_steady_options(int argc, const char* const* argv, steady_options& options);
