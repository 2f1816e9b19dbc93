#include "model/drive_filter.h"

#include <cmath>

#include "model/model_state.h"

namespace {

// A second-order section of quality factor q at the angular corner wc.
filter_section second_order(double wc, double q) { return {2, wc / q, wc * wc}; }

}  // namespace

std::vector<filter_section> highpass_sections(const highpass_filter& f) {
  const double wc = 2 * exact_pi * f.frequency;
  switch (f.order) {
    case 1:
      return {{1, 0, wc}};
    case 2:
      return {second_order(wc, f.q)};
    case 3:  // Butterworth poles: one real, one pair at Q = 1
      return {{1, 0, wc}, second_order(wc, 1)};
    case 4:  // pairs at Q = 1 / (2 cos(pi / 8)) and 1 / (2 cos(3 pi / 8))
      return {second_order(wc, 1 / (2 * std::cos(exact_pi / 8))), second_order(wc, 1 / (2 * std::cos(3 * exact_pi / 8)))};
    default:
      return {};
  }
}

std::complex<double> highpass_response(const highpass_filter& f, double w) {
  const std::complex<double> s(0, w);
  std::complex<double> h = 1;
  for (const filter_section& k : highpass_sections(f))
    h *= k.order == 1 ? s / (s + k.c) : s * s / (s * s + k.b * s + k.c);
  return h;
}

double highpass_phase_slope(const highpass_filter& f, double w) {
  // d arg H / dw = Im(i H'(s) / H(s)) at s = i w; H'/H adds over sections.
  const std::complex<double> s(0, w);
  std::complex<double> log_derivative = 0;
  for (const filter_section& k : highpass_sections(f)) {
    log_derivative += k.order == 1 ? 1.0 / s - 1.0 / (s + k.c) : 2.0 / s - (2.0 * s + k.b) / (s * s + k.b * s + k.c);
  }
  return (std::complex<double>(0, 1) * log_derivative).imag();
}
