#include "analysis/distortion_sweep.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analysis/steady_state.h"
#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "model/natural_frequencies.h"
#include "simulation/nonlinear_stepping.h"

namespace {

// The max-level search decides at 0.05 dB: states settled within 1e-5
// of their peaks move its THD by far less.
constexpr double search_settled_fraction = 1e-5;
constexpr int highest_harmonic = 10;

// The network's elements and chambers, with the matrices of the step
// `delta`; `extra_stiffness` adds to the cone's suspension.
void copy_network(const model_state& from, model_state& to, double delta, double extra_stiffness = 0) {
  to.n = from.n;
  to.ND = from.ND;
  to.HCR = from.HCR;
  for (int e = 0; e < MAX_ELEMENTS; ++e) {
    to.V[e] = from.V[e];
    to.A[e] = from.A[e];
    to.L[e] = from.L[e];
    to.C[e] = from.C[e];
    to.Kd[e] = from.Kd[e];
    to.M[e] = from.M[e];
    to.R[e] = from.R[e];
  }
  for (int c = 0; c < MAX_CHAMBERS; ++c) to.KS[c] = from.KS[c];
  to.Ku = from.Ku + extra_stiffness;
  to.delta = delta;
  derive_damping_terms(to);
  assemble_matrices(to);
}

double pressure_of(const model_state& s, const std::vector<radiator>& radiators, const listening_point& at,
                   const std::vector<double>& acceleration) {
  double dU = 0;
  for (const radiator& r : radiators) dU += s.A[r.element] * 1e-4 * r.outward * acceleration[r.element];
  return rho / ((at.full_space ? 4 : 2) * pi * at.distance) * dU;
}

double port_outward(const distortion_setup& setup) {
  for (const radiator& r : setup.radiators)
    if (r.element == setup.port) return r.outward;
  return -1;
}

// The linear network's steady state under the harmonics, as a start.
void linear_start(const distortion_setup& setup, const model_state& s, double f, double delta,
                  const std::vector<harmonic_drive>& drive, network_stepper& st, double v_before) {
  const int nd = s.ND;
  std::vector<double> before(nd, 0.0), now(nd, 0.0);
  double i = 0, u = 0;
  voice_coil unit = setup.coil;
  unit.voltage = 1;
  for (const harmonic_drive& h : drive) {
    const double w = 2 * exact_pi * h.n * f;
    const steady_point p = solve_steady_state(s, h.n * f, &unit);
    // v = a sin(w t) through H: the peak phasor -i a H per volt of the solution.
    const complex v = complex(0, -h.amplitude) * highpass_response(setup.highpass, w);
    const complex back = std::exp(complex(0, -w * delta));
    for (int e = 0; e < nd; ++e) {
      before[e] += (p.X[e] * v * back).real();
      now[e] += (p.X[e] * v).real();
    }
    i += (p.current * v * back).real();
    u += (setup.coil.polarity * complex(0, w) * p.X[0] * v * back).real();
  }
  st.restart(before, now, i, u, v_before);
}

}  // namespace

const char* status_name(periodic_status s) {
  switch (s) {
    case periodic_status::beyond_range: return "beyond_range";
    case periodic_status::unsettled: return "unsettled";
    default: return "ok";
  }
}

double fastest_rate(const distortion_setup& setup) {
  const large_signal& m = *setup.model;
  const model_state& s = *setup.network;
  model_state stiffest;
  copy_network(s, stiffest, 1e-4, std::max(0.0, largest_tangent_stiffness(m) - m.network_kms));
  const std::vector<double> w = natural_angular_frequencies_of_masses(stiffest);
  double fastest = w.empty() ? 0 : w.back();
  fastest = std::max(fastest, largest_coil_rate(m, setup.coil.re));
  return std::max(fastest, (s.C[0] + setup.coil.bl * setup.coil.bl / setup.coil.re) / s.M[0]);
}

int distortion_steps(const distortion_setup& setup, double f) {
  const double by_rates = std::ceil(10 * fastest_rate(setup) / (2 * exact_pi * f));
  int steps = static_cast<int>(std::max(250.0, by_rates));
  return steps + steps % 2;
}

std::complex<double> period_bin(const std::vector<double>& samples, int n) {
  const int count = static_cast<int>(samples.size());
  double re = 0, im = 0;
  for (int k = 0; k < count; ++k) {
    // The angle reduced to one turn keeps the sine exact for large n k.
    const double angle = 2 * exact_pi * static_cast<double>((static_cast<long>(n) * k) % count) / count;
    re += samples[k] * std::cos(angle);
    im -= samples[k] * std::sin(angle);
  }
  const double scale = (n == 0 ? 1.0 : 2.0) / count;
  return {re * scale, im * scale};
}

