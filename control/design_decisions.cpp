#include "control/design_decisions.h"

#include <cmath>

#include "model/enclosure.h"
#include "util/message.h"

namespace {

void add(design_summary& s, const char* quantity, double value, const char* unit) {
  s.rows.push_back({quantity, value, unit});
}

// How a warning names each limit.
const char* limit_phrase(binding_limit l) {
  switch (l) {
    case binding_limit::xmax: return "Xmax";
    case binding_limit::port: return "the port velocity limit";
    case binding_limit::power: return "the rated power Pe";
    case binding_limit::radiator_xmax: return "the passive radiator's Xmax";
    default: return "no limit";
  }
}

}  // namespace

void add_binding_limit(design_summary& s, const std::vector<design_point>& points) {
  const double frequency = summary_value(s, "lowest_max_SPL_frequency");
  for (const design_point& p : points)
    if (p.frequency == frequency) {
      s.rows.push_back({"lowest_max_SPL_limited_by", static_cast<double>(p.limited_by), limit_name(p.limited_by), true});
      return;
    }
}

std::vector<std::string> drive_beyond_limits(const design_drive& drive, const std::vector<design_point>& points) {
  std::vector<std::string> warnings;
  const double v = drive.coil.voltage;
  for (int l = 1; l < binding_limits; ++l) {
    const design_point* least = nullptr;
    for (const design_point& p : points)
      if (!least || p.limit_voltage[l] < least->limit_voltage[l]) least = &p;
    if (!least || !(least->limit_voltage[l] < v)) continue;
    warnings.push_back(message("the drive's %.6g V exceeds %s at %.6g Hz: at most %.6g V stays within it on the whole "
                               "grid",
                               v, limit_phrase(static_cast<binding_limit>(l)), least->frequency,
                               least->limit_voltage[l]));
  }
  return warnings;
}

void add_port_fit(design_summary& s, const design_file& file, const compiled_design& c,
                  std::vector<std::string>& warnings) {
  const enclosure_sheet& e = file.enclosure;
  const double port_air = c.port >= 0 ? c.port_shape.area * c.port_shape.physical_length : 0;
  if (c.port >= 0) add(s, "port_air_volume", port_air * 1e3, "l");
  if (e.Vb.given) {
    double gross = e.Vb.value + port_air;
    if (e.type == enclosure_type::bandpass4) gross += e.Vr.value;
    if (file.driver.volume.given) gross += file.driver.volume.value;
    add(s, "gross_volume", gross * 1e3, "l");
  }
  if (c.port < 0) return;
  const double c0 = speed_of_sound();
  add(s, "port_pipe_resonance_estimate", c0 / (2 * c.port_shape.effective_length), "Hz");
  if (port_air > 0.1 * e.Vb.value)
    warnings.push_back(message("the ports' air, %.6g l, takes %.3g %% of Vb %.6g l (over 10 %%): the box must be "
                               "%.6g l gross to hold them",
                               port_air * 1e3, 100 * port_air / e.Vb.value, e.Vb.value * 1e3,
                               summary_value(s, "gross_volume")));
  const double diameter = 2 * c.port_shape.radius;
  if (e.depth.given && c.port_shape.physical_length + diameter > e.depth.value)
    warnings.push_back(message("the port, %.6g mm long, with one diameter (%.6g mm) clear of the back wall needs %.6g "
                               "mm: the box is %.6g mm deep inside",
                               c.port_shape.physical_length * 1e3, diameter * 1e3,
                               (c.port_shape.physical_length + diameter) * 1e3, e.depth.value * 1e3));
}

void add_rated_power(design_summary& s, const design_drive& drive, const std::vector<design_point>& points) {
  if (!(drive.limits.power > 0) || points.empty()) return;
  const double xmax_mm = drive.limits.xmax * 1e3;
  if (xmax_mm > 0) {
    // Walking down: the first grid point beyond Xmax, the crossing
    // interpolated in log f between it and the point above.
    std::size_t i = points.size();
    while (i > 0 && !(points[i - 1].excursion_at_pe_mm > xmax_mm)) --i;
    if (i == 0) {
      s.notes.push_back("excursion_at_Pe stays within Xmax on the whole grid");
    } else if (i == points.size()) {
      s.notes.push_back("excursion_at_Pe exceeds Xmax up to the grid's last frequency");
    } else {
      const design_point &below = points[i - 1], &above = points[i];
      const double t = (below.excursion_at_pe_mm - xmax_mm) / (below.excursion_at_pe_mm - above.excursion_at_pe_mm);
      add(s, "excursion_at_Pe_beyond_Xmax_below",
          std::exp(std::log(below.frequency) + t * (std::log(above.frequency) - std::log(below.frequency))), "Hz");
    }
  }
  if (drive.port < 0) return;
  const design_point* most = &points.front();
  for (const design_point& p : points)
    if (p.port_velocity_at_pe > most->port_velocity_at_pe) most = &p;
  add(s, "highest_port_velocity_at_Pe", most->port_velocity_at_pe, "m/s");
  add(s, "highest_port_velocity_at_Pe_frequency", most->frequency, "Hz");
}

void add_highpass(design_summary& s, const highpass_filter& f) {
  if (f.order <= 0) return;
  add(s, "highpass_order", f.order, "");
  add(s, "highpass_frequency", f.frequency, "Hz");
  if (f.order == 2) add(s, "highpass_Q", f.q, "");
}
