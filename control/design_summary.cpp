#include "control/design_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "control/design_decisions.h"
#include "model/enclosure.h"
#include "util/message.h"

double passband_level(const driver_parameters& d, double voltage, const listening_point& at) {
  const double k = at.full_space ? 4 : 2;
  const double pressure = at.density * d.sd * d.bl * voltage / (k * pi * at.distance * d.re * d.mms);
  return 20 * std::log10(pressure / 20e-6);
}

double reference_efficiency(const driver_parameters& d) {
  const double c = speed_of_sound();
  return 4 * pi * pi * d.fs * d.fs * d.fs * d.vas / (c * c * c * d.qes);
}

double enclosure_resonance(const design_file& file, const design_summary& s) {
  switch (file.enclosure.type) {
    case enclosure_type::closed: return summary_value(s, "fc");
    case enclosure_type::vented: return summary_value(s, "fb");
    case enclosure_type::passive_radiator: return summary_value(s, "fp_box");
    default: return summary_value(s, "fs");
  }
}

const summary_row* overflowing_row(const design_summary& s) {
  const bool unlimited = summary_value(s, "lowest_max_SPL_limited_by") == 0;
  for (const summary_row& r : s.rows) {
    if (std::isfinite(r.value)) continue;
    if (unlimited && r.value == INFINITY && (r.quantity == "lowest_max_SPL" || r.quantity == "lowest_max_SPL_voltage"))
      continue;
    return &r;
  }
  return nullptr;
}

double summary_value(const design_summary& s, const std::string& quantity) {
  for (const summary_row& r : s.rows)
    if (r.quantity == quantity) return r.value;
  return std::numeric_limits<double>::quiet_NaN();
}

