// The picture of one design's response table NAME.csv: SPL and max SPL
// (coloured by the limit that binds, with F3, fc, fb or fp_box marked),
// impedance and its phase, excursion with Xmax, port velocity with its
// limit (or the radiator's excursion, or for a box without either the
// maximum voltage with Pe's), group delay and the phase of the pressure.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pictures/csv_table.h"
#include "pictures/summary_figures.h"

struct design_labels {
  std::string title;
  std::string xmax_mm;           // as printed ("%g"); empty: no Xmax line
  std::string port_limit;        // m/s
  std::string radiator_xmax_mm;
};

// The header NAME.csv starts with.
extern const char* const design_table_header;

// The limits the `limited_by` column names, in the order the legend gives them.
extern const char* const limit_names[5];

// Each limit's colour, the same in every picture.
const char* limit_colour(const std::string& limit);

// Rows of `table` in stretches of one binding limit: for each limit that
// binds somewhere, its rows, a blank line between stretches.
std::vector<std::pair<std::string, std::vector<std::string>>> limit_stretches(const csv_table& table);

// The script drawing `table` into `output`; `summary` gives the marks and,
// for a box with neither port nor radiator, Pe and Re.
std::string design_picture_script(const csv_table& table, const summary_figures& summary, const design_labels& labels,
                                  const std::string& output);
