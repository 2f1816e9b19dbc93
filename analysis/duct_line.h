// A duct as a plane-wave line: a series impedance z = i w rho / S + r' and
// a shunt admittance y = i w S / (rho c^2) per metre, so gamma = sqrt(z y)
// and Zc = sqrt(z / y). Its input impedance at the chamber end replaces the
// lumped mass (and the closed chamber or rigid end behind it) in the
// steady state; the lumped duct is its limit for small kL.
#pragma once

#include <complex>

#include "model/model_state.h"

using complex = std::complex<double>;

// What closes the line's far end.
enum class line_end { room, cavity, rigid };

struct duct_line {
  double area = 0;           // m^2
  double length = 0;         // acoustic (effective) length, m
  double density = 0;        // kg/m^3
  double bulk_modulus = 0;   // rho c^2, Pa
  double resistance = 0;     // r', Pa s / m^4 per metre, at every frequency
  double loss_per_root = 0;  // a viscothermal attenuation alpha = loss_per_root sqrt(w), per metre
  line_end end = line_end::room;
  double cavity = 0;         // m^3, for line_end::cavity
};

// p / U at the chamber end, U flowing into the line there.
complex line_input_impedance(const duct_line& line, double w);

// U at the far end over U at the chamber end (0 for a rigid end).
complex line_far_flow_ratio(const duct_line& line, double w);

// The line of element `duct` as the network holds it (line_length > 0).
duct_line line_of(const model_state& s, int duct);

// The n-th root (n = 1, 2, ...) of x tan x = S L / V in x = kL: a duct of
// area S and acoustic length L into a closed volume V, lossless. The first
// is its Helmholtz tuning as a line, the others its pipe resonances.
double line_resonance_root(double area, double length, double volume, int n);
