// The figures a designer decides by, in one table: the driver's
// parameters, reference efficiency and sensitivity, the enclosure's
// tuning, F3/F6/F10, the lowest max SPL and the impedance minimum.
#pragma once

#include <string>
#include <vector>

#include "analysis/design_response.h"
#include "design/design_file.h"
#include "design/driver.h"
#include "design/network_compiler.h"

struct summary_row {
  std::string quantity;
  double value = 0;
  std::string unit;
  bool named = false;  // the unit names the value (a limit), printed in its place
};

struct design_summary {
  std::vector<summary_row> rows;
  std::vector<std::string> notes;  // what the summary leaves out, and why
  std::vector<std::string> warnings;  // what the designer must not miss
};

// The mass-controlled asymptote of the SPL for V volts rms:
// 20 log10(rho Sd Bl V / (k pi r Re Mms) / 20 uPa), k = 2 half space, 4 full.
double passband_level(const driver_parameters& d, double voltage, const listening_point& at);

// Reference efficiency, 4 pi^2 fs^3 Vas / (c^3 Qes), as a fraction.
double reference_efficiency(const driver_parameters& d);

design_summary summarise(const design_file& file, const driver_parameters& d, const compiled_design& c,
                         const design_drive& drive, const std::vector<design_point>& points);

// The first row whose value is NaN or infinite, or null; lowest_max_SPL
// and lowest_max_SPL_voltage are inf, and allowed to be, when no limit is
// given.
const summary_row* overflowing_row(const design_summary& s);

// The value of `quantity`, or NaN when the summary has no such row.
double summary_value(const design_summary& s, const std::string& quantity);

// The enclosure's own resonance from its summary: fc, fb or fp_box, else fs.
double enclosure_resonance(const design_file& file, const design_summary& s);
