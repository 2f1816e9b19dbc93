// A parameter study: one key of the design file stepped from one value to
// another, --vary KEY=FROM:TO:STEP, e.g. enclosure.Vb=20l:80l:10l.
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

struct variation {
  std::string key;                  // "enclosure.Vb"
  std::vector<std::string> values;  // as the file would hold them: "20 l", ..., "80 l"
  std::vector<std::string> shown;   // in the unit typed: "20 l"
  std::vector<std::string> labels;  // for rows and legends: "Vb = 20 l"
  std::vector<double> numbers;      // in the unit typed: 20
  std::string axis;                 // "Vb [l]"
};

// Fails with one line on an unknown key, a value whose unit does not fit
// the key, or a STEP that does not reach TO from FROM in whole steps
// (within 1e-9 relative). At most 1000 values.
status parse_variation(const std::string& option, variation& out);
