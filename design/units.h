// Values with units as an engineer writes them: "28 Hz", "58 l",
// "220 cm2", "0.6 mH". Each dimension knows its units and converts to SI.
#pragma once

#include <string>

#include "util/status.h"

enum class dimension {
  frequency,    // Hz
  mass,         // kg
  volume,       // m^3
  area,         // m^2
  length,       // m
  resistance,   // ohm
  inductance,   // H
  force_factor, // T m
  power,        // W
  voltage,      // V
  velocity,     // m/s
  compliance,   // m/N
  mechanical_resistance,  // kg/s
  time          // s
};

// The units a dimension takes, for messages: "g, kg".
const char* unit_list(dimension d);

// Parses "NUMBER UNIT" (the blank optional) into SI. Fails naming the text
// and the units the dimension takes; an infinite or NaN number fails too.
status parse_quantity(const std::string& text, dimension d, double& si);

// `si` written in `unit`, e.g. to_unit(0.038, "g") = 38.
double in_unit(double si, const char* unit);