periodic_response periodic_steady_state(const distortion_setup& setup, double f, int steps,
                                        const std::vector<harmonic_drive>& drive, periodic_state& start,
                                        double scale, int most_periods, double settled_fraction) {
  periodic_response r;
  r.steps = steps;
  r.delta = 1 / (f * steps);
  model_state s;
  copy_network(*setup.network, s, r.delta);
  const int nd = s.ND;
  network_stepper st(s, setup.coil, setup.model);
  std::vector<double> voltage(steps, 0.0);
  for (const harmonic_drive& h : drive) {
    const complex H = highpass_response(setup.highpass, 2 * exact_pi * h.n * f);
    for (int k = 0; k < steps; ++k) {
      const double turn = static_cast<double>((static_cast<long>(h.n) * k) % steps) / steps;
      voltage[k] += h.amplitude * std::abs(H) * std::sin(2 * exact_pi * turn + std::arg(H));
    }
  }
  if (start.empty()) {
    linear_start(setup, s, f, r.delta, drive, st, voltage[steps - 1]);
  } else {
    std::vector<double> before = start.previous, now = start.current;
    for (double& x : before) x *= scale;
    for (double& x : now) x *= scale;
    st.restart(before, now, start.i * scale, start.u * scale, voltage[steps - 1]);
  }
  const double p = setup.coil.polarity, outward = port_outward(setup);
  r.pressure.assign(steps, 0.0);
  r.excursion.assign(steps, 0.0);
  r.voltage = voltage;
  r.current.assign(steps, 0.0);
  r.cone_velocity.assign(steps, 0.0);
  r.velocity.assign(nd, std::vector<double>(steps, 0.0));
  if (setup.port >= 0) r.port_velocity.assign(steps, 0.0);
  // What decides the motion repeats: the cone's excursion, every
  // element's step and the stiffness force on it. A duct's displacement
  // alone need not: air may stream out of the port and in through the leak.
  std::vector<double> first(2 * nd + 3), last(2 * nd + 3), peak(2 * nd + 3);
  const auto observe = [&](std::vector<double>& state) {
    state[0] = st.current[0];
    state[1] = st.i_previous;
    state[2] = st.u_previous;
    for (int e = 0; e < nd; ++e) {
      state[3 + e] = st.current[e] - st.previous[e];
      double force = 0;
      for (int j = 0; j < nd; ++j) force = force + s.K[e][j] * st.current[j];
      state[3 + nd + e] = force;
    }
  };
  for (r.periods = 1; r.periods <= most_periods; ++r.periods) {
    observe(first);
    std::fill(peak.begin(), peak.end(), 0.0);
    for (int k = 0; k < steps; ++k) {
      st.step(voltage[k]);
      r.pressure[k] = pressure_of(s, setup.radiators, setup.at, st.row_a);
      r.excursion[k] = p * st.row_x[0];
      r.current[k] = st.row_i;
      r.cone_velocity[k] = p * st.row_v[0];
      for (int e = 0; e < nd; ++e) r.velocity[e][k] = st.row_v[e];
      if (setup.port >= 0) r.port_velocity[k] = outward * st.row_v[setup.port];
      observe(last);
      for (std::size_t j = 0; j < peak.size(); ++j) peak[j] = std::max(peak[j], std::abs(last[j]));
    }
    bool settled = std::isfinite(peak[0]) && std::isfinite(peak[1]);
    for (std::size_t j = 0; j < peak.size() && settled; ++j)
      settled = std::abs(last[j] - first[j]) <= settled_fraction * peak[j];
    if (!settled && !(std::isfinite(peak[0]) && std::isfinite(peak[1]))) break;
    if (settled) {
      r.settled = true;
      break;
    }
  }
  r.periods = std::min(r.periods, most_periods);
  start.previous = st.previous;
  start.current = st.current;
  start.i = st.i_previous;
  start.u = st.u_previous;
  return r;
}

namespace {

periodic_status status_of(const periodic_response& r, double range) {
  if (!r.settled) return periodic_status::unsettled;
  for (double x : r.excursion)
    if (std::abs(x) > range) return periodic_status::beyond_range;
  return periodic_status::ok;
}

double linear_spl(const distortion_setup& setup, double f, double voltage) {
  voice_coil coil = setup.coil;
  coil.voltage = voltage;
  const steady_point p = solve_steady_state(*setup.network, f, &coil);
  const complex pressure = far_field_pressure(p.w, radiated(*setup.network, p, setup.radiators).U, setup.at);
  return 20 * std::log10(std::abs(pressure) * std::abs(highpass_response(setup.highpass, p.w)) / 20e-6);
}

}  // namespace

