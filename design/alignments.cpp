#include "design/alignments.h"

#include <cmath>
#include <complex>
#include <vector>

#include "model/model_state.h"
#include "util/message.h"

namespace {

const double b4_qts = 1 / std::sqrt(4 + 2 * std::sqrt(2.0));
// Thiele's first QB3 row: fb = 2 fs.
constexpr double qb3_lowest_qts = 0.18;

// The highest w where |H|^2 = 1/2, walking down from far above the corner
// and bisecting the crossing.
double minus_3_db(double (*magnitude)(const double*, double), const double* coefficients) {
  double high = 16, low = high;
  while (low > 1e-3 && magnitude(coefficients, low) >= std::sqrt(0.5)) {
    high = low;
    low /= 1.01;
  }
  for (int i = 0; i < 100; ++i) {
    const double mid = (low + high) / 2;
    (magnitude(coefficients, mid) >= std::sqrt(0.5) ? high : low) = mid;
  }
  return (low + high) / 2;
}

double fourth_order(const double* a, double w) { return fourth_order_magnitude(a[0], a[1], a[2], w); }

double second_order(const double* q, double w) {
  const std::complex<double> s(0, w);
  return std::abs(s * s / (s * s + s / q[0] + 1.0));
}

// From the polynomial to the box: h = a3 / a1, Qts = 1 / sqrt(a1 a3),
// alpha = a2 h - 1 - h^2.
void box_of(double fs, double vas, vented_alignment& v) {
  const double h = v.a3 / v.a1, alpha = v.a2 * h - 1 - h * h;
  v.reachable = alpha > 0;
  if (!v.reachable) return;
  v.vb = vas / alpha;
  v.fb = h * fs;
  const double a[3] = {v.a1, v.a2, v.a3};
  v.f3 = minus_3_db(fourth_order, a) * std::sqrt(fs * v.fb);
}

// The 4th-order Chebyshev high-pass of ripple epsilon, its constant term
// normalised to 1: the low-pass poles p on the ellipse, s -> 1 / s.
void chebyshev(double epsilon, double& a1, double& a2, double& a3) {
  const double v = std::asinh(1 / epsilon) / 4;
  std::vector<std::complex<double>> q;
  for (int k = 1; k <= 4; ++k) {
    const double theta = (2 * k - 1) * exact_pi / 8;
    q.push_back(1.0 / std::complex<double>(-std::sinh(v) * std::sin(theta), std::cosh(v) * std::cos(theta)));
  }
  std::complex<double> product = 1;
  for (const auto& p : q) product *= p;
  const double scale = std::pow(std::abs(product), -0.25);
  for (auto& p : q) p *= scale;
  // (s - q1)(s - q2)(s - q3)(s - q4)
  std::complex<double> c[5] = {1, 0, 0, 0, 0};
  for (const auto& p : q) {
    for (int i = 4; i >= 1; --i) c[i] = c[i] - p * c[i - 1];
  }
  a1 = c[1].real();
  a2 = c[2].real();
  a3 = c[3].real();
}

}  // namespace

double fourth_order_magnitude(double a1, double a2, double a3, double w) {
  const std::complex<double> s(0, w);
  const std::complex<double> s2 = s * s;
  return std::abs(s2 * s2 / (s2 * s2 + a1 * s2 * s + a2 * s2 + a3 * s + 1.0));
}

closed_alignment closed_box_alignment(double fs, double qts, double vas, double qtc) {
  closed_alignment c;
  c.qtc = qtc;
  c.reachable = qtc > qts * (1 + family_tolerance);
  if (!c.reachable) return c;
  // Qtc = Qts sqrt(1 + alpha), fc = fs sqrt(1 + alpha)
  const double alpha = (qtc / qts) * (qtc / qts) - 1;
  c.vb = vas / alpha;
  c.fc = fs * std::sqrt(1 + alpha);
  c.f3 = minus_3_db(second_order, &qtc) * c.fc;
  return c;
}

vented_alignment vented_box_alignment(double fs, double qts, double vas) {
  vented_alignment v;
  // A Qts derived from Qms and Qes comes back from its round trip a few
  // ulps away from the value typed: each boundary holds within a relative
  // family_tolerance.
  if (std::abs(qts - b4_qts) <= family_tolerance * b4_qts || qts < b4_qts) {
    // a1^2 = 2 a2 and a2^2 + 2 = 2 a1 a3 = 2 / Qts^2: QB3's polynomial,
    // which at B4's Qts is B4's, so Vb and fb run on through the window.
    const bool b4 = std::abs(qts - b4_qts) <= family_tolerance * b4_qts;
    v.name = b4 ? "B4" : "QB3";
    v.property = b4 ? "maximally flat: |H|^2 = w^8 / (w^8 + 1)"
                    : "quasi-third-order: |H|^2 = w^8 / (w^8 + B w^2 + 1)";
    if (qts < qb3_lowest_qts * (1 - family_tolerance)) {
      v.note = message("Qts = %.4g is below the QB3 family's %g (Thiele's fb = 2 fs): expected a closed box", qts,
                       qb3_lowest_qts);
      return v;
    }
    const double q = b4 ? b4_qts : qts;
    v.a2 = std::sqrt(2 / (q * q) - 2);
    const double h = 1 / (2 * v.a2 * q * q);
    v.a1 = 1 / (q * std::sqrt(h));
    v.a3 = std::sqrt(h) / q;
  } else {
    // The ripple whose polynomial has a1 a3 = 1 / Qts^2.
    v.name = "C4";
    v.property = "Chebyshev: equal ripple in the passband";
    auto qts_of = [](double epsilon) {
      double a1, a2, a3;
      chebyshev(epsilon, a1, a2, a3);
      return 1 / std::sqrt(a1 * a3);
    };
    const double most_ripple = std::sqrt(std::pow(10, 3.0 / 10) - 1);  // 3 dB
    if (qts > qts_of(most_ripple) * (1 + family_tolerance)) {
      v.note = message("Qts = %.3g is above the C4 family's %.3g (3 dB of ripple): expected a closed box", qts,
                       qts_of(most_ripple));
      return v;
    }
    double low = 1e-12, high = most_ripple;
    for (int i = 0; i < 200; ++i) {
      const double mid = std::sqrt(low * high);
      (qts_of(mid) < qts ? low : high) = mid;
    }
    const double epsilon = std::sqrt(low * high);
    chebyshev(epsilon, v.a1, v.a2, v.a3);
    v.ripple_db = 10 * std::log10(1 + epsilon * epsilon);
  }
  box_of(fs, vas, v);
  if (!v.reachable) v.note = message("Qts = %.3g gives no positive box volume for %s", qts, v.name.c_str());
  return v;
}
