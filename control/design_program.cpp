#include "control/design_program.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "analysis/design_response.h"
#include "control/design_files.h"
#include "control/design_summary.h"
#include "control/design_alignments.h"
#include "control/design_compare.h"
#include "control/design_transient.h"
#include "control/run_outputs.h"
#include "design/variation.h"
#include "design/design_file.h"
#include "design/driver.h"
#include "design/network_compiler.h"
#include "util/message.h"
#include "util/output_set.h"

namespace {

const char* type_label(enclosure_type t) {
  switch (t) {
    case enclosure_type::closed: return "closed box";
    case enclosure_type::vented: return "vented box";
    case enclosure_type::bandpass4: return "4th-order bandpass";
    case enclosure_type::passive_radiator: return "passive radiator box";
    default: return "infinite baffle";
  }
}

design_drive drive_of(const design_file& file, const driver_parameters& d, const compiled_design& c) {
  design_drive drive;
  drive.coil = voice_coil{file.voltage, d.bl, d.re, d.le, c.coil_polarity};
  drive.radiators = c.radiators;
  drive.port = c.port;
  drive.passive = c.passive;
  drive.limits.radiator_xmax = c.passive >= 0 && file.radiator.Xmax.given ? file.radiator.Xmax.value : 0;
  drive.at = listening_point{file.distance, file.full_space};
  drive.limits.xmax = d.xmax;
  drive.limits.port_velocity = c.port >= 0 ? file.port_velocity_limit : 0;
  drive.limits.power = d.pe;
  drive.highpass = file.highpass;
  return drive;
}

std::string title_of(const design_file& file) {
  const std::string& name = file.driver.name;
  const std::string driver = name.empty() ? "" : name + ", ";
  std::string enclosure = type_label(file.enclosure.type);
  if (file.enclosure.Vb.given) enclosure += message(" %g l", file.enclosure.Vb.value * 1e3);
  return message("%s: %s%s, %g V at %g m, %s space", file.name.c_str(), driver.c_str(), enclosure.c_str(),
                 file.voltage, file.distance, file.full_space ? "full" : "half");
}

void print_summary(const design_summary& summary) {
  for (const summary_row& r : summary.rows)
    std::printf("%-26s %.6g%s%s\n", r.quantity.c_str(), r.value, r.unit.empty() ? "" : " ", r.unit.c_str());
  for (const std::string& note : summary.notes) std::printf("note: %s\n", note.c_str());
}

}  // namespace

status compute_design(const design_file& file, const std::vector<double>& grid, design_result& r) {
  if (!file.enclosure.given)
    return status::error("no [enclosure] table: expected type = closed | vented | bandpass4 | baffle | passive_radiator");
  RETURN_IF_ERROR(complete_driver(file.driver, r.driver, r.warnings));
  RETURN_IF_ERROR(compile_design(file, r.driver, r.compiled, r.warnings));
  r.drive = drive_of(file, r.driver, r.compiled);
  r.points.clear();
  for (double f : grid) {
    r.points.push_back(evaluate_design(*r.compiled.network, r.drive, f));
    // A network whose every number is finite can still be solved beyond
    // what a double holds when its values are far from any loudspeaker's.
    const design_point& p = r.points.back();
    for (const auto& [name, value] :
         {std::pair<const char*, double>{"SPL", p.spl}, {"phase", p.phase}, {"group delay", p.group_delay_ms},
          {"excursion", p.excursion_mm}, {"impedance", std::abs(p.impedance)}, {"port velocity", p.port_velocity},
          {"radiator excursion", p.radiator_excursion_mm}})
      if (!std::isfinite(value))
        return status::error(message("the design's %s at %g Hz overflows: expected values a loudspeaker has (see "
                                     "the warnings on the datasheet's figures)",
                                     name, f));
  }
  r.summary = summarise(file, r.driver, r.compiled, r.drive, r.points);
  return status::success();
}