std::vector<distortion_row> distortion_at(const distortion_setup& setup, double f, const std::vector<double>& voltages) {
  std::vector<std::size_t> order(voltages.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return voltages[a] < voltages[b]; });
  std::vector<distortion_row> rows(voltages.size());
  const int steps = distortion_steps(setup, f);
  periodic_state state;
  double last_voltage = 0;
  for (std::size_t j : order) {
    const double v = voltages[j];
    // A level that did not settle hands on no state.
    periodic_response r = periodic_steady_state(setup, f, steps, {{1, std::sqrt(2.0) * v}}, state,
                                                last_voltage > 0 ? v / last_voltage : 1);
    if (!r.settled) state = periodic_state();
    last_voltage = r.settled ? v : 0;
    distortion_row& row = rows[j];
    row.frequency = f;
    row.voltage = v;
    const double p1 = std::abs(period_bin(r.pressure, 1));
    double sum = 0;
    for (int n = 2; n <= highest_harmonic; ++n) {
      const double h = std::abs(period_bin(r.pressure, n)) / p1;
      if (n == 2) row.h2 = h;
      if (n == 3) row.h3 = h;
      sum += h * h;
    }
    row.thd = std::sqrt(sum);
    row.spl = 20 * std::log10(p1 / std::sqrt(2.0) / 20e-6);
    row.spl_linear = linear_spl(setup, f, v);
    row.compression = row.spl - row.spl_linear;
    row.dc_offset = period_bin(r.excursion, 0).real();
    row.excursion_out = std::max(0.0, *std::max_element(r.excursion.begin(), r.excursion.end()));
    row.excursion_in = std::max(0.0, -*std::min_element(r.excursion.begin(), r.excursion.end()));
    for (double w : r.port_velocity) row.port_velocity = std::max(row.port_velocity, std::abs(w));
    row.status = status_of(r, setup.model->range);
  }
  return rows;
}

imd_row two_tone_at(const distortion_setup& setup, double f1, double f2, double ratio, double voltage) {
  imd_row row;
  row.f1 = f1;
  row.f2 = f2;
  row.voltage = voltage;
  const int m = static_cast<int>(std::lround(f2 / f1));
  int steps = std::max(distortion_steps(setup, f1), 250 * m);
  steps += steps % 2;
  // U1 / U2 = ratio with the sum's rms the voltage.
  const double a2 = std::sqrt(2.0) * voltage / std::sqrt(ratio * ratio + 1), a1 = ratio * a2;
  periodic_state state;
  const periodic_response r = periodic_steady_state(setup, f1, steps, {{1, a1}, {m, a2}}, state, 1);
  const double carrier = std::abs(period_bin(r.pressure, m));
  row.imd2 = (std::abs(period_bin(r.pressure, m - 1)) + std::abs(period_bin(r.pressure, m + 1))) / carrier;
  row.imd3 = (std::abs(period_bin(r.pressure, m - 2)) + std::abs(period_bin(r.pressure, m + 2))) / carrier;
  row.status = status_of(r, setup.model->range);
  return row;
}

namespace {

struct level_trial {
  bool within = false;
  const char* broken = "none";
  double spl = 0;
};

level_trial try_level(const distortion_setup& setup, double f, int steps, double criterion, double voltage,
                      periodic_state& state, double& state_voltage) {
  periodic_state start = state;
  periodic_response r = periodic_steady_state(setup, f, steps, {{1, std::sqrt(2.0) * voltage}}, start,
                                              state_voltage > 0 ? voltage / state_voltage : 1, 600,
                                              search_settled_fraction);
  level_trial t;
  const double p1 = std::abs(period_bin(r.pressure, 1));
  t.spl = 20 * std::log10(p1 / std::sqrt(2.0) / 20e-6);
  if (!r.settled) return t.broken = "unsettled", t;
  double sum = 0;
  for (int n = 2; n <= highest_harmonic; ++n) sum += std::norm(period_bin(r.pressure, n));
  if (std::sqrt(sum) / p1 >= criterion) return t.broken = "THD", t;
  if (status_of(r, setup.model->range) == periodic_status::beyond_range) return t.broken = "range", t;
  t.within = true;
  state = start;
  state_voltage = voltage;
  return t;
}

}  // namespace

level_limit distortion_limited_level(const distortion_setup& setup, double f, double criterion, double lowest,
                                     double most) {
  level_limit limit;
  limit.frequency = f;
  const int steps = distortion_steps(setup, f);
  periodic_state state;
  double state_voltage = 0, good = 0, good_spl = 0, bad = 0;
  const char* broken = "none";
  // A start already beyond a limit: down until a level keeps within both.
  double floor_level = lowest;
  for (double v = lowest; v >= lowest * 1e-4; v /= 2) {
    const level_trial t = try_level(setup, f, steps, criterion, v, state, state_voltage);
    if (t.within) {
      floor_level = v;
      break;
    }
    floor_level = 0;
  }
  if (floor_level == 0) {
    limit.limited_by = "THD";
    return limit;
  }
  for (double v = floor_level; v <= most; v *= 2) {
    const level_trial t = try_level(setup, f, steps, criterion, v, state, state_voltage);
    if (!t.within) {
      bad = v;
      broken = t.broken;
      break;
    }
    good = v;
    good_spl = t.spl;
  }
  if (bad > 0 && good > 0) {
    for (int halving = 0; halving < 7; ++halving) {
      const double v = std::sqrt(good * bad);
      const level_trial t = try_level(setup, f, steps, criterion, v, state, state_voltage);
      if (t.within) {
        good = v;
        good_spl = t.spl;
      } else {
        bad = v;
        broken = t.broken;
      }
    }
  }
  limit.voltage = good;
  limit.spl = good_spl;
  limit.limited_by = broken;
  return limit;
}
