#include "simulation/nonlinear_stepping.h"

#include <cmath>

network_stepper::network_stepper(const model_state& s_, const voice_coil& c, const large_signal* model)
    : s(s_),
      coil(c),
      nl(model),
      nd(s_.ND),
      delta(s_.delta),
      massless(nd),
      previous(nd),
      current(nd),
      next(nd),
      row_x(nd),
      row_v(nd),
      row_a(nd) {
  for (int e = 0; e < nd; ++e) massless[e] = !(s.M[e] > 0);
}

double network_stepper::stiffness_force(const std::vector<double>& x, int e) const {
  double f = 0;
  for (int j = 0; j < nd; ++j) f = f + s.K[e][j] * x[j];
  return f;
}

// Trapezoidal rule on C x' + K x = 0 for a massless element, with the
// masses' new displacements already in next.
void network_stepper::step_massless() {
  for (int e = 0; e < nd; ++e) {
    if (!massless[e]) continue;
    double coupled = 0;
    for (int j = 0; j < nd; ++j)
      if (j != e) coupled = coupled + s.K[e][j] * (next[j] + current[j]);
    const double c = s.C[e] / delta, k = s.K[e][e] / 2;
    next[e] = ((c - k) * current[e] - coupled / 2) / (c + k);
  }
}

// The port's air with the loss 1/2 rho xi w|w| on its area, w its centred
// velocity: MP (x- + 2 delta w) = MK x - MM x- - 2 delta^2 a w|w|, a
// quadratic in w solved exactly.
void network_stepper::step_port(int e, double sum) {
  const double drag = 0.5 * rho * nl->port_loss * nl->port_area;
  const double r = sum * s.MP[e] - (s.MM[e] + s.MP[e]) * previous[e];
  const double a = 2 * delta * delta * drag, b = 2 * delta * s.MP[e];
  const double w = 2 * r / (b + std::sqrt(b * b + 4 * a * std::abs(r)));
  next[e] = previous[e] + 2 * delta * w;
}

// The large-signal cone: i_k from the coil's flux equation by Newton's
// method, the cone's velocity u(i) = u_b + delta / MP F(i) following the
// force F = Bl(x) i + Le'(x) G(i) it receives.
double network_stepper::cone_current(double v_now, double base, double& force, double& u) {
  const double p = coil.polarity;
  const double x = p * current[0];
  const double bl = nl->bl.value(x);
  const double u_base = p * (base - previous[0]) / (2 * delta), c_u = delta / s.MP[0];
  double i = i_previous;
  if (!nl->has_inductance()) {
    i = (v_now - bl * u_base) / (coil.re + bl * bl * c_u);
    force = bl * i;
    u = u_base + c_u * force;
    flux_previous = 0;
    emf_previous = bl * u;
    return i;
  }
  const double le = nl->le.value(x), le_slope = nl->le.slope(x);
  const double known = flux_previous + delta / 2 * (v_now + v_previous - coil.re * i_previous - emf_previous);
  for (int iteration = 0; iteration < 30; ++iteration) {
    const double g = nl->g(i);
    const double f = bl * i + le_slope * nl->G(i);
    const double residual = le * g * i - known + delta / 2 * (coil.re * i + bl * (u_base + c_u * f));
    const double slope =
        le * (g + nl->g_slope(i) * i) + delta / 2 * (coil.re + bl * c_u * (bl + le_slope * g * i));
    const double change = residual / slope;
    i -= change;
    if (!(std::abs(change) > 1e-14 * std::abs(i))) break;
  }
  force = bl * i + le_slope * nl->G(i);
  u = u_base + c_u * force;
  flux_previous = le * nl->g(i) * i;
  emf_previous = bl * u;
  return i;
}

