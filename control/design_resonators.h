// A design with side branches or a flow source worked out beyond the
// loudspeaker's figures: a grid that resolves every resonator's notch,
// the insertion loss against the same design without its resonators,
// each notch and peak found by a bracketed search, and their summary.
#pragma once

#include <vector>

#include "control/design_program.h"

// The network's piston when a flow drives the chamber in its place: its
// equation of motion is replaced, so any finite figures serve.
driver_parameters flow_source_piston();

// GRID with rows at f / (N Q) over f +- 5 f / Q merged in around each
// centre f of quality Q (rows outside the grid's span left out).
struct refine_centre {
  double frequency = 0;
  double q = 0;
};
std::vector<double> refined_grid(const std::vector<double>& grid, const std::vector<refine_centre>& centres,
                                 int per_bandwidth);

// Evaluates r's compiled design on GRID (refined about every resonator,
// and then about every notch and peak found), with the insertion loss
// and the resonators' search; fails on a figure that overflows.
status compute_branch_response(const design_file& file, const std::vector<double>& grid, int per_bandwidth,
                               design_result& r);

// The air, and per resonator its tuning, Q, neck and notch and peak.
void add_branch_summary(const design_file& file, const design_result& r, design_summary& s);
