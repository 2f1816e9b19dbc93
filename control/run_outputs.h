// Every file of a design run, committed as one set once all of it is
// computed: each design's NAME.csv, NAME_summary.csv and NAME.png (not in
// a study), their transients, and with several designs or a study the
// comparison (compare_summary.csv, compare.png, compare_transient.png,
// study.png). All pictures are drawn by one gnuplot process; a missing
// or failing gnuplot is one warning, and no picture of the run is left,
// neither half-written nor from an earlier run.
#pragma once

#include <string>
#include <vector>

#include "control/design_compare.h"
#include "control/design_options.h"
#include "util/reporter.h"

// The study's varied keys, for its pictures ("Vb [l]"); empty: no study.
struct study_axes {
  std::vector<std::string> keys;
  std::string heading;  // leads the comparison's titles
};

status write_run_outputs(const design_options& o, const std::vector<compared_design>& designs,
                         const study_axes& study, const reporter& report);

// The design's title with its high-pass filter, as its pictures carry it.
std::string picture_title(const compared_design& d, const std::string& title);
