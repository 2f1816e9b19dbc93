// An electrical high-pass before the amplifier (a subsonic filter):
// Butterworth of order 1 to 4 at `frequency`, or of order 2 with any Q.
// It shapes the voltage the coil receives; the loudspeaker's impedance
// does not see it.
#pragma once

#include <complex>
#include <vector>

struct highpass_filter {
  int order = 0;         // 0: no filter
  double frequency = 0;  // corner, Hz
  double q = 0;          // order 2 only; Butterworth 1 / sqrt(2)
};

// H(s) as a cascade: s / (s + c) for a first-order section, s^2 / (s^2 +
// b s + c) for a second-order one.
struct filter_section {
  int order = 1;
  double b = 0, c = 0;
};
std::vector<filter_section> highpass_sections(const highpass_filter& f);

// H(i w), 1 without a filter.
std::complex<double> highpass_response(const highpass_filter& f, double w);

// d arg H / dw at w, s: the filter's group delay is minus this.
double highpass_phase_slope(const highpass_filter& f, double w);
