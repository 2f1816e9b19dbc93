// Values with units as an engineer writes them: "28 Hz", "58 l",
// "220 cm2", "0.6 mH". Each dimension knows its units and converts to SI.
#pragma once

#include <string>
#include <vector>

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
  time,         // s
  stiffness,    // N/m
  level         // dB
};

// The units a dimension takes, for messages: "g, kg".
const char* unit_list(dimension d);

// A number and its unit as typed, the unit by its plain name ("cm2" for
// "cm²", "ohm" for "Ω").
struct typed_quantity {
  double number = 0;
  std::string unit;
};

// Parses "NUMBER UNIT" (the blank optional) into SI. Fails naming the text
// and the units the dimension takes; an infinite or NaN number fails too.
status parse_quantity(const std::string& text, dimension d, double& si);
status parse_quantity(const std::string& text, dimension d, double& si, typed_quantity& typed);

// `si` written in `unit`, e.g. to_unit(0.038, "g") = 38.
double in_unit(double si, const char* unit);

// The units of the same dimension a value may have been meant in when a
// slip of the unit is suspected (mm, cm, m for "cm"); empty when the unit
// has no such neighbours.
std::vector<std::string> slip_units(const std::string& unit);

// A plain unit's factor to SI (1e-3 for "mm"); 0 for an unknown name.
double unit_to_si(const std::string& unit);
