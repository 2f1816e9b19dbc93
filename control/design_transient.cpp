#include "control/design_transient.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "model/natural_frequencies.h"
#include "simulation/filtered_voltage.h"
#include "util/message.h"
#include "util/text_file.h"

namespace {

constexpr int steps_per_period = 50;
constexpr double settling_window = 2;  // s
constexpr int most_rows = 1000000;

}  // namespace

status plan_transient(const model_state& s, const voice_coil& coil, const voltage_signal& signal, double duration,
                      transient_plan& plan) {
  const double two_pi_exact = 2 * exact_pi;
  const double f = signal_frequency(signal);
  plan.highest = 0;
  const auto consider = [&plan](double frequency, const char* what) {
    if (frequency > plan.highest) {
      plan.highest = frequency;
      plan.set_by = what;
    }
  };
  consider(f, "the signal's frequency");
  const std::vector<double> w = natural_angular_frequencies_of_masses(s);
  if (!w.empty()) consider(w.back() / two_pi_exact, "the network's highest natural frequency");
  if (coil.le > 0) consider(coil.re / (two_pi_exact * coil.le), "the coil's corner Re / (2 pi Le)");
  // A heavily damped mass decays faster than it swings: its rate C / M
  // (the coil's Bl^2 / Re on the cone) needs the steps of a frequency of
  // C / (2 pi M).
  for (int e = 0; e < s.ND; ++e) {
    if (!(s.M[e] > 0)) continue;
    const double c = s.C[e] + (e == 0 ? coil.bl * coil.bl / coil.re : 0);
    consider(c / s.M[e] / two_pi_exact,
             e == 0 ? "the cone's damping (Rms + Bl^2 / Re) / (2 pi Mms)" : "an element's damping C / (2 pi M)");
  }
  if (f > 0) {
    // A whole number of steps per period of the signal.
    const double per_period = std::ceil(steps_per_period * plan.highest / f);
    plan.delta = 1 / f / per_period;
  } else {
    plan.delta = 1 / (steps_per_period * plan.highest);
  }
  // 50 steps per period keep w delta at 0.126 for every natural frequency,
  // far inside the central difference's limit of 2.
  double length = duration;
  plan.settle = false;
  if (!(length > 0)) {
    if (signal.kind == signal_kind::sine) {
      length = signal.seconds;
    } else {
      length = settling_window;
      if (signal.kind == signal_kind::burst) length = std::max(length, signal.cycles / f);
      plan.settle = true;
    }
  }
  const double rows = std::floor(length / plan.delta + 1e-9) + 1;
  if (!(rows <= most_rows))
    return status::error(message("the transient would take %.0f steps of %g us: expected at most %d; shorten "
                                 "--duration",
                                 rows, plan.delta * 1e6, most_rows));
  plan.rows = static_cast<int>(rows);
  return status::success();
}

status compute_transient(design_result& r, voltage_signal signal, double duration, transient_result& out) {
  model_state& s = *r.compiled.network;
  signal.peak = std::sqrt(2.0) * r.drive.coil.voltage;
  const voice_coil& coil = r.drive.coil;
  RETURN_IF_ERROR(plan_transient(s, coil, signal, duration, out.plan));
  const std::vector<double> voltage = voltage_samples(signal, r.drive.highpass, out.plan.delta, out.plan.rows);
  RETURN_IF_ERROR(run_transient(s, coil, signal, voltage, out.plan.delta, out.record));
  // What the amplifier is asked for, beside what the filter lets through.
  if (r.drive.highpass.order > 0)
    out.amplifier_voltage = voltage_samples(signal, highpass_filter{}, out.plan.delta, out.plan.rows);
  out.columns =
      transient_figures(s, out.record, coil.polarity, r.drive.radiators, r.drive.port, r.drive.at, r.drive.passive);
  out.rows = out.plan.settle ? settled_rows(out.columns) : out.record.rows();
  if (signal.kind == signal_kind::burst) {
    // The whole burst, whatever has settled.
    const int burst_rows = static_cast<int>(std::floor(signal.cycles / signal.frequency / out.plan.delta + 1e-9)) + 1;
    out.rows = std::max(out.rows, std::min(burst_rows, out.record.rows()));
  }
  const transient_record& rec = out.record;
  const transient_columns& c = out.columns;
  for (const auto& [name, column] :
       {std::pair<const char*, const std::vector<double>*>{"voltage", &rec.voltage}, {"current", &rec.current},
        {"excursion", &c.excursion_mm}, {"cone velocity", &c.cone_velocity}, {"port velocity", &c.port_velocity},
        {"passive radiator excursion", &c.radiator_mm}, {"pressure", &c.pressure}})
    for (std::size_t k = 0; k < column->size() && k < static_cast<std::size_t>(out.rows); ++k)
      if (!std::isfinite((*column)[k]))
        return status::error(message("the transient's %s overflows at %g ms: expected values a loudspeaker has",
                                     name, rec.time[k] * 1e3));
  return status::success();
}

