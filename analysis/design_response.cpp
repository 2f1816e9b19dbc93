#include "analysis/design_response.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

complex chamber_pressure(const model_state& s, const steady_point& p) {
  complex pushed = 0;
  for (int j = 0; j <= s.n; ++j) pushed += s.R[j] * p.X[j];
  return s.KS[0] * pushed / (s.A[0] * 1e-4);
}

namespace {

void add_branch_figures(const model_state& s, const design_drive& drive, const steady_point& p, complex scale,
                        design_point& d) {
  const double peak = std::sqrt(2.0);
  d.chamber_pressure = chamber_pressure(s, p) * scale;
  for (int element : drive.resonators) d.resonator_velocity.push_back(std::abs(p.X[element] * scale) * p.w * peak);
}

design_point evaluate_flow(const model_state& s, const design_drive& drive, double frequency) {
  const steady_point p = solve_flow_driven(s, frequency, drive.flow);
  const double peak = std::sqrt(2.0);
  design_point d;
  d.frequency = frequency;
  if (!drive.radiators.empty()) {
    const auto [U, dU] = radiated(s, p, drive.radiators);
    d.radiated_pressure = far_field_pressure(p.w, U, drive.at);
    d.spl = 20 * std::log10(std::abs(d.radiated_pressure) / 20e-6);
    d.spl_unfiltered = d.spl;
    d.phase = degrees(d.radiated_pressure / p.drive);
    d.group_delay_ms = -(dU / U).imag() * 1000;
  }
  if (drive.port >= 0) d.port_velocity = std::abs(p.X_out[drive.port]) * p.w * peak;
  if (drive.passive >= 0) d.radiator_excursion_mm = std::abs(p.X[drive.passive]) * peak * 1000;
  d.max_voltage = std::numeric_limits<double>::infinity();
  add_branch_figures(s, drive, p, 1, d);
  return d;
}

}  // namespace

design_point evaluate_design(const model_state& s, const design_drive& drive, double frequency) {
  if (drive.flow > 0) return evaluate_flow(s, drive, frequency);
  const steady_point p = solve_steady_state(s, frequency, &drive.coil);
  // Rms amplitudes: the coil's voltage is rms.
  const auto [U, dU] = radiated(s, p, drive.radiators);
  const complex pressure = far_field_pressure(p.w, U, drive.at);
  const double peak = std::sqrt(2.0);
  // The high-pass scales the voltage the coil receives by H; the network
  // is linear, so every figure that follows the voltage scales with it.
  const complex H = highpass_response(drive.highpass, p.w);
  const double h = std::abs(H);
  design_point d;
  d.frequency = frequency;
  d.spl_unfiltered = 20 * std::log10(std::abs(pressure) / 20e-6);
  d.spl = d.spl_unfiltered + 20 * std::log10(h);
  d.phase = degrees(pressure * H / p.drive);
  d.group_delay_ms = (-(dU / U).imag() - highpass_phase_slope(drive.highpass, p.w)) * 1000;
  d.excursion_unfiltered_mm = std::abs(p.X[0]) * peak * 1000;
  d.excursion_mm = d.excursion_unfiltered_mm * h;
  if (drive.port >= 0) d.port_velocity = std::abs(p.X_out[drive.port]) * p.w * peak * h;
  if (drive.passive >= 0) d.radiator_excursion_mm = std::abs(p.X[drive.passive]) * peak * 1000 * h;
  d.impedance = p.drive / p.current;

  // Every figure grows with the voltage: each limit allows V times its
  // margin.
  const double v = drive.coil.voltage;
  double allowed = std::numeric_limits<double>::infinity();
  const auto tighten = [&](double voltage, binding_limit which) {
    d.limit_voltage[static_cast<int>(which)] = voltage;
    if (voltage < allowed) {
      allowed = voltage;
      d.limited_by = which;
    }
  };
  const design_limits& l = drive.limits;
  if (l.xmax > 0) tighten(v * l.xmax * 1000 / d.excursion_mm, binding_limit::xmax);
  if (l.port_velocity > 0 && drive.port >= 0) tighten(v * l.port_velocity / d.port_velocity, binding_limit::port);
  if (l.radiator_xmax > 0 && drive.passive >= 0)
    tighten(v * l.radiator_xmax * 1000 / d.radiator_excursion_mm, binding_limit::radiator_xmax);
  // The power limit holds for the amplifier's output, |H| times its input.
  if (l.power > 0) tighten(std::sqrt(l.power * drive.coil.re) / h, binding_limit::power);
  d.max_voltage = allowed;
  if (l.power > 0) {
    const double rated = std::sqrt(l.power * drive.coil.re) / v;
    d.excursion_at_pe_mm = d.excursion_mm * rated;
    d.port_velocity_at_pe = d.port_velocity * rated;
  }
  d.max_spl = d.spl + 20 * std::log10(allowed / v);
  if (drive.branches) {
    d.radiated_pressure = pressure * H;
    add_branch_figures(s, drive, p, H, d);
  }
  return d;
}

const char* overflowing_figure(const design_point& p) {
  const bool limited = p.limited_by != binding_limit::none;
  for (const auto& [name, value] :
       {std::pair<const char*, double>{"SPL", p.spl}, {"SPL without the high-pass", p.spl_unfiltered},
        {"phase", p.phase}, {"group delay", p.group_delay_ms}, {"excursion", p.excursion_mm},
        {"excursion without the high-pass", p.excursion_unfiltered_mm}, {"impedance", std::abs(p.impedance)},
        {"impedance's phase", std::arg(p.impedance)}, {"port velocity", p.port_velocity},
        {"radiator excursion", p.radiator_excursion_mm}, {"excursion at Pe", p.excursion_at_pe_mm},
        {"port velocity at Pe", p.port_velocity_at_pe}, {"max voltage", limited ? p.max_voltage : 0.0},
        {"max SPL", limited ? p.max_spl : 0.0}})
    if (!std::isfinite(value)) return name;
  if (!limited && !(p.max_voltage == INFINITY && p.max_spl == INFINITY)) return "max voltage";
  return nullptr;
}

const char* limit_name(binding_limit l) {
  switch (l) {
    case binding_limit::xmax: return "Xmax";
    case binding_limit::port: return "port";
    case binding_limit::power: return "Pe";
    case binding_limit::radiator_xmax: return "radiator_Xmax";
    default: return "none";
  }
}

std::vector<double> log_grid(double from, double to, int per_octave) {
  std::vector<double> grid;
  for (int k = 0;; ++k) {
    const double f = from * std::pow(2.0, static_cast<double>(k) / per_octave);
    if (f > to * (1 + 1e-12)) break;
    grid.push_back(f);
  }
  return grid;
}

double frequency_below(const std::vector<design_point>& points, double start, double level) {
  std::size_t i = points.size();
  while (i > 0 && points[i - 1].frequency > start) --i;
  for (; i >= 2; --i) {
    const design_point& above = points[i - 1];
    const design_point& below = points[i - 2];
    if (above.spl < level) return above.frequency;  // already below at the start
    if (below.spl < level) {
      const double t = (level - below.spl) / (above.spl - below.spl);
      return std::exp(std::log(below.frequency) + t * (std::log(above.frequency) - std::log(below.frequency)));
    }
  }
  return 0;
}
