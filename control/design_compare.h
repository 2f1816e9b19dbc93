// Several designs side by side: compare_summary.csv, one row per design,
// one column per summary quantity (its pictures: control/run_outputs).
#pragma once

#include <string>
#include <vector>

#include "control/design_program.h"
#include "control/design_transient.h"
#include "util/reporter.h"

struct compared_design {
  std::string label;  // the design's name, or the varied value
  std::string path;   // the design file
  std::string title;  // its heading on the console
  std::vector<double> values;  // a study's varied values, in the unit typed
  design_file file;
  design_result result;
  bool has_transient = false;
  transient_result transient;
};

// "design,fs[Hz],Qts,...": every quantity any design has, in the order
// they first appear; empty where a design has none.
// A grid of two varied keys adds a column per key (`grid_keys`, "Vb[l]")
// after the design's name.
std::string comparison_table(const std::vector<compared_design>& designs,
                             const std::vector<std::string>& grid_keys = {});

// A name gnuplot can quote and a CSV field can hold.
std::string plain_label(std::string label);

// The picture's title: the drive when all share it, else that they differ.
std::string comparison_title(const std::vector<compared_design>& designs);
