// The network's time stepping through the voice coil, one step at a time:
// the masses by the central difference, the coil's flux and any massless
// element by the trapezoidal rule, the current and the cone's centred
// velocity solved together. A large-signal driver makes the coefficients
// depend on the state: Bl(x), the suspension's Kms(x) x and the
// reluctance force Le'(x) G(i) are taken at step k, the coil is stepped in
// flux form d(Le(x) g(i) i)/dt (whose i Le'(x) u term and the reluctance
// force together keep the energy balance), and a port's quadratic loss
// acts on its centred velocity. Without one, the arithmetic is the linear
// network's own.
#pragma once

#include <vector>

#include "model/model_state.h"
#include "model/voice_coil.h"
#include "simulation/nonlinear_driver.h"
#include "simulation/voltage_signal.h"

struct network_stepper {
  const model_state& s;
  const voice_coil& coil;
  const large_signal* nl;  // nullptr: the linear driver
  const int nd;
  const double delta;
  std::vector<bool> massless;
  std::vector<double> previous, current, next;  // x at k-1, k, k+1 (network signs)
  // The coil at k-1; u along the coil's force.
  double i_previous = 0, u_previous = 0, v_previous = 0;
  double flux_previous = 0, emf_previous = 0;  // Le g(i) i, Bl u (large-signal only)
  // Row k, once step() has run: displacements, centred velocities and
  // accelerations, and the current.
  std::vector<double> row_x, row_v, row_a;
  double row_i = 0;

  network_stepper(const model_state& s_, const voice_coil& c, const large_signal* model);

  // From rest at t = 0, the switch-on's jumps as `signal` makes them; fills
  // row 0 and makes the first step.
  void start(const voltage_signal& signal, double v0);

  // From a given state: x at k-1 and k and the coil at k-1.
  void restart(const std::vector<double>& x_previous, const std::vector<double>& x_current, double i, double u,
               double v);

  // Row k under the voltage v_now at k; afterwards the state is at k+1.
  void step(double v_now);

 private:
  double stiffness_force(const std::vector<double>& x, int e) const;
  void step_massless();
  void step_port(int e, double sum);
  double cone_current(double v_now, double base, double& force, double& u);
};
