// The exact steady state of the network under a sinusoidal drive, solved in
// the frequency domain: (K - w^2 M + i w C) X = F. The drive is the force
// b sin(w t) on the piston (F[0] = -i b), or a voice coil. Built on Eigen;
// used by acoustic_steady, not by acoustic_sim.
#pragma once

#include <complex>
#include <vector>

#include "model/model_state.h"
#include "model/voice_coil.h"
#include "util/status.h"

using complex = std::complex<double>;

struct steady_point {
  double frequency = 0;     // Hz
  double w = 0;             // rad/s
  std::vector<complex> X;   // displacement amplitudes: peak for the force, rms with a coil, m
  std::vector<complex> dX;  // dX/dw, m s
  // At a duct's far end, the mouth it radiates from: X itself but for a
  // duct solved as a line, whose flow differs from end to end.
  std::vector<complex> X_out, dX_out;
  bool coil = false;        // driven by a voice coil
  complex drive;            // the force phasor -i b, or the voltage V
  complex current;          // with a coil, A (rms)
  complex velocity_sum;     // area-weighted, chosen by vvso, m/s
  double group_delay = 0;   // of the velocity sum, s
};

// w = frequency x 6.283184, the program's own 2 pi, so that the solution
// overlays the sweep driven with sin(F 6.283184 t). Needs M, C, R and K.
steady_point solve_steady_state(const model_state& s, double frequency, const voice_coil* coil = nullptr);

// The same driven by a volume velocity `flow` (m^3/s rms) into the main
// chamber through the piston's area in place of its equation of motion:
// amplitudes are rms, drive is the flow.
steady_point solve_flow_driven(const model_state& s, double frequency, double flow);

// Every integer frequency from 10 to 400 Hz.
std::vector<steady_point> solve_sweep(const model_state& s, const voice_coil* coil = nullptr);

// Writes "steady_state_response.csv" and "steady_state_elements.csv" from
// the points of solve_sweep driven by the force b.
status write_steady_state_files(const model_state& s, const std::vector<steady_point>& points);
