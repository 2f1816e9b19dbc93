#include "model/enclosure.h"

bool radiates(const model_state& s, int element) {
  if (element == 0 || element > s.n) return element < s.ND;
  return chamber_is_open(s, element);
}

small_signal_parameters piston_parameters(const model_state& s, double bl, double re) {
  small_signal_parameters p;
  p.fs = std::sqrt(s.Ku / s.M[0]) / two_pi;
  p.qms = two_pi * p.fs * s.M[0] / s.C[0];
  const double area_m2 = s.A[0] * 1e-4;
  p.vas_litres = s.HCR * p0 * area_m2 * area_m2 / s.Ku * 1000;
  if (bl != 0) {
    p.qes = two_pi * p.fs * s.M[0] * re / (bl * bl);
    p.qts = p.qms * p.qes / (p.qms + p.qes);
  }
  return p;
}

double closed_box_resonance(const model_state& s) { return std::sqrt((s.Ku + s.KS[0]) / s.M[0]) / two_pi; }

double closed_box_q(const model_state& s, double bl, double re) {
  const double damping = s.C[0] + (bl != 0 ? bl * bl / re : 0);
  return two_pi * closed_box_resonance(s) * s.M[0] / damping;
}

double port_tuning(const model_state& s, int duct) { return std::sqrt(s.K[duct][duct] / s.M[duct]) / two_pi; }
