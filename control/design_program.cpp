#include "control/design_program.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>

#include "analysis/design_response.h"
#include "control/design_files.h"
#include "control/design_summary.h"
#include "control/design_alignments.h"
#include "control/design_at.h"
#include "control/design_ducts.h"
#include "control/design_resonators.h"
#include "control/design_compare.h"
#include "control/design_transient.h"
#include "control/run_outputs.h"
#include "design/variation.h"
#include "design/design_file.h"
#include "design/driver.h"
#include "design/network_compiler.h"
#include "design/plausibility.h"
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
  drive.at = listening_point{file.distance, file.full_space, c.air.density};
  drive.flow = c.flow;
  drive.branches = has_branch_tables(file);
  for (const resonator_shape& r : c.resonators) drive.resonators.push_back(r.element);
  drive.limits.xmax = d.xmax;
  drive.limits.port_velocity = c.port >= 0 ? file.port_velocity_limit : 0;
  drive.limits.power = d.pe;
  // A flow is given as it enters the chamber: no amplifier, no high-pass.
  drive.highpass = c.flow > 0 ? highpass_filter{} : file.highpass;
  return drive;
}

std::string title_of(const design_file& file) {
  const std::string& name = file.driver.name;
  const std::string driver = name.empty() ? "" : name + ", ";
  std::string enclosure = type_label(file.enclosure.type);
  if (file.enclosure.Vb.given) enclosure += message(" %g l", file.enclosure.Vb.value * 1e3);
  if (file.source.volume_velocity)
    return message("%s: %g l/s into a %s", file.name.c_str(), file.source.flow.value * 1e3, enclosure.c_str());
  return message("%s: %s%s, %g V at %g m, %s space", file.name.c_str(), driver.c_str(), enclosure.c_str(),
                 file.voltage, file.distance, file.full_space ? "full" : "half");
}

void print_summary(const design_summary& summary) {
  for (const summary_row& r : summary.rows) {
    if (r.named)
      std::printf("%-26s %s\n", r.quantity.c_str(), r.unit.c_str());
    else
      std::printf("%-26s %.6g%s%s\n", r.quantity.c_str(), r.value, r.unit.empty() ? "" : " ", r.unit.c_str());
  }
  for (const std::string& note : summary.notes) std::printf("note: %s\n", note.c_str());
}

}  // namespace

namespace {

// A flow source's table holds no coil's figures, and SPL only where
// something radiates.
const char* overflowing_flow_figure(const design_point& p, bool radiates) {
  for (const auto& [name, value] :
       {std::pair<const char*, double>{"SPL", radiates ? p.spl : 0.0}, {"phase", p.phase},
        {"group delay", p.group_delay_ms}, {"port velocity", p.port_velocity},
        {"radiator excursion", p.radiator_excursion_mm}})
    if (!std::isfinite(value)) return name;
  return nullptr;
}

const char* overflowing_branch_figure(const design_point& p) {
  if (!std::isfinite(std::abs(p.chamber_pressure))) return "chamber pressure";
  for (double v : p.resonator_velocity)
    if (!std::isfinite(v)) return "resonator velocity";
  return nullptr;
}

}  // namespace

status evaluate_on_grid(const std::vector<double>& grid, design_result& r) {
  r.points.clear();
  for (double f : grid) {
    r.points.push_back(evaluate_design(*r.compiled.network, r.drive, f));
    // A network whose every number is finite can still be solved beyond
    // what a double holds when its values are far from any loudspeaker's.
    const design_point& p = r.points.back();
    const char* name = r.drive.flow > 0 ? overflowing_flow_figure(p, !r.drive.radiators.empty())
                                        : overflowing_figure(p);
    if (!name && r.drive.branches) name = overflowing_branch_figure(p);
    if (name)
      return status::error(message("the design's %s at %g Hz overflows: expected values a loudspeaker has (see "
                                   "the warnings on the datasheet's figures)",
                                   name, f));
  }
  return status::success();
}

