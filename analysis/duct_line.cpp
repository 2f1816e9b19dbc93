#include "analysis/duct_line.h"

#include <cmath>

namespace {

struct propagation {
  complex gamma;           // per metre
  complex characteristic;  // Zc, Pa s / m^3
};

propagation propagation_of(const duct_line& l, double w) {
  double r = l.resistance;
  // alpha = r' / (2 Zc) for a small loss, Zc = rho c / S.
  if (l.loss_per_root > 0) r += 2 * l.loss_per_root * std::sqrt(w) * std::sqrt(l.bulk_modulus * l.density) / l.area;
  const complex z(r, w * l.density / l.area), y(0, w * l.area / l.bulk_modulus);
  propagation p;
  p.gamma = std::sqrt(z * y);
  if (p.gamma.real() < 0) p.gamma = -p.gamma;
  p.characteristic = std::sqrt(z / y);
  if (p.characteristic.real() < 0) p.characteristic = -p.characteristic;
  return p;
}

complex termination(const duct_line& l, double w) {
  return l.end == line_end::cavity ? l.bulk_modulus / complex(0, w * l.cavity) : complex(0, 0);
}

}  // namespace

complex line_input_impedance(const duct_line& l, double w) {
  const propagation p = propagation_of(l, w);
  const complex t = std::tanh(p.gamma * l.length), zc = p.characteristic;
  if (l.end == line_end::rigid) return zc / t;
  const complex zt = termination(l, w);
  return zc * (zt + zc * t) / (zc + zt * t);
}

complex line_far_flow_ratio(const duct_line& l, double w) {
  if (l.end == line_end::rigid) return 0;
  const propagation p = propagation_of(l, w);
  const complex gl = p.gamma * l.length;
  return 1.0 / (std::cosh(gl) + termination(l, w) * std::sinh(gl) / p.characteristic);
}

duct_line line_of(const model_state& s, int duct) {
  duct_line l;
  l.area = s.A[duct] * 1e-4;
  l.length = s.line_length[duct];
  l.density = s.air_density;
  l.bulk_modulus = s.HCR * s.air_pressure;
  l.loss_per_root = s.line_loss[duct];
  // The lumped damping, spread along the line (unless the loss is the
  // line's own): C / S^2 acoustic over its length.
  if (!(l.loss_per_root > 0)) l.resistance = s.C[duct] / (l.area * l.area) / l.length;
  if (s.line_rigid_end[duct]) {
    // The lumped duct of a closed tube is its first mode, whose air moves
    // as cos kx: half the tube's resistance acts on it.
    l.resistance *= 2;
    l.end = line_end::rigid;
  } else if (duct <= s.n && !std::isinf(s.V[duct])) {
    l.end = line_end::cavity;
    l.cavity = s.V[duct];
  }
  return l;
}

double line_resonance_root(double area, double length, double volume, int n) {
  const double ratio = area * length / volume;
  // x tan x rises from 0 to +inf on each branch ((n - 1) pi, (n - 1/2) pi).
  const double half_pi = std::acos(-1.0) / 2;
  double a = (n - 1) * 2 * half_pi, b = a + half_pi;
  for (int i = 0; i < 200; ++i) {
    const double m = (a + b) / 2;
    if (m * std::tan(m) < ratio) a = m; else b = m;
  }
  return (a + b) / 2;
}
