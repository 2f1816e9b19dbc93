// acoustic_design: a driver's datasheet and an enclosure by type, compiled
// into the network, solved in steady state on a logarithmic grid, and
// answered as a response table, a summary and a picture.
#pragma once

#include <string>
#include <vector>

#include "analysis/design_response.h"
#include "control/design_options.h"
#include "control/design_summary.h"
#include "design/design_file.h"
#include "design/driver.h"
#include "design/network_compiler.h"
#include "util/reporter.h"
#include "util/status.h"

// A resonator's notch (the largest insertion loss near its tuning) and
// peak (the most negative one above the notch), from a bracketed search.
struct resonator_search {
  double notch_frequency = 0, notch_il = 0, notch_chamber_db = 0;
  double peak_frequency = 0, peak_il = 0;
  bool radiated = false;  // of the radiated pressure, else the chamber's
};

// A design worked out: the driver completed, the network compiled and
// solved at every grid frequency, the summary.
struct design_result {
  driver_parameters driver;
  compiled_design compiled;
  design_drive drive;
  std::vector<design_point> points;
  design_summary summary;
  std::vector<std::string> warnings;  // slips and disagreements, without the file's name
  std::vector<resonator_search> searches;  // per resonator: its notch and peak
};

// r's compiled design and drive solved at every frequency of GRID into
// r.points; fails on a figure that overflows.
status evaluate_on_grid(const std::vector<double>& grid, design_result& r);

// Every figure is gated first (design/plausibility.h); `accept_unusual`
// turns the gate's errors into warnings. `per_bandwidth`: rows per
// bandwidth f / Q merged in around resonators.
status compute_design(const design_file& file, const std::vector<double>& grid, design_result& out,
                      bool accept_unusual = false, int per_bandwidth = 8);

status run_design_program(const design_options& options, const reporter& report);
