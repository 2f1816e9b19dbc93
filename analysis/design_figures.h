// The figures an enclosure is designed by, per frequency, from the exact
// steady state: the far-field SPL in dB and its phase and group delay, the
// piston's excursion, every duct's air velocity and, with a voice coil, the
// electrical impedance.
#pragma once

#include <vector>

#include "analysis/steady_state.h"
#include "model/enclosure.h"
#include "util/status.h"

// Where the pressure is taken: r metres away, into half space (2 pi: a box
// on the floor or in a baffle) or full space (4 pi).
struct listening_point {
  double distance = 1;
  bool full_space = false;
  double density = rho;  // of the air, kg/m^3
};

// The volume velocity the radiators put into the room, sum of outward x
// area x i w X, and its derivative in w (for the group delay).
struct radiated_flow {
  complex U;
  complex dU;
};
radiated_flow radiated(const model_state& s, const steady_point& p, const std::vector<radiator>& radiators);

// p = i w rho U / (2 pi r) in half space, / (4 pi r) in full space.
complex far_field_pressure(double w, complex U, const listening_point& at);

// The phase of z in degrees, -180..180.
double degrees(complex z);

struct design_row {
  double frequency = 0;               // Hz
  double spl = 0;                     // dB re 20 uPa, rms pressure
  double phase = 0;                   // of the pressure against the drive, degrees
  double group_delay_ms = 0;          // -d(phase)/dw
  double excursion_mm = 0;            // piston, peak
  std::vector<double> duct_velocity;  // ducts 1..2n, peak, m/s
  complex impedance;                  // V / I, ohm (with a coil)
};

// U = sum of area x velocity over the radiating elements; the pressure is
// p = i w rho U / (2 pi r) in half space, / (4 pi r) in full space.
design_row design_figures(const model_state& s, const steady_point& p, const listening_point& at);

// "steady_state_design.csv": frequency, SPL, phase, group delay,
// excursion, every duct's velocity and, with a coil, the impedance.
status write_design_file(const std::vector<design_row>& rows, int ducts, bool coil);
