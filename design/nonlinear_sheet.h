// The large-signal driver as a designer types it: [nonlinear] holds the
// measured curves Bl(x), Kms(x) or Cms(x), Le(x) as polynomials in the
// cone's excursion x (outward), Le's dependence on the current, and the
// range where the curves hold; [distortion] the levels and the criterion
// of the distortion sweep. Coefficient k carries the quantity's unit per
// length^k ("-0.052 T*m/mm", "-0.0338 T*m/mm2"). Values are held in SI.
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

constexpr int max_curve_coefficients = 9;  // orders 0 to 8

struct nonlinear_sheet {
  bool given = false;
  std::vector<double> bl;    // T m / m^k
  std::vector<double> kms;   // N/m / m^k (empty when Cms is given)
  std::vector<double> cms;   // m/N / m^k (empty when Kms is given)
  std::vector<double> le;    // H / m^k; empty: the datasheet's Le at every x
  std::vector<double> le_i;  // q_1 .. q_8 of g(i) = 1 + sum q_k i^k, 1/A^k
  double range = 0;          // m; 0: twice Xmax (or the table's span)
  std::string curves;        // a table x[mm],Bl[T*m],Kms[N/mm],Le[mH]; empty: the polynomials
  std::string folder;        // the design file's, where a relative curves table lies
};

struct two_tone_sheet {
  bool given = false;
  double f1 = 0, f2 = 0;  // Hz
  double ratio = 4;       // U1 / U2
};

struct distortion_sheet {
  bool given = false;
  std::vector<double> voltages;  // V rms, 1 to 10 of them
  double criterion = 0.10;       // the THD (a fraction) that sets the max SPL
  two_tone_sheet two_tone;
};

// "2.83V,10V,20V" or "2.83,10" (volts rms) as --distortion writes it.
status parse_voltage_list(const std::string& text, const std::string& what, std::vector<double>& volts);
