// Several designs side by side: compare_summary.csv (one row per design,
// one column per summary quantity) and compare.png (SPL, max SPL,
// excursion, port velocity, impedance and group delay, one colour per
// design); with transients, compare_transient.png overlays the pressures.
#pragma once

#include <string>
#include <vector>

#include "control/design_program.h"
#include "control/design_transient.h"
#include "util/reporter.h"

struct compared_design {
  std::string label;  // the design's name, or the varied value
  design_file file;
  design_result result;
  bool has_transient = false;
  transient_result transient;
};

// "design,fs[Hz],Qts,...": every quantity any design has, in the order
// they first appear; empty where a design has none.
std::string comparison_table(const std::vector<compared_design>& designs);

// The picture's title: the drive when all share it, else that they differ.
std::string comparison_title(const std::vector<compared_design>& designs);

// `heading` leads the pictures' title (a study names its key), or empty.
status write_comparison(const std::vector<compared_design>& designs, const std::string& dir, const std::string& plot,
                        const std::string& heading, const reporter& report);