namespace {

column_peak peak_within(const std::vector<double>& column, int rows) {
  return peak_of(std::vector<double>(column.begin(), column.begin() + std::min<std::size_t>(rows, column.size())));
}

// "peak NAME 3.77 m/s at 140.8 ms, 0.96 times the steady state's ...: beyond
// the limit 17 m/s during the transient only".
std::string peak_line(const char* name, const char* unit, const char* limit_name, column_peak peak, double delta,
                      bool periodic, double steady, double limit) {
  std::string line = message("peak %s %.6g %s at %.6g ms", name, std::abs(peak.value), unit, peak.row * delta * 1e3);
  if (periodic) line += message(", %.3g times the steady state's %.6g %s", std::abs(peak.value) / steady, steady, unit);
  if (limit > 0 && std::abs(peak.value) > limit)
    line += message(": beyond %s %g %s%s", limit_name, limit, unit,
                    periodic && steady <= limit ? " during the transient only" : "");
  return line;
}

}  // namespace

std::vector<std::string> transient_summary(const design_result& r, const voltage_signal& signal,
                                           const transient_result& t) {
  std::vector<std::string> lines;
  const double delta = t.plan.delta;
  lines.push_back(message("time step %.6g us: %d steps per period of %s, %.6g Hz; %d rows, %.6g ms%s",
                          delta * 1e6, static_cast<int>(std::lround(1 / (delta * t.plan.highest))),
                          t.plan.set_by.c_str(), t.plan.highest, t.rows, (t.rows - 1) * delta * 1e3,
                          t.plan.settle && t.rows < t.record.rows() ? " (settled)" : ""));
  const column_peak x = peak_within(t.columns.excursion_mm, t.rows);
  const double f = signal_frequency(signal);
  const bool periodic = f > 0;
  const design_point steady = periodic ? evaluate_design(*r.compiled.network, r.drive, f) : design_point{};
  const double xmax_mm = r.drive.limits.xmax * 1e3;
  std::string line = message("peak excursion %.6g mm at %.6g ms", std::abs(x.value), x.row * delta * 1e3);
  if (periodic)
    line += message(", %.3g times the steady state's %.6g mm at %g Hz", std::abs(x.value) / steady.excursion_mm,
                    steady.excursion_mm, f);
  if (xmax_mm > 0 && std::abs(x.value) > xmax_mm)
    line += message(": beyond Xmax %g mm%s", xmax_mm,
                    periodic && steady.excursion_mm <= xmax_mm ? " during the transient only" : "");
  lines.push_back(line);
  if (!t.columns.port_velocity.empty())
    lines.push_back(peak_line("port velocity", "m/s", "the limit", peak_within(t.columns.port_velocity, t.rows), delta,
                              periodic, steady.port_velocity, r.drive.limits.port_velocity));
  if (!t.columns.radiator_mm.empty())
    lines.push_back(peak_line("passive radiator excursion", "mm", "its Xmax", peak_within(t.columns.radiator_mm, t.rows),
                              delta, periodic, steady.radiator_excursion_mm, r.drive.limits.radiator_xmax * 1e3));
  const column_peak p = peak_within(t.columns.pressure, t.rows);
  lines.push_back(message("peak pressure %.6g Pa at %.6g ms", std::abs(p.value), p.row * delta * 1e3));
  return lines;
}

std::string describe_signal(const voltage_signal& signal, double rms_voltage) {
  const double peak = std::sqrt(2.0) * rms_voltage;
  switch (signal.kind) {
    case signal_kind::step:
      return message("a step from 0 to %.6g V", peak);
    case signal_kind::impulse:
      return message("an impulse of %.6g V x 1 ms", peak);
    case signal_kind::burst:
      return message("a burst of %d cycles at %g Hz, %.6g V peak", signal.cycles, signal.frequency, peak);
    default:
      return message("a sine at %g Hz, %.6g V peak, switched on at 0 for %g s", signal.frequency, peak,
                     signal.seconds);
  }
}

status write_transient_table(const std::string& path, const transient_result& t) {
  text_file out;
  RETURN_IF_ERROR(out.open(path));
  const bool port = !t.columns.port_velocity.empty(), radiator = !t.columns.radiator_mm.empty();
  out.put("time[ms],voltage[V],current[A],excursion[mm],cone_velocity[m/s]");
  if (port) out.put(",port_velocity[m/s]");
  if (radiator) out.put(",radiator_excursion[mm]");
  const bool amplifier = !t.amplifier_voltage.empty();
  out.put(amplifier ? ",pressure[Pa],amplifier_voltage[V]\n" : ",pressure[Pa]\n");
  const transient_record& r = t.record;
  for (int k = 0; k < t.rows; ++k) {
    out.put_fixed(r.time[k] * 1e3);
    for (double v : {r.voltage[k], r.current[k], t.columns.excursion_mm[k], t.columns.cone_velocity[k]}) {
      out.put(',');
      out.put_fixed(v);
    }
    if (port) {
      out.put(',');
      out.put_fixed(t.columns.port_velocity[k]);
    }
    if (radiator) {
      out.put(',');
      out.put_fixed(t.columns.radiator_mm[k]);
    }
    out.put(',');
    out.put_fixed(t.columns.pressure[k]);
    if (amplifier) {
      out.put(',');
      out.put_fixed(t.amplifier_voltage[k]);
    }
    out.put('\n');
  }
  return out.close();
}
