#include "simulation/nonlinear_driver.h"

#include <algorithm>
#include <cmath>

namespace {

double horner(const std::vector<double>& c, double x) {
  double v = 0;
  for (std::size_t k = c.size(); k-- > 0;) v = v * x + c[k];
  return v;
}

double horner_slope(const std::vector<double>& c, double x) {
  double v = 0;
  for (std::size_t k = c.size(); k-- > 1;) v = v * x + static_cast<double>(k) * c[k];
  return v;
}

// The Hermite cubic of the interval holding x; outside the table, the
// end's tangent line.
void spline_at(const curve& c, double x, double& value, double& slope) {
  const std::vector<double>& xs = c.knot_x;
  const std::size_t n = xs.size();
  if (x <= xs.front() || x >= xs.back()) {
    const std::size_t e = x <= xs.front() ? 0 : n - 1;
    slope = c.knot_slope[e];
    value = c.knot_y[e] + slope * (x - xs[e]);
    return;
  }
  const std::size_t j = static_cast<std::size_t>(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
  const double h = xs[j + 1] - xs[j], t = (x - xs[j]) / h;
  const double y0 = c.knot_y[j], y1 = c.knot_y[j + 1], m0 = c.knot_slope[j] * h, m1 = c.knot_slope[j + 1] * h;
  const double t2 = t * t, t3 = t2 * t;
  value = (2 * t3 - 3 * t2 + 1) * y0 + (t3 - 2 * t2 + t) * m0 + (-2 * t3 + 3 * t2) * y1 + (t3 - t2) * m1;
  slope = ((6 * t2 - 6 * t) * y0 + (3 * t2 - 4 * t + 1) * m0 + (-6 * t2 + 6 * t) * y1 + (3 * t2 - 2 * t) * m1) / h;
}

}  // namespace

double curve::value(double x) const {
  double v = 0, s = 0;
  if (!knot_x.empty()) {
    spline_at(*this, x, v, s);
  } else {
    v = horner(poly, x);
  }
  return reciprocal ? 1 / v : v;
}

double curve::slope(double x) const {
  double v = 0, s = 0;
  if (!knot_x.empty()) {
    spline_at(*this, x, v, s);
  } else {
    v = horner(poly, x);
    s = horner_slope(poly, x);
  }
  return reciprocal ? -s / (v * v) : s;
}

curve monotone_spline(const std::vector<double>& x, const std::vector<double>& y) {
  curve c;
  c.knot_x = x;
  c.knot_y = y;
  const std::size_t n = x.size();
  std::vector<double> d(n - 1);
  for (std::size_t j = 0; j + 1 < n; ++j) d[j] = (y[j + 1] - y[j]) / (x[j + 1] - x[j]);
  c.knot_slope.assign(n, 0);
  c.knot_slope[0] = d[0];
  c.knot_slope[n - 1] = d[n - 2];
  for (std::size_t j = 1; j + 1 < n; ++j) {
    if (d[j - 1] * d[j] <= 0) continue;  // an extremum stays at the point
    // The weighted harmonic mean of Fritsch and Butland keeps each cubic
    // within its data.
    const double h0 = x[j] - x[j - 1], h1 = x[j + 1] - x[j];
    const double w0 = 2 * h1 + h0, w1 = h1 + 2 * h0;
    c.knot_slope[j] = (w0 + w1) / (w0 / d[j - 1] + w1 / d[j]);
  }
  return c;
}

double large_signal::g(double i) const {
  double v = 0;
  for (std::size_t k = q.size(); k-- > 0;) v = (v + q[k]) * i;
  return 1 + v;
}

double large_signal::g_slope(double i) const {
  double v = 0;
  for (std::size_t k = q.size(); k-- > 0;) v = v * i + static_cast<double>(k + 1) * q[k];
  return v;
}

double large_signal::G(double i) const {
  // i^2 / 2 + sum q_k i^(k+2) / (k+2)
  double v = 0;
  for (std::size_t k = q.size(); k-- > 0;) v = (v + q[k] / static_cast<double>(k + 3)) * i;
  return i * i * (0.5 + v);
}

namespace {
constexpr int scan_points = 2000;
}

bool find_unphysical(const large_signal& m, double current, const char*& what, double& at_x) {
  for (int j = 0; j <= scan_points; ++j) {
    const double x = m.range * (2.0 * j / scan_points - 1);
    at_x = x;
    if (!(m.bl.value(x) > 0)) return what = "Bl(x)", false;
    if (!(m.kms.value(x) > 0)) return what = "Kms(x)", false;
    if (!(m.tangent_stiffness(x) > 0)) return what = "the tangent stiffness d(Kms(x) x)/dx", false;
    if (!m.has_inductance()) continue;
    const double le = m.le.value(x);
    if (!(le > 0)) return what = "Le(x)", false;
    if (m.q.empty()) continue;
    for (int n = 0; n <= 100; ++n) {
      const double i = current * (2.0 * n / 100 - 1);
      if (!(le * (m.g(i) + m.g_slope(i) * i) > 0)) return what = "the incremental inductance d(Le g(i) i)/di", false;
    }
  }
  return true;
}

double largest_tangent_stiffness(const large_signal& m) {
  double k = 0;
  for (int j = 0; j <= scan_points; ++j) k = std::max(k, m.tangent_stiffness(m.range * (2.0 * j / scan_points - 1)));
  return k;
}

double largest_coil_rate(const large_signal& m, double re) {
  if (!m.has_inductance()) return 0;
  double rate = 0;
  for (int j = 0; j <= scan_points; ++j) rate = std::max(rate, re / m.le.value(m.range * (2.0 * j / scan_points - 1)));
  return rate;
}