namespace {

void add(design_summary& s, const char* quantity, double value, const char* unit) {
  s.rows.push_back({quantity, value, unit});
}

void add_driver(design_summary& s, const driver_parameters& d, const design_file& file) {
  add(s, "fs", d.fs, "Hz");
  add(s, "Qms", d.qms, "");
  add(s, "Qes", d.qes, "");
  add(s, "Qts", d.qts, "");
  add(s, "Vas", d.vas * 1e3, "l");
  add(s, "Mms", d.mms * 1e3, "g");
  add(s, "Cms", d.cms * 1e3, "mm/N");
  add(s, "Rms", d.rms, "kg/s");
  add(s, "Bl", d.bl, "T*m");
  add(s, "Re", d.re, "ohm");
  add(s, "Le", d.le * 1e3, "mH");
  add(s, "Sd", d.sd * 1e4, "cm2");
  if (d.xmax > 0) add(s, "Xmax", d.xmax * 1e3, "mm");
  if (d.pe > 0) add(s, "Pe", d.pe, "W");
  const double eta0 = reference_efficiency(d);
  listening_point at{file.distance, file.full_space, air_of(file).density};
  add(s, "eta0", eta0 * 100, "%");
  add(s, "sensitivity_1W", passband_level(d, std::sqrt(d.re), at), "dB");
  add(s, "sensitivity", passband_level(d, file.voltage, at), "dB");
  add(s, "voltage", file.voltage, "V");
  add(s, "distance", file.distance, "m");
}

void add_enclosure(design_summary& s, const design_file& file, const driver_parameters& d, const compiled_design& c) {
  const model_state& net = *c.network;
  const enclosure_sheet& e = file.enclosure;
  if (e.Vb.given) add(s, "Vb", e.Vb.value * 1e3, "l");
  if (e.type == enclosure_type::bandpass4) add(s, "Vr", e.Vr.value * 1e3, "l");
  if (e.type == enclosure_type::closed && c.flow == 0) {
    add(s, "fc", closed_box_resonance(net), "Hz");
    add(s, "Qtc", closed_box_q(net, d.bl, d.re), "");
  }
  if (c.port >= 0) {
    add(s, "fb", port_tuning(net, c.port), "Hz");
    add(s, "port_area", c.port_shape.area * 1e4, "cm2");
    add(s, "port_effective_length", c.port_shape.effective_length * 1e3, "mm");
    add(s, "port_physical_length", c.port_shape.physical_length * 1e3, "mm");
    add(s, "port_end_correction", c.port_shape.end_correction * 1e3, "mm");
  }
  if (c.passive >= 0) {
    add(s, "fp_box", port_tuning(net, c.passive), "Hz");
    add(s, "radiator_moving_mass", net.M[c.passive] * 1e3, "g");
    add(s, "radiator_area", net.A[c.passive], "cm2");
  }
  if (c.leak >= 0) add(s, "Ql", e.Ql.given ? e.Ql.value : 10, "");
}

void add_cutoffs(design_summary& s, const design_file& file,
                 const std::vector<design_point>& points) {
  if (file.enclosure.type == enclosure_type::bandpass4) {
    s.notes.push_back("F3, F6 and F10 are not given for a bandpass4: its response is a band, not a high-pass");
    return;
  }
  const double level = summary_value(s, "sensitivity");
  // Walked down from five times the enclosure's own resonance.
  const double start = 5 * enclosure_resonance(file, s);
  for (const auto& [name, drop] : {std::pair<const char*, double>{"F3", 3}, {"F6", 6}, {"F10", 10}}) {
    const double f = frequency_below(points, start, level - drop);
    if (f > 0) {
      add(s, name, f, "Hz");
    } else {
      s.notes.push_back(message("%s: the response stays within %g dB of the passband down to the grid's first "
                                "frequency",
                                name, drop));
    }
  }
}

void add_limits(design_summary& s, const design_drive& drive, const std::vector<design_point>& points) {
  std::string left_out;
  if (!(drive.limits.xmax > 0)) left_out += " Xmax";
  if (drive.port >= 0 && !(drive.limits.port_velocity > 0)) left_out += " port_velocity";
  if (drive.passive >= 0 && !(drive.limits.radiator_xmax > 0)) left_out += " passive_radiator.Xmax";
  if (!(drive.limits.power > 0)) left_out += " Pe";
  if (!left_out.empty())
    s.notes.push_back("max_voltage and max_SPL leave out the limits not given:" + left_out);
  // From F3 up to 200 Hz; for a band-pass, within its -3 dB band.
  double from = summary_value(s, "F3"), to = 200;
  if (std::isnan(from)) {
    std::size_t top = 0, low, high;
    for (std::size_t i = 0; i < points.size(); ++i)
      if (points[i].spl > points[top].spl) top = i;
    for (low = top; low > 0 && points[low - 1].spl >= points[top].spl - 3; --low) {
    }
    for (high = top; high + 1 < points.size() && points[high + 1].spl >= points[top].spl - 3; ++high) {
    }
    from = points.empty() ? 0 : points[low].frequency;
    to = points.empty() ? 0 : std::min(200.0, points[high].frequency);
  }
  const design_point* lowest = nullptr;
  for (const design_point& p : points)
    if (p.frequency >= from && p.frequency <= to && (!lowest || p.max_spl < lowest->max_spl)) lowest = &p;
  if (lowest) {
    add(s, "lowest_max_SPL", lowest->max_spl, "dB");
    add(s, "lowest_max_SPL_frequency", lowest->frequency, "Hz");
    add(s, "lowest_max_SPL_voltage", lowest->max_voltage, "V");
  }
}

// A passive radiator's largest excursion on the grid at the drive.
void add_radiator_excursion(design_summary& s, const design_drive& drive, const std::vector<design_point>& points) {
  if (drive.passive < 0) return;
  const design_point* most = nullptr;
  for (const design_point& p : points)
    if (!most || p.radiator_excursion_mm > most->radiator_excursion_mm) most = &p;
  if (!most) return;
  add(s, "radiator_peak_excursion", most->radiator_excursion_mm, "mm");
  add(s, "radiator_peak_excursion_frequency", most->frequency, "Hz");
}

void add_impedance_minimum(design_summary& s, const std::vector<design_point>& points) {
  std::size_t peak = 0;
  for (std::size_t i = 1; i + 1 < points.size(); ++i) {
    const double z = std::abs(points[i].impedance);
    if (z > std::abs(points[i - 1].impedance) && z >= std::abs(points[i + 1].impedance)) peak = i;
  }
  if (peak == 0) {
    s.notes.push_back("Zmin: the impedance has no peak on the grid");
    return;
  }
  std::size_t minimum = peak + 1;
  for (std::size_t i = peak + 1; i < points.size(); ++i)
    if (std::abs(points[i].impedance) < std::abs(points[minimum].impedance)) minimum = i;
  add(s, "Zmin", std::abs(points[minimum].impedance), "ohm");
  add(s, "Zmin_frequency", points[minimum].frequency, "Hz");
}

}  // namespace

design_summary summarise(const design_file& file, const driver_parameters& d, const compiled_design& c,
                         const design_drive& drive, const std::vector<design_point>& points) {
  design_summary s;
  if (c.flow > 0) {
    // No driver: what needs its coil or cone is left out.
    add(s, "volume_velocity", c.flow * 1e3, "l/s");
    add_enclosure(s, file, d, c);
    s.notes.push_back("a volume-velocity source: no driver's parameters, excursion, impedance, F3 or max SPL");
    return s;
  }
  add_driver(s, d, file);
  add_highpass(s, file.highpass);
  add_enclosure(s, file, d, c);
  add_port_fit(s, file, c, s.warnings);
  add_cutoffs(s, file, points);
  add_limits(s, drive, points);
  add_binding_limit(s, points);
  add_rated_power(s, drive, points);
  for (const std::string& w : drive_beyond_limits(drive, points)) s.warnings.push_back(w);
  add_radiator_excursion(s, drive, points);
  add_impedance_minimum(s, points);
  return s;
}
