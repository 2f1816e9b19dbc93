// Designs worked out in-process for the tests of acoustic_design's parts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/design_program.h"

// The design written in `text` on `grid`; a file or design error fails the
// test. `accept_unusual` lets a limiting case no loudspeaker has through.
inline design_result compute(const std::string& text, const std::vector<double>& grid = log_grid(5, 1000, 48),
                             bool accept_unusual = false) {
  design_file file;
  EXPECT_EQ(parse_design_text(text, "d.toml", file).message, "");
  design_result r;
  EXPECT_EQ(compute_design(file, grid, r, accept_unusual).message, "");
  return r;
}

// The design written in `text` on `grid`: "error: " and the first failure,
// else its warnings, a line each.
inline std::string design_outcome(const std::string& text, const std::vector<double>& grid = {20, 100}) {
  design_file file;
  status s = parse_design_text(text, "box.toml", file);
  design_result r;
  if (s.ok()) s = compute_design(file, grid, r);
  if (!s.ok()) return "error: " + s.message;
  std::string warnings;
  for (const std::string& w : r.warnings) warnings += w + "\n";
  return warnings;
}
