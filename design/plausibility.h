// The gate between what a user types and what the program computes: every
// typed or derived figure of the driver, the box and its port checked
// against what loudspeakers have, the datasheet's contradictions weighed,
// and a slip of a unit named with the value it most likely meant.
#pragma once

#include <string>
#include <vector>

#include "design/design_file.h"
#include "design/driver.h"
#include "design/network_compiler.h"
#include "util/status.h"

// What loudspeakers have: `low` to `high` in `unit`.
struct plausible_range {
  const char* figure;  // "Mms", "Mms/Sd", "port_length"
  const char* unit;
  double low, high;
};
const std::vector<plausible_range>& plausible_ranges();

// A datasheet contradiction beyond this is an error, below a warning.
constexpr double contradiction_limit = 0.20;
// The datasheet's sensitivity against the derived one: a warning beyond.
constexpr double sensitivity_tolerance_db = 1;

// The driver completed from its sheet and gated. Fails with one line on a
// figure outside its range or a contradiction over 20 %, naming the figure,
// the typed values it follows from and, where exactly one typed value read
// in another unit of its dimension brings every figure into range, that
// value; with `accept_unusual` these are warnings. Contradictions over 2 %
// and a datasheet sensitivity more than 1 dB from the derived one are
// warnings.
status check_driver(const driver_sheet& sheet, bool accept_unusual, driver_parameters& d,
                    std::vector<std::string>& warnings);

// The same for the whole design: the driver, the box, the port's physical
// length and air volume, the passive radiator; compiled into `compiled`.
status check_design(const design_file& file, bool accept_unusual, driver_parameters& d, compiled_design& compiled,
                    std::vector<std::string>& warnings);
