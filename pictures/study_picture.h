// study.png: the figures a study decides by (F3, the lowest max SPL, the
// port's length, Zmin) against the varied value, every value drawn; over
// two varied values, a heat map of each.
#pragma once

#include <string>
#include <vector>

#include "pictures/summary_figures.h"

struct study_point {
  std::vector<double> values;  // the varied values, in the unit typed
  summary_figures summary;
  std::string limit;  // what sets the lowest max SPL (a limited_by name), or empty
};

// The figures drawn, in panel order, with their axis labels.
struct study_figure {
  const char* quantity;
  const char* label;
};
extern const study_figure study_figures[4];

// One line per point: its values ("%.10g"), then each figure as the
// summary wrote it ("%.6g"), NaN where the design has none, then the limit
// that sets the lowest max SPL ("none" if unknown).
std::vector<std::string> study_lines(const std::vector<study_point>& points);

// `keys` names the varied values with their units ("Vb [l]"); one or two.
std::string study_picture_script(const std::vector<std::string>& keys, const std::vector<study_point>& points,
                                 const std::string& title, const std::string& output);
