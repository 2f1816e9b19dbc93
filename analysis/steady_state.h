// The exact steady state of the network under a sinusoidal piston force,
// solved in the frequency domain: (K - w^2 M + i w C) X = F with
// F = -i b on the piston, i.e. the force b sin(w t). Built on Eigen; used by
// acoustic_steady, not by acoustic_sim.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "model/model_state.h"
#include "util/status.h"

struct steady_point {
  double frequency = 0;                 // Hz
  std::vector<std::complex<double>> X;  // displacement amplitudes, m
  std::complex<double> velocity_sum;    // area-weighted, chosen by vvso, m/s
  double group_delay = 0;               // of the velocity sum, s
};

// w = frequency x 6.283184, the program's own 2 pi, so that the solution
// overlays the sweep driven with sin(F 6.283184 t). Needs M, C, R and K.
steady_point solve_steady_state(const model_state& s, double frequency);

// Writes "steady_state_response.csv" and "steady_state_elements.csv" for
// every integer frequency from 10 to 400 Hz.
status write_steady_state_files(const model_state& s);