status compute_design(const design_file& file, const std::vector<double>& grid, design_result& r,
                      bool accept_unusual, int per_bandwidth) {
  if (!file.enclosure.given)
    return status::error("no [enclosure] table: expected type = closed | vented | bandpass4 | baffle | passive_radiator");
  // A flow source is no loudspeaker: the datasheet's ranges do not apply.
  if (file.source.volume_velocity) {
    r.driver = flow_source_piston();
    RETURN_IF_ERROR(compile_design(file, r.driver, r.compiled, r.warnings));
  } else {
    RETURN_IF_ERROR(check_design(file, accept_unusual, r.driver, r.compiled, r.warnings));
  }
  if (has_branch_tables(file)) apply_duct_model(file, grid.empty() ? 0 : grid.back(), r.compiled, r.warnings);
  r.drive = drive_of(file, r.driver, r.compiled);
  if (r.drive.branches)
    RETURN_IF_ERROR(compute_branch_response(file, grid, per_bandwidth, r));
  else
    RETURN_IF_ERROR(evaluate_on_grid(grid, r));
  r.summary = summarise(file, r.driver, r.compiled, r.drive, r.points);
  if (r.drive.branches) add_branch_summary(file, r, r.summary);
  if (const summary_row* row = overflowing_row(r.summary))
    return status::error(message("the design's %s overflows: expected values a loudspeaker has (see the warnings on "
                                 "the datasheet's figures)",
                                 row->quantity.c_str()));
  r.warnings.insert(r.warnings.end(), r.summary.warnings.begin(), r.summary.warnings.end());
  return status::success();
}

namespace {

// The design in c.file worked out and printed under `heading`; `where`
// leads its warnings and errors. A warning already in `shown` (a study's
// earlier values) is not repeated.
status work_out(const design_options& o, const std::string& where, const std::string& heading,
                const reporter& report, compared_design& c, std::set<std::string>* shown = nullptr) {
  design_result& r = c.result;
  const status computed =
      compute_design(c.file, log_grid(o.grid_from, o.grid_to, o.grid_per_octave), r, o.accept_unusual,
                     o.refine_per_bandwidth);
  for (const std::string& w : r.warnings)
    if (!shown || shown->insert(w).second) report.warning(where + ": " + w);
  if (!computed.ok()) return status::error(where + ": " + computed.message);
  std::string at;
  const status solved_at = rows_at(r, o.at, at);
  if (!solved_at.ok()) return status::error(where + ": " + solved_at.message);
  std::printf("%s\n", heading.c_str());
  print_summary(r.summary);
  if (!o.at.empty()) std::fputs(at.c_str(), stdout);
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
  if (!c.file.resonators.empty() || c.file.model.given)
    std::printf("transient: ducts and resonators are lumped here, each resonator's chamber closed\n");
  for (const std::string& line : transient_summary(r, o.signal, c.transient))
    std::printf("transient: %s\n", line.c_str());
  return status::success();
}

// Before anything is written: a transient needs the coil.
status check_transient(const design_options& o, const std::string& where, const design_file& file) {
  if (!o.transient || !file.source.volume_velocity) return status::success();
  return status::error(where + ": --transient drives the design through its voice coil: a volume-velocity source "
                               "has none");
}

// One design file read and worked out, its transient too: everything that
// can fail before a file is written. Its files are written with the rest
// of the run.
status run_one_design(const design_options& o, const std::string& path, const reporter& report, compared_design& c) {
  RETURN_IF_ERROR(read_design_file(path, c.file));
  RETURN_IF_ERROR(check_transient(o, path, c.file));
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
  RETURN_IF_ERROR(check_transient(o, o.design_path, base));
  std::set<std::string> shown;
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
    RETURN_IF_ERROR(work_out(o, where, c.title, report, c, &shown));
    RETURN_IF_ERROR(drive_in_time(o, where, c));
    designs.push_back(std::move(c));
  }
  return status::success();
}
}  // namespace

status run_design_program(const design_options& o, const reporter& report) {
  if (!o.align_path.empty()) return run_alignments(o, report);
  std::vector<compared_design> designs;
  study_axes axes;
  if (!o.vary.empty()) {
    RETURN_IF_ERROR(run_study(o, designs, axes, report));
  } else {
    // Every design worked out before the first file is written.
    for (const std::string& path : o.design_paths) {
      designs.emplace_back();
      RETURN_IF_ERROR(run_one_design(o, path, report, designs.back()));
    }
  }
  RETURN_IF_ERROR(write_run_outputs(o, designs, axes, report));
  if (!o.emit_dir.empty()) RETURN_IF_ERROR(emit_design(o, designs.front()));
  return status::success();
}
