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

// A design worked out: the driver completed, the network compiled and
// solved at every grid frequency, the summary.
struct design_result {
  driver_parameters driver;
  compiled_design compiled;
  design_drive drive;
  std::vector<design_point> points;
  design_summary summary;
  std::vector<std::string> warnings;  // slips and disagreements, without the file's name
};

// Every figure is gated first (design/plausibility.h); `accept_unusual`
// turns the gate's errors into warnings.
status compute_design(const design_file& file, const std::vector<double>& grid, design_result& out,
                      bool accept_unusual = false);

// `plot` is the acoustic_plot script that draws the picture.
status run_design_program(const design_options& options, const std::string& plot, const reporter& report);
