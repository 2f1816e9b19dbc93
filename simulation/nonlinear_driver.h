// The large-signal driver: its force factor Bl(x), its suspension's secant
// stiffness Kms(x) (the restoring force is Kms(x) x), its coil's
// inductance Le(x) g(i) and the port's quadratic loss, each a function of
// the state. x is the cone's excursion along the coil's force (outward of
// the box for every enclosure but a bandpass4's rear-mounted cone), in m.
#pragma once

#include <vector>

// A curve in x: a polynomial (SI coefficient k per m^k), its reciprocal
// (a compliance giving a stiffness), or a monotone-preserving cubic
// through measured points.
struct curve {
  std::vector<double> poly;
  bool reciprocal = false;
  std::vector<double> knot_x, knot_y, knot_slope;  // a spline when knot_x is not empty

  double value(double x) const;
  double slope(double x) const;  // d value / dx
};

// The spline through (x, y) with Fritsch-Carlson slopes: no overshoot
// between points, so a monotone stretch of the data stays monotone.
curve monotone_spline(const std::vector<double>& x, const std::vector<double>& y);

struct large_signal {
  curve bl;                  // T m
  curve kms;                 // N/m, secant
  curve le;                  // H; an empty poly and no knots: no inductance
  std::vector<double> q;     // g(i) = 1 + sum q[k-1] i^k, 1/A^k
  double range = 0;          // m, where the curves hold
  double network_kms = 0;    // the suspension stiffness the linear network already holds, N/m
  int port = -1;             // the port's element, or -1
  double port_area = 0;      // m^2
  double port_loss = 0;      // xi: the port's pressure drop 1/2 rho xi w|w|

  bool has_inductance() const { return !le.poly.empty() || !le.knot_x.empty(); }
  double g(double i) const;          // 1 + sum q_k i^k
  double g_slope(double i) const;    // dg/di
  double G(double i) const;          // integral of g(j) j dj from 0 to i
  double tangent_stiffness(double x) const { return kms.value(x) + kms.slope(x) * x; }
};

// Where a curve fails the model within +-range: Bl, Kms, the tangent
// stiffness or Le not positive, or the incremental inductance
// d(Le g(i) i)/di not positive for |i| up to `current`. Returns false and
// names the quantity and x (m) when one does.
bool find_unphysical(const large_signal& m, double current, const char*& what, double& at_x);

// The largest tangent stiffness and the largest Re / Le(x) over +-range.
double largest_tangent_stiffness(const large_signal& m);
double largest_coil_rate(const large_signal& m, double re);
