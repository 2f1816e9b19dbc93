#include "simulation/filtered_voltage.h"

std::vector<double> voltage_samples(const voltage_signal& signal, const highpass_filter& filter, double delta,
                                    int rows) {
  std::vector<double> v(rows);
  for (int k = 0; k < rows; ++k) v[k] = voltage_at(signal, k * delta);
  const double dirac = signal.kind == signal_kind::impulse ? signal.peak * impulse_width : 0;
  const double h = delta;
  // Each section: y = u - (c x1 + b x2) with x1' = x2, x2' = -c x1 - b x2
  // + u (second order), or y = u - c x with x' = -c x + u (first order).
  for (const filter_section& f : highpass_sections(filter)) {
    std::vector<double> out(rows);
    double x1 = 0, x2 = 0;
    if (f.order == 1) {
      x1 = dirac;
      for (int k = 0; k < rows; ++k) {
        if (k > 0) x1 = ((1 - h * f.c / 2) * x1 + h / 2 * (v[k - 1] + v[k])) / (1 + h * f.c / 2);
        out[k] = v[k] - f.c * x1;
      }
    } else {
      x2 = dirac;
      // (I - h A / 2) x+ = (I + h A / 2) x + h / 2 B (u + u+), A = [0 1; -c -b]
      const double a11 = 1, a12 = -h / 2, a21 = h * f.c / 2, a22 = 1 + h * f.b / 2;
      const double det = a11 * a22 - a12 * a21;
      for (int k = 0; k < rows; ++k) {
        if (k > 0) {
          const double r1 = x1 + h / 2 * x2;
          const double r2 = -h * f.c / 2 * x1 + (1 - h * f.b / 2) * x2 + h / 2 * (v[k - 1] + v[k]);
          x1 = (r1 * a22 - a12 * r2) / det;
          x2 = (a11 * r2 - a21 * r1) / det;
        }
        out[k] = v[k] - (f.c * x1 + f.b * x2);
      }
    }
    v.swap(out);
  }
  return v;
}
