// The driver as the network needs it, completed from its datasheet. The
// small-signal set fs, Qms, Qes, Vas, Sd, Re determines the rest with the
// programs' air; redundant figures are compared with it.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "design/design_file.h"
#include "model/model_state.h"
#include "util/status.h"

constexpr double design_hcr = 1.4;              // air's heat capacity ratio
constexpr double rho_c2 = design_hcr * p0;      // Pa, the bulk modulus of air
inline double speed_of_sound() { return std::sqrt(rho_c2 / rho); }  // m/s

struct driver_parameters {
  std::string name;
  double fs = 0;         // Hz
  double qms = 0, qes = 0, qts = 0;
  double vas = 0;        // m^3
  double mms = 0;        // kg
  double cms = 0;        // m/N
  double rms = 0;        // kg/s
  double bl = 0;         // T m
  double sd = 0;         // m^2
  double re = 0;         // ohm
  double le = 0;         // H
  double xmax = 0;       // m, peak one-way; 0 when not given
  double pe = 0;         // W; 0 when not given
};

// Fails naming a missing figure; appends a warning for every redundant
// figure that disagrees with the set by more than 2 % (saying which figure
// the design uses) and for every figure outside what loudspeakers have
// (naming the likely slip).
status complete_driver(const driver_sheet& sheet, driver_parameters& d, std::vector<std::string>& warnings);

// A warning when `si` (shown in `unit`) lies outside low..high (in the
// same unit), naming a power of ten that brings it inside; else empty.
std::string range_warning(const std::string& key, double si, const char* unit, double low, double high);
