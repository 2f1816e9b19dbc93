// NAME_distortion.png as one gnuplot script with its data inline: THD, H2
// and H3, the fundamental against the linear response, compression
// against level, excursion and drift against Xmax, the curves over
// +-range, and the distortion-limited max SPL against the linear one.
#pragma once

#include <string>
#include <vector>

#include "analysis/distortion_sweep.h"

struct distortion_picture {
  std::string title;
  std::vector<double> voltages;       // the levels, in the table's order
  std::vector<distortion_row> rows;   // by frequency, then level
  std::vector<level_limit> limits;    // per frequency
  std::vector<double> xmax_spl;       // the linear Xmax limit per frequency; empty without Xmax
  std::vector<double> curve_x_mm, bl_ratio, cms_ratio, le_mh;  // over +-range
  double xmax_mm = 0;                 // 0: none
  double resonance = 0;               // fc, fb or fs, Hz
  double criterion = 0.10;
};

// The script that draws the picture into `png`.
std::string distortion_picture_script(const distortion_picture& p, const std::string& png);
