// acoustic_design --at: a design's response table row solved at exactly
// the frequencies asked for, not read off the grid.
#pragma once

#include <string>
#include <vector>

#include "control/design_program.h"
#include "util/status.h"

// NAME.csv's header and one row per frequency, in the order given; fails
// naming a frequency where a figure overflows.
status rows_at(const design_result& r, const std::vector<double>& frequencies, std::string& text);
