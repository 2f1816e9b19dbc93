#include "control/design_resonators.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "analysis/duct_line.h"
#include "control/design_ducts.h"
#include "util/message.h"

driver_parameters flow_source_piston() {
  driver_parameters d;
  d.name = "volume-velocity source";
  d.fs = 10;
  d.mms = 0.01;
  d.cms = 1 / (std::pow(2 * exact_pi * d.fs, 2) * d.mms);
  d.rms = 1;
  d.sd = 0.01;
  d.re = 1;
  d.qms = d.qes = d.qts = 1;
  return d;
}

std::vector<double> refined_grid(const std::vector<double>& grid, const std::vector<refine_centre>& centres,
                                 int per_bandwidth) {
  std::vector<double> rows = grid;
  if (grid.empty()) return rows;
  const double low = grid.front(), high = grid.back();
  for (const refine_centre& c : centres) {
    const double step = c.frequency / (per_bandwidth * c.q);
    const int half = 5 * per_bandwidth;
    for (int k = -half; k <= half; ++k) {
      const double f = c.frequency + k * step;
      if (f >= low && f <= high) rows.push_back(f);
    }
  }
  std::sort(rows.begin(), rows.end());
  std::vector<double> merged;
  for (double f : rows)
    if (merged.empty() || f - merged.back() > 1e-9 * f) merged.push_back(f);
  return merged;
}

namespace {

// The same design without its resonators, to measure what they take out.
struct reference_design {
  compiled_design compiled;
  design_drive drive;
};

double db(double ratio) { return 20 * std::log10(ratio); }

void set_insertion_loss(const design_point& without, design_point& with) {
  with.il = db(std::abs(without.radiated_pressure) / std::abs(with.radiated_pressure));
  with.il_chamber = db(std::abs(without.chamber_pressure) / std::abs(with.chamber_pressure));
}

// The IL the notch and peak are taken from, at one frequency.
struct il_probe {
  const design_result& r;
  const reference_design& ref;
  bool radiated;
  design_point at(double f) const {
    design_point with = evaluate_design(*r.compiled.network, r.drive, f);
    set_insertion_loss(evaluate_design(*ref.compiled.network, ref.drive, f), with);
    return with;
  }
  double il(double f) const {
    const design_point p = at(f);
    return radiated ? p.il : p.il_chamber;
  }
};

// The maximum of g between a and b, by golden section to 1e-6 relative.
double golden_maximum(const std::function<double(double)>& g, double a, double b) {
  const double ratio = (std::sqrt(5.0) - 1) / 2;
  double c = b - ratio * (b - a), d = a + ratio * (b - a);
  double gc = g(c), gd = g(d);
  while (b - a > 1e-7 * (a + b)) {
    if (gc > gd) {
      b = d, d = c, gd = gc;
      c = b - ratio * (b - a), gc = g(c);
    } else {
      a = c, c = d, gc = gd;
      d = a + ratio * (b - a), gd = g(d);
    }
  }
  return (a + b) / 2;
}

// Scans [from, to] in steps of `step` for the best of `sign` x IL, then
// closes in between the neighbours of the best row.
double bracketed_extremum(const il_probe& probe, double from, double to, double step, double sign) {
  // At most 20000 rows, whatever the Q and the volumes.
  const double rows = std::min(20000.0, std::floor((to - from) / step));
  std::vector<double> f;
  for (int k = 0; k <= rows; ++k) f.push_back(from + k * (to - from) / std::max(rows, 1.0));
  std::size_t best = 0;
  double best_value = -INFINITY;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const double v = sign * probe.il(f[i]);
    if (v > best_value) best_value = v, best = i;
  }
  const double a = best > 0 ? f[best - 1] : f[best], b = best + 1 < f.size() ? f[best + 1] : f[best];
  return golden_maximum([&](double x) { return sign * probe.il(x); }, a, b);
}

resonator_search search_resonator(const il_probe& probe, const resonator_shape& shape, double chamber_volume) {
  const double fr = shape.tuning, q = shape.q;
  resonator_search s;
  s.radiated = probe.radiated;
  const double half = fr * std::min(0.25, std::max(5 / q, 0.02));
  const double step = std::max(half / 2000, std::min(fr / (8 * q), half / 50));
  s.notch_frequency = bracketed_extremum(probe, fr - half, fr + half, step, 1);
  const design_point notch = probe.at(s.notch_frequency);
  s.notch_il = probe.radiated ? notch.il : notch.il_chamber;
  s.notch_chamber_db = db(std::abs(notch.chamber_pressure) / 20e-6);
  // The chamber and the resonator's cavity resonate together near
  // fr sqrt(1 + Vr / V0).
  const double coupled = fr * std::sqrt(1 + shape.volume / chamber_volume);
  const double top = std::max(coupled * 1.3, s.notch_frequency * (1 + 10 / q));
  s.peak_frequency = bracketed_extremum(probe, s.notch_frequency, top, step, -1);
  s.peak_il = probe.il(s.peak_frequency);
  return s;
}

status compile_reference(const design_file& file, double grid_top, const design_result& r, reference_design& ref) {
  design_file without = file;
  without.resonators.clear();
  std::vector<std::string> ignored;
  RETURN_IF_ERROR(compile_design(without, r.driver, ref.compiled, ignored));
  apply_duct_model(without, grid_top, ref.compiled, ignored);
  ref.drive = r.drive;
  ref.drive.resonators.clear();
  return status::success();
}

}  // namespace

