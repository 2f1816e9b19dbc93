// The figures of a NAME_summary.csv (quantity,value,unit) a picture marks.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "util/status.h"

struct summary_figures {
  std::vector<std::pair<std::string, std::string>> values;  // quantity, value as written ("%.6g")

  // The value written for `quantity`, or empty.
  std::string text(const std::string& quantity) const;
  bool has(const std::string& quantity) const { return !text(quantity).empty(); }
  double value(const std::string& quantity) const;
};

status read_summary_figures(const std::string& path, summary_figures& out);

// The frequencies a designer reads the SPL panel by, in this order where
// the design has them: F3, fc, fb, fp_box.
std::vector<std::pair<std::string, std::string>> frequency_marks(const summary_figures& s);
