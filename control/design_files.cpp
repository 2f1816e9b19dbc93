#include "control/design_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "model/natural_frequencies.h"
#include "util/fixed_format.h"
#include "util/message.h"
#include "util/output_set.h"
#include "util/text_file.h"

status ensure_folder(const std::string& dir) {
  if (mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST) return status::success();
  return status::error(message("cannot create the folder %s: %s", dir.c_str(), std::strerror(errno)));
}

response_columns columns_of(const design_drive& drive) {
  response_columns c;
  c.port = drive.port >= 0;
  c.radiator = drive.passive >= 0;
  c.filtered = drive.highpass.order > 0;
  c.rated = drive.limits.power > 0;
  c.branches = branch_columns_of(drive, static_cast<int>(drive.resonators.size()));
  return c;
}

std::string response_header(const response_columns& c) {
  if (!c.branches.coil) return flow_header(c.port, c.radiator, c.branches);
  std::string h =
      "frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm],impedance[ohm],impedance_phase[deg],"
      "max_SPL[dB],max_voltage[V]";
  if (c.port) h += ",port_velocity[m/s]";
  if (c.radiator) h += ",radiator_excursion[mm]";
  if (c.filtered) h += ",SPL_unfiltered[dB],excursion_unfiltered[mm]";
  if (c.rated) h += c.port ? ",excursion_at_Pe[mm],port_velocity_at_Pe[m/s]" : ",excursion_at_Pe[mm]";
  // The chamber's and the resonators' block closes the numeric columns.
  if (c.branches.shown) h += branch_header(c.branches);
  return h + ",limited_by\n";
}

std::string response_row(const design_point& p, const response_columns& c) {
  if (!c.branches.coil) return flow_row(p, c.port, c.radiator, c.branches);
  std::string row;
  char number[fixed6_max_chars];
  const auto put = [&](double v) {
    if (!row.empty()) row += ',';
    row.append(number, format_fixed6(v, number));
  };
  for (double v : {p.frequency, p.spl, p.phase, p.group_delay_ms, p.excursion_mm, std::abs(p.impedance),
                   degrees(p.impedance), p.max_spl, p.max_voltage})
    put(v);
  if (c.port) put(p.port_velocity);
  if (c.radiator) put(p.radiator_excursion_mm);
  if (c.filtered) {
    put(p.spl_unfiltered);
    put(p.excursion_unfiltered_mm);
  }
  if (c.rated) {
    put(p.excursion_at_pe_mm);
    if (c.port) put(p.port_velocity_at_pe);
  }
  if (c.branches.shown) append_branch_values(row, p, c.branches);
  return row + "," + limit_name(p.limited_by) + "\n";
}

status write_response_table(const std::string& path, const std::vector<design_point>& points,
                            const response_columns& c) {
  text_file out;
  RETURN_IF_ERROR(out.open(path));
  out.put(response_header(c));
  for (const design_point& p : points) out.put(response_row(p, c));
  return out.close();
}

std::string response_table_text(const std::vector<design_point>& points, const response_columns& c) {
  std::string text = response_header(c);
  for (const design_point& p : points) text += response_row(p, c);
  return text;
}

status write_text(const std::string& path, const std::string& text) {
  text_file out;
  RETURN_IF_ERROR(out.open(path));
  out.put(text);
  return out.close();
}

std::string summary_table_text(const design_summary& summary) {
  std::string out = "quantity,value,unit\n";
  for (const summary_row& r : summary.rows) out += message("%s,%.6g,%s\n", r.quantity.c_str(), r.value, r.unit.c_str());
  return out;
}

status write_summary_table(const std::string& path, const design_summary& summary) {
  return write_text(path, summary_table_text(summary));
}

namespace {

std::string values(const double* v, int count, double scale = 1) {
  std::string line;
  for (int i = 0; i < count; ++i) line += message("%s%.17g", i ? "\t" : "", v[i] * scale);
  return line + "\n";
}

}  // namespace

status check_emittable(const design_file& file) {
  if (file.source.volume_velocity)
    return status::error("--emit-parameters: a volume-velocity source cannot be written for acoustic_sim: its "
                         "parameter file drives the piston with a force");
  if (!file.resonators.empty())
    return status::error("--emit-parameters: a resonator's closed side chamber cannot be written for acoustic_sim: "
                         "its parameter file gives every side chamber an external duct");
  if (file.model.ducts != duct_model::lumped)
    return status::error("--emit-parameters: distributed ducts cannot be written for acoustic_sim: its ducts are "
                         "lumped masses");
  if (file.enclosure.type == enclosure_type::passive_radiator)
    return status::error(
        "--emit-parameters: a passive radiator cannot be written for acoustic_sim: its parameter file has no "
        "suspension for a duct");
  if (file.enclosure.type == enclosure_type::bandpass4)
    return status::error(
        "--emit-parameters: a bandpass4 cannot be written for acoustic_sim: its velocity sum always counts the "
        "cone, which a bandpass4 hides in its sealed chamber");
  return status::success();
}

status emit_parameters(const std::string& dir, const design_file& file, const driver_parameters& d, double resonance,
                       std::vector<std::string>& notes) {
  RETURN_IF_ERROR(check_emittable(file));
  // acoustic_sim steps every element with the central difference, which
  // grows on a massless leak: the emitted box has none.
  design_file lossless = file;
  if (file.enclosure.type == enclosure_type::vented && (!file.enclosure.Ql.given || std::isfinite(file.enclosure.Ql.value))) {
    lossless.enclosure.Ql = given_as(INFINITY, "");
    notes.push_back("parameters.txt leaves out the box's leak (Ql): acoustic_sim cannot step a massless resistance");
  }
  if (d.le > 0) notes.push_back("parameters.txt leaves out Le: the coil enters as its resistance alone");
  compiled_design c;
  std::vector<std::string> ignored;
  RETURN_IF_ERROR(compile_design(lossless, d, c, ignored));
  model_state& s = *c.network;
  // With Le = 0 the coil is exactly a force sqrt(2) V Bl / Re (peak) and a
  // damping Bl^2 / Re on the piston.
  s.C[0] = d.rms + d.bl * d.bl / d.re;
  s.b = c.coil_polarity * std::sqrt(2.0) * file.voltage * d.bl / d.re;
  const std::vector<double> w = natural_angular_frequencies(s);
  const double w_max = w.empty() ? 0 : w.back();
  // Stable with a margin of 2 for a sinusoid and for a sweep (stepped at
  // 10 division Hz), and free of aliasing up to 400 Hz.
  const double division = std::max(400.0, std::ceil(w_max / 10));
  const int frequency = std::max(1, static_cast<int>(std::lround(resonance)));

  std::string text = message("%.17g\t%.17g\t%.17g\n", s.m0, s.radius, s.f0);
  text += message("%d\t%.0f\t%g\t%.17g\n", s.n, division, s.HCR, s.b);
  text += values(s.V, s.n + 1, 1000);
  if (s.n > 0) {
    text += values(s.A + 1, 2 * s.n);
    text += values(s.L + 1, 2 * s.n);
  }
  text += values(s.C, s.ND);
  const std::string parameters = dir + "/parameters.txt", answers = dir + "/answers.txt";
  RETURN_IF_ERROR(ensure_folder(dir));
  const output_set outputs({parameters, answers});
  RETURN_IF_ERROR(outputs.check_replaceable());
  status written = write_text(output_set::working_name(parameters), text);
  if (written.ok()) written = write_text(output_set::working_name(answers), message("0\n1\n0\n%d\n", frequency));
  if (written.ok()) written = outputs.commit();
  if (!written.ok()) outputs.discard();
  return written;
}
