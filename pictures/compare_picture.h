// Several designs in one picture: compare.png (SPL, max SPL, excursion
// with each distinct Xmax, port velocity with each distinct limit and any
// passive radiator's excursion, impedance, group delay) and
// compare_transient.png (the pressures). Up to 8 designs have a legend;
// more, each with its varied value, are coloured by that value with a
// colour bar.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pictures/csv_table.h"

struct compare_curve {
  std::string name;
  csv_table table;
  std::string xmax_mm, port_limit, radiator_xmax_mm;  // as printed; empty: none
  bool has_value = false;                             // a study's varied value
  double value = 0;
};

// At most `most` of `count` designs, evenly spaced, the first and the last
// among them; all when there are no more than `most`.
std::vector<std::size_t> drawn_designs(std::size_t count, std::size_t most = 50);

// `value_label` names the colour bar ("Vb [l]").
std::string compare_picture_script(const std::vector<compare_curve>& curves, const std::string& title,
                                   const std::string& value_label, const std::string& output);

std::string compare_transient_script(const std::vector<compare_curve>& curves, const std::string& title,
                                     const std::string& value_label, const std::string& output);
