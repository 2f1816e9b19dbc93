// Textbook alignments of a driver: the closed box's second-order high-pass
// of a chosen Qtc, and the vented box's fourth-order high-pass whose
// all-pole polynomial s^4 + a1 s^3 + a2 s^2 + a3 s + 1 (s normalised to
// w0 = sqrt(ws wb)) the driver's Qts reaches, for a lossless box (no
// leak, Le = 0): a1 = 1 / (Qts sqrt(h)), a2 = (alpha + 1 + h^2) / h,
// a3 = sqrt(h) / Qts, h = fb / fs, alpha = Vas / Vb.
//   B4, maximally flat (Butterworth): every term of |D(i w)|^2 but w^8
//   and 1 vanishes; it needs Qts = 1 / sqrt(4 + 2 sqrt 2) = 0.3827.
//   QB3 (Qts below, down to 0.18 where fb = 2 fs): the w^6 and w^4 terms
//   vanish, the w^2 term stays; at B4's Qts it is B4.
//   C4 (Qts above): the poles of a Chebyshev response, equal ripple in the
//   passband.
#pragma once

#include <string>

// A Qts within this relative distance of a family's boundary (B4's
// 0.3827, QB3's lowest 0.18, C4's highest, a closed box's Qtc) counts as
// on it.
constexpr double family_tolerance = 1e-6;

struct closed_alignment {
  bool reachable = false;  // Qtc above the driver's Qts, by more than family_tolerance
  double qtc = 0;
  double vb = 0;  // m^3
  double fc = 0;  // Hz
  double f3 = 0;  // Hz
};
closed_alignment closed_box_alignment(double fs, double qts, double vas, double qtc);

struct vented_alignment {
  bool reachable = false;
  std::string name;      // "B4", "QB3" or "C4"
  std::string property;  // what the polynomial fixes
  double vb = 0;         // m^3
  double fb = 0;         // Hz
  double f3 = 0;         // Hz
  double a1 = 0, a2 = 0, a3 = 0;
  double ripple_db = 0;  // C4: the passband's ripple
  std::string note;      // why an unreachable driver is left out
};
vented_alignment vented_box_alignment(double fs, double qts, double vas);

// |H(i w)| of the normalised polynomial with those coefficients.
double fourth_order_magnitude(double a1, double a2, double a3, double w);