status compute_branch_response(const design_file& file, const std::vector<double>& grid, int per_bandwidth,
                               design_result& r) {
  const std::vector<resonator_shape>& shapes = r.compiled.resonators;
  std::vector<refine_centre> centres;
  for (const resonator_shape& s : shapes) centres.push_back({s.tuning, s.q});
  RETURN_IF_ERROR(evaluate_on_grid(refined_grid(grid, centres, per_bandwidth), r));
  if (shapes.empty()) return status::success();
  reference_design ref;
  RETURN_IF_ERROR(compile_reference(file, grid.empty() ? 0 : grid.back(), r, ref));
  const il_probe probe{r, ref, !r.drive.radiators.empty()};
  const double chamber = r.compiled.network->V[0];
  r.searches.clear();
  for (const resonator_shape& s : shapes) {
    if (!std::isfinite(s.tuning) || !(s.tuning > 0)) return status::error(s.label + ": its tuning overflows");
    r.searches.push_back(search_resonator(probe, s, chamber));
    centres.push_back({r.searches.back().notch_frequency, s.q});
    centres.push_back({r.searches.back().peak_frequency, s.q});
  }
  RETURN_IF_ERROR(evaluate_on_grid(refined_grid(grid, centres, per_bandwidth), r));
  for (design_point& p : r.points) set_insertion_loss(evaluate_design(*ref.compiled.network, ref.drive, p.frequency), p);
  return status::success();
}

namespace {

// The first maximum of the port's velocity above 3 fb on the grid, closed
// in on by a golden-section search; false when the grid has none.
bool port_pipe_resonance(const design_result& r, double& frequency, double& velocity) {
  const double fb = r.compiled.port_shape.tuning;
  const std::vector<design_point>& p = r.points;
  for (std::size_t i = 1; i + 1 < p.size(); ++i) {
    if (p[i].frequency <= 3 * fb) continue;
    if (p[i].port_velocity > p[i - 1].port_velocity && p[i].port_velocity >= p[i + 1].port_velocity) {
      const auto v = [&](double f) { return evaluate_design(*r.compiled.network, r.drive, f).port_velocity; };
      frequency = golden_maximum(v, p[i - 1].frequency, p[i + 1].frequency);
      velocity = v(frequency);
      return true;
    }
  }
  return false;
}

}  // namespace

void add_branch_summary(const design_file& file, const design_result& r, design_summary& s) {
  const air_properties& air = r.compiled.air;
  s.rows.push_back({"air_temperature", air.temperature - celsius_zero, "C"});
  s.rows.push_back({"air_c", air.speed(), "m/s"});
  s.rows.push_back({"air_rho", air.density, "kg/m3"});
  const model_state& net = *r.compiled.network;
  if (r.compiled.port >= 0 && net.line_length[r.compiled.port] > 0) {
    double f = 0, v = 0;
    if (port_pipe_resonance(r, f, v)) {
      s.rows.push_back({"port_pipe_resonance_1", f, "Hz"});
      s.rows.push_back({"port_pipe_resonance_1_velocity", v, "m/s"});
    } else {
      s.notes.push_back("port_pipe_resonance_1: the port's velocity has no maximum above 3 fb on the grid");
    }
  }
  if (file.model.ducts != duct_model::lumped)
    s.notes.push_back("ducts solved as lines in the steady state; chambers lumped, transients lumped");
  // A neck solved as a line tunes where its line does.
  const std::vector<duct_check> checks = check_ducts(r.compiled, 0);
  for (std::size_t i = 0; i < r.compiled.resonators.size(); ++i) {
    const resonator_shape& g = r.compiled.resonators[i];
    const std::string n = std::to_string(i + 1);
    double fr = g.tuning;
    for (const duct_check& d : checks)
      if (d.element == g.element && net.line_length[g.element] > 0) fr = d.line_tuning;
    s.rows.push_back({"resonator_" + n + "_fr", fr, "Hz"});
    s.rows.push_back({"resonator_" + n + "_Q", g.q, ""});
    s.rows.push_back({"resonator_" + n + "_neck_effective_length",
                      (g.quarter_wave ? 2 * g.effective_length : g.effective_length) * 1e3, "mm"});
    if (i >= r.searches.size()) continue;
    const resonator_search& f = r.searches[i];
    s.rows.push_back({"notch_" + n + "_frequency", f.notch_frequency, "Hz"});
    s.rows.push_back({"notch_" + n + "_IL", f.notch_il, "dB"});
    s.rows.push_back({"notch_" + n + "_chamber_pressure", f.notch_chamber_db, "dB"});
    s.rows.push_back({"peak_" + n + "_frequency", f.peak_frequency, "Hz"});
    s.rows.push_back({"peak_" + n + "_IL", f.peak_il, "dB"});
  }
  if (!r.searches.empty())
    s.notes.push_back(r.searches.front().radiated
                          ? "notch and peak: insertion loss of the radiated pressure"
                          : "notch and peak: insertion loss of the main chamber's pressure (nothing radiates)");
}
