// A loudspeaker's network driven through its voice coil in the time
// domain. The masses and chambers step with the central-difference
// recursion acoustic_sim uses (x+ = Q x - (MM/MP) x- + 2 delta^2 f / MP);
// the first-order parts, the coil's current and any massless element (a
// leak), step with the trapezoidal rule, which is stable on a pure decay
// where the central difference is not. The two are coupled where they
// meet: the current at step k and the cone's centred velocity at step k
// are solved together, and a massless element takes the new displacements
// of the masses it feels.
#pragma once

#include <vector>

#include "model/model_state.h"
#include "model/voice_coil.h"
#include "simulation/nonlinear_driver.h"
#include "simulation/voltage_signal.h"
#include "util/status.h"

// One value per row (time, voltage, current) or nd per row (the elements'
// displacements, centred velocities and accelerations, in the network's
// signs). Row 0 holds the values just after t = 0.
struct transient_record {
  int nd = 0;
  double delta = 0;                            // s
  std::vector<double> time, voltage, current;  // s, V, A
  std::vector<double> x, v, a;                 // m, m/s, m/s^2
  int rows() const { return static_cast<int>(time.size()); }
  double x_of(int row, int element) const { return x[static_cast<std::size_t>(row) * nd + element]; }
  double v_of(int row, int element) const { return v[static_cast<std::size_t>(row) * nd + element]; }
  double a_of(int row, int element) const { return a[static_cast<std::size_t>(row) * nd + element]; }
};

// Rows 0 .. rows-1 at t = k delta from rest, the coil driven by
// voltage[k] (voltage_samples: the signal after any filter; an impulse's
// Dirac comes from `signal`). Sets s.delta and the matrices for it. Fails
// when the response grows without bound. A large-signal `driver` makes
// the stepping's coefficients depend on the state (the coil's bl and le
// are then its values at rest).
status run_transient(model_state& s, const voice_coil& coil, const voltage_signal& signal,
                     const std::vector<double>& voltage, double delta, transient_record& out,
                     const large_signal* driver = nullptr);
