#include "simulation/transient_run.h"

#include <cmath>

#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "util/message.h"

namespace {

struct stepper {
  const model_state& s;
  const voice_coil& coil;
  const int nd;
  const double delta;
  std::vector<bool> massless;
  std::vector<double> previous, current, next;  // x at k-1, k, k+1
  double i_previous = 0, u_previous = 0, v_previous = 0;  // the coil at k-1; u forward

  stepper(const model_state& s_, const voice_coil& c)
      : s(s_), coil(c), nd(s_.ND), delta(s_.delta), massless(nd), previous(nd), current(nd), next(nd) {
    for (int e = 0; e < nd; ++e) massless[e] = !(s.M[e] > 0);
  }

  double stiffness_force(const std::vector<double>& x, int e) const {
    double f = 0;
    for (int j = 0; j < nd; ++j) f = f + s.K[e][j] * x[j];
    return f;
  }

  // Trapezoidal rule on C x' + K x = 0 for a massless element, with the
  // masses' new displacements already in next.
  void step_massless() {
    for (int e = 0; e < nd; ++e) {
      if (!massless[e]) continue;
      double coupled = 0;
      for (int j = 0; j < nd; ++j)
        if (j != e) coupled = coupled + s.K[e][j] * (next[j] + current[j]);
      const double c = s.C[e] / delta, k = s.K[e][e] / 2;
      next[e] = ((c - k) * current[e] - coupled / 2) / (c + k);
    }
  }

  // The coil from k-1 to k (trapezoidal; with Le = 0 the current follows
  // the voltage and the back-EMF at once): i_k = alpha + beta u_k.
  void coil_terms(double v_now, double& alpha, double& beta) const {
    if (coil.le > 0) {
      const double c = coil.le / delta + coil.re / 2;
      alpha = ((coil.le / delta - coil.re / 2) * i_previous + (v_now + v_previous) / 2 - coil.bl * u_previous / 2) / c;
      beta = -coil.bl / 2 / c;
    } else {
      alpha = v_now / coil.re;
      beta = -coil.bl / coil.re;
    }
  }
};

// The state just after t = 0: at rest, but for what the switch-on makes
// jump: the current (Le = 0: at once to v / Re; an impulse with Le > 0:
// area / Le) and, for an impulse with Le = 0, the cone's velocity (the
// current's own Dirac hands the cone Bl area / Re of momentum).
void initial_state(const model_state& s, const voice_coil& coil, const voltage_signal& signal, double v0,
                   double& current, std::vector<double>& velocity) {
  if (signal.kind == signal_kind::impulse) {
    // What the Dirac leaves; a filter's tail follows in the samples.
    const double area = signal.peak * impulse_width;
    if (coil.le > 0) {
      current = area / coil.le;
    } else {
      velocity[0] = coil.polarity * coil.bl * area / (coil.re * s.M[0]);
      current = (v0 - coil.bl * (coil.polarity * velocity[0])) / coil.re;
    }
  } else {
    current = coil.le > 0 ? 0 : v0 / coil.re;
  }
}

}  // namespace

status run_transient(model_state& s, const voice_coil& coil, const voltage_signal& signal,
                     const std::vector<double>& voltage, double delta, transient_record& out) {
  const int rows = static_cast<int>(voltage.size());
  s.delta = delta;
  derive_damping_terms(s);
  assemble_matrices(s);
  if (!(s.M[0] > 0)) return status::error("the cone has no moving mass: expected Mms > 0");
  const int nd = s.ND;
  stepper st(s, coil);
  out = transient_record();
  out.nd = nd;
  out.delta = delta;
  for (auto* column : {&out.time, &out.voltage, &out.current}) column->resize(rows);
  for (auto* column : {&out.x, &out.v, &out.a}) column->resize(static_cast<std::size_t>(rows) * nd);

  // Row 0 and the first step, by Taylor's formula from the state at 0+
  // (the central difference from rest would apply the switch-on force over
  // a whole step instead of half of one).
  double i0 = 0;
  std::vector<double> u0(nd, 0.0), a0(nd, 0.0);
  const double v0 = voltage.empty() ? 0 : voltage[0];
  initial_state(s, coil, signal, v0, i0, u0);
  // From rest (x = 0) only the coil's force and damping act on a mass; a
  // massless element (C x' = -(K x)) starts at rest and accelerates with
  // the velocities it feels.
  for (int e = 0; e < nd; ++e) {
    const double drive = e == 0 ? coil.polarity * coil.bl * i0 : 0;
    a0[e] = st.massless[e] ? -st.stiffness_force(u0, e) / s.C[e] : (drive - s.C[e] * u0[e]) / s.M[e];
  }
  for (int e = 0; e < nd; ++e)
    st.next[e] = st.massless[e] ? 0 : st.current[e] + delta * u0[e] + delta * delta / 2 * a0[e];
  st.step_massless();
  out.time[0] = 0;
  out.voltage[0] = v0;
  out.current[0] = i0;
  for (int e = 0; e < nd; ++e) {
    out.x[e] = 0;
    out.v[e] = u0[e];
    out.a[e] = a0[e];
  }
  st.i_previous = i0;
  st.u_previous = coil.polarity * u0[0];
  st.v_previous = v0;
  st.previous.swap(st.current);
  st.current.swap(st.next);

  for (int k = 1; k < rows; ++k) {
    const double t = k * delta, v_now = voltage[k];
    // The masses without a force; the cone's force follows.
    for (int e = 0; e < nd; ++e) {
      if (st.massless[e]) continue;
      double sum = 0;
      for (int j = 0; j < nd; ++j) sum = sum + s.Q[e][j] * st.current[j];
      st.next[e] = sum - s.MM[e] / s.MP[e] * st.previous[e];
    }
    // The cone: x0+ = base + g i_k, u_k = p (x0+ - x0-) / (2 delta) and
    // i_k = alpha + beta u_k, solved together.
    const double base = st.next[0];
    const double p = coil.polarity, g = delta * 2 * delta / s.MP[0] * p * coil.bl;
    double alpha = 0, beta = 0;
    st.coil_terms(v_now, alpha, beta);
    const double u = p * (base + g * alpha - st.previous[0]) / (2 * delta) / (1 - p * g * beta / (2 * delta));
    const double i = alpha + beta * u;
    st.next[0] = base + g * i;
    st.step_massless();

    out.time[k] = t;
    out.voltage[k] = v_now;
    out.current[k] = i;
    double* x = &out.x[static_cast<std::size_t>(k) * nd];
    double* v = &out.v[static_cast<std::size_t>(k) * nd];
    double* a = &out.a[static_cast<std::size_t>(k) * nd];
    for (int e = 0; e < nd; ++e) {
      x[e] = st.current[e];
      v[e] = (st.next[e] - st.previous[e]) / (2 * delta);
      a[e] = (st.next[e] - 2 * st.current[e] + st.previous[e]) / (delta * delta);
      if (!std::isfinite(x[e]) || !std::isfinite(v[e]))
        return status::error(message("the transient grew without bound at %g s: expected a stable time step", t));
    }
    st.i_previous = i;
    st.u_previous = u;
    st.v_previous = v_now;
    st.previous.swap(st.current);
    st.current.swap(st.next);
  }
  return status::success();
}