void network_stepper::step(double v_now) {
  const bool loss = nl && nl->port >= 0 && nl->port_loss > 0;
  // The masses without a force; the cone's force follows.
  for (int e = 0; e < nd; ++e) {
    if (massless[e]) continue;
    double sum = 0;
    for (int j = 0; j < nd; ++j) sum = sum + s.Q[e][j] * current[j];
    if (loss && e == nl->port) {
      step_port(e, sum);
    } else {
      next[e] = sum - s.MM[e] / s.MP[e] * previous[e];
    }
  }
  const double p = coil.polarity;
  double i = 0, u = 0;
  if (nl) {
    // The suspension beyond what the network's stiffness holds.
    const double x = p * current[0];
    const double extra = -(nl->kms.value(x) - nl->network_kms) * x;
    const double base = next[0] + 2 * delta * delta / s.MP[0] * p * extra;
    double force = 0;
    i = cone_current(v_now, base, force, u);
    next[0] = base + 2 * delta * delta / s.MP[0] * p * force;
  } else {
    // The cone: x0+ = base + g i_k, u_k = p (x0+ - x0-) / (2 delta) and
    // i_k = alpha + beta u_k, solved together (with Le = 0 the current
    // follows the voltage and the back-EMF at once).
    const double base = next[0];
    const double g = delta * 2 * delta / s.MP[0] * p * coil.bl;
    double alpha = 0, beta = 0;
    if (coil.le > 0) {
      const double c = coil.le / delta + coil.re / 2;
      alpha = ((coil.le / delta - coil.re / 2) * i_previous + (v_now + v_previous) / 2 - coil.bl * u_previous / 2) / c;
      beta = -coil.bl / 2 / c;
    } else {
      alpha = v_now / coil.re;
      beta = -coil.bl / coil.re;
    }
    u = p * (base + g * alpha - previous[0]) / (2 * delta) / (1 - p * g * beta / (2 * delta));
    i = alpha + beta * u;
    next[0] = base + g * i;
  }
  step_massless();

  for (int e = 0; e < nd; ++e) {
    row_x[e] = current[e];
    row_v[e] = (next[e] - previous[e]) / (2 * delta);
    row_a[e] = (next[e] - 2 * current[e] + previous[e]) / (delta * delta);
  }
  row_i = i;
  i_previous = i;
  u_previous = u;
  v_previous = v_now;
  previous.swap(current);
  current.swap(next);
}

void network_stepper::restart(const std::vector<double>& x_previous, const std::vector<double>& x_current, double i,
                              double u, double v) {
  previous = x_previous;
  current = x_current;
  i_previous = i;
  u_previous = u;
  v_previous = v;
  if (nl) {
    const double x = coil.polarity * x_previous[0];
    flux_previous = nl->has_inductance() ? nl->le.value(x) * nl->g(i) * i : 0;
    emf_previous = nl->bl.value(x) * u;
  }
}

// The state just after t = 0: at rest, but for what the switch-on makes
// jump: the current (Le = 0: at once to v / Re; an impulse with Le > 0:
// area / Le) and, for an impulse with Le = 0, the cone's velocity (the
// current's own Dirac hands the cone Bl area / Re of momentum). Row 0
// and the first step follow by Taylor's formula (the central difference
// from rest would apply the switch-on force over a whole step instead of
// half of one).
void network_stepper::start(const voltage_signal& signal, double v0) {
  double i0 = 0;
  std::vector<double> u0(nd, 0.0), a0(nd, 0.0);
  if (signal.kind == signal_kind::impulse) {
    // What the Dirac leaves; a filter's tail follows in the samples.
    const double area = signal.peak * impulse_width;
    if (coil.le > 0) {
      i0 = area / coil.le;
    } else {
      u0[0] = coil.polarity * coil.bl * area / (coil.re * s.M[0]);
      i0 = (v0 - coil.bl * (coil.polarity * u0[0])) / coil.re;
    }
  } else {
    i0 = coil.le > 0 ? 0 : v0 / coil.re;
  }
  std::fill(previous.begin(), previous.end(), 0.0);
  std::fill(current.begin(), current.end(), 0.0);
  // From rest (x = 0) only the coil's force and damping act on a mass; a
  // massless element (C x' = -(K x)) starts at rest and accelerates with
  // the velocities it feels.
  const double reluctance = nl && nl->has_inductance() ? nl->le.slope(0) * nl->G(i0) : 0;
  for (int e = 0; e < nd; ++e) {
    const double drive = e == 0 ? coil.polarity * (coil.bl * i0 + reluctance) : 0;
    a0[e] = massless[e] ? -stiffness_force(u0, e) / s.C[e] : (drive - s.C[e] * u0[e]) / s.M[e];
  }
  for (int e = 0; e < nd; ++e) next[e] = massless[e] ? 0 : current[e] + delta * u0[e] + delta * delta / 2 * a0[e];
  step_massless();
  for (int e = 0; e < nd; ++e) {
    row_x[e] = 0;
    row_v[e] = u0[e];
    row_a[e] = a0[e];
  }
  row_i = i0;
  i_previous = i0;
  u_previous = coil.polarity * u0[0];
  v_previous = v0;
  if (nl) {
    flux_previous = nl->has_inductance() ? coil.le * nl->g(i0) * i0 : 0;
    emf_previous = coil.bl * u_previous;
  }
  previous.swap(current);
  current.swap(next);
}