namespace {

// The design in c.file worked out and printed under `heading`; `where`
// leads its warnings and errors.
status work_out(const design_options& o, const std::string& where, const std::string& heading,
                const reporter& report, compared_design& c) {
  design_result& r = c.result;
  const status computed = compute_design(c.file, log_grid(o.grid_from, o.grid_to, o.grid_per_octave), r);
  for (const std::string& w : r.warnings) report.warning(where + ": " + w);
  if (!computed.ok()) return status::error(where + ": " + computed.message);
  std::printf("%s\n", heading.c_str());
  print_summary(r.summary);
  return status::success();
}

// With --transient, the worked-out design driven in time, and its lines.
status drive_in_time(const design_options& o, const std::string& where, compared_design& c) {
  if (!o.transient) return status::success();
  design_result& r = c.result;
  const status computed_transient = compute_transient(r, o.signal, o.duration, c.transient);
  if (!computed_transient.ok()) return status::error(where + ": " + computed_transient.message);
  c.has_transient = true;
  std::printf("transient: %s\n", describe_signal(o.signal, c.file.voltage).c_str());
  for (const std::string& line : transient_summary(r, o.signal, c.transient))
    std::printf("transient: %s\n", line.c_str());
  return status::success();
}

// One design file, read and worked out; its files are written with the
// rest of the run.
status run_one_design(const design_options& o, const std::string& path, const reporter& report, compared_design& c) {
  RETURN_IF_ERROR(read_design_file(path, c.file));
  if (!o.emit_dir.empty()) RETURN_IF_ERROR(check_emittable(c.file));
  c.label = c.file.name;
  c.path = path;
  c.title = title_of(c.file);
  RETURN_IF_ERROR(work_out(o, path, c.title, report, c));
  return drive_in_time(o, path, c);
}

// acoustic_sim's files for the one design, once the design's own are in place.
status emit_design(const design_options& o, const compared_design& c) {
  const design_result& r = c.result;
  std::vector<std::string> notes;
  RETURN_IF_ERROR(emit_parameters(o.emit_dir, c.file, r.driver, enclosure_resonance(c.file, r.summary), notes));
  for (const std::string& note : notes) std::printf("note: %s\n", note.c_str());
  std::printf("wrote %s/parameters.txt and %s/answers.txt\n", o.emit_dir.c_str(), o.emit_dir.c_str());
  return status::success();
}

// The design once per value of the varied key, or per pair of values of
// two keys (the first key's values outer); only the comparison is written.
status run_study(const design_options& o, std::vector<compared_design>& designs, study_axes& axes,
                 const reporter& report) {
  std::vector<variation> v(o.vary.size());
  for (std::size_t k = 0; k < o.vary.size(); ++k) RETURN_IF_ERROR(parse_variation(o.vary[k], v[k]));
  if (v.size() == 2) {
    if (v[0].key == v[1].key) return status::error("option --vary is given twice for " + v[0].key + ": expected two keys");
    if (v[0].values.size() * v[1].values.size() > 1000)
      return status::error(message("option --vary: a grid of %zu x %zu designs: expected at most 1000",
                                   v[0].values.size(), v[1].values.size()));
  }
  design_file base;
  RETURN_IF_ERROR(read_design_file(o.design_path, base));
  std::string heading = base.name + ": ";
  for (std::size_t k = 0; k < v.size(); ++k) {
    heading += (k ? " and " : "") + v[k].key + " from " + v[k].shown.front() + " to " + v[k].shown.back();
    axes.keys.push_back(v[k].axis);
  }
  axes.heading = heading;
  const std::size_t inner = v.size() == 2 ? v[1].values.size() : 1;
  for (std::size_t n = 0; n < v[0].values.size() * inner; ++n) {
    compared_design c;
    c.file = base;
    c.path = o.design_path;
    c.label.clear();
    for (std::size_t k = 0; k < v.size(); ++k) {
      const std::size_t at = k == 0 ? n / inner : n % inner;
      const status set = set_design_value(c.file, v[k].key, v[k].values[at]);
      if (!set.ok()) return status::error(message("option --vary: %s", set.message.c_str()));
      c.label += (k ? "; " : "") + v[k].labels[at];
      c.values.push_back(v[k].numbers[at]);
    }
    c.title = base.name + ": " + c.label;
    const std::string where = o.design_path + ": " + c.label;
    RETURN_IF_ERROR(work_out(o, where, c.title, report, c));
    RETURN_IF_ERROR(drive_in_time(o, where, c));
    designs.push_back(std::move(c));
  }
  return status::success();
}
}  // namespace

status run_design_program(const design_options& o, const reporter& report) {
  if (!o.align_path.empty()) return run_alignments(o);
  std::vector<compared_design> designs;
  study_axes axes;
  if (!o.vary.empty()) {
    RETURN_IF_ERROR(run_study(o, designs, axes, report));
  } else {
    for (const std::string& path : o.design_paths) {
      designs.emplace_back();
      RETURN_IF_ERROR(run_one_design(o, path, report, designs.back()));
    }
  }
  RETURN_IF_ERROR(write_run_outputs(o, designs, axes, report));
  if (!o.emit_dir.empty()) RETURN_IF_ERROR(emit_design(o, designs.front()));
  return status::success();
}
