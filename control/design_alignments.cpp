#include "control/design_alignments.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

#include "control/design_files.h"
#include "control/design_program.h"
#include "design/alignments.h"
#include "design/design_file.h"
#include "design/driver.h"
#include "design/plausibility.h"
#include "util/message.h"
#include "util/output_set.h"

namespace {

const double closed_qtcs[] = {0.5, 0.577, 0.707, 1.0};
constexpr double port_step = 5e-3;  // m
constexpr double largest_port = 0.5;

// The driver's file with the alignment's box as its enclosure; the leak as
// the file gives it (Ql), else the design's default.
design_file with_box(const design_file& base, const alignment_row& row, double port_diameter) {
  design_file f = base;
  enclosure_sheet e;
  e.given = true;
  e.Vb = given_as(row.vb * 1e3, "l");
  e.Vb.value = row.vb;  // exactly, not through litres
  if (row.name == "closed") {
    e.type = enclosure_type::closed;
  } else {
    e.type = enclosure_type::vented;
    e.Ql = base.enclosure.Ql;
    e.ports = base.enclosure.given ? base.enclosure.ports : 1;
    e.ends = base.enclosure.ends;
    e.fb = given_as(row.fb, "Hz");
    e.port_diameter = given_as(port_diameter * 1e3, "mm");
    e.port_diameter.value = port_diameter;
  }
  f.enclosure = e;
  return f;
}

// The smallest port diameter, in 5 mm steps, whose peak air velocity stays
// within the limit at the rated power (at the drive's voltage without Pe).
// Sized without the leak, which lowers the port's peak: a box built tighter
// than Ql 10 must not outgrow its port.
void size_port(const design_file& base, const driver_parameters& d, alignment_row& row, bool accept_unusual) {
  const double volts = d.pe > 0 ? std::sqrt(d.pe * d.re) : base.voltage;
  for (double diameter = port_step; diameter <= largest_port + 1e-9; diameter += port_step) {
    design_result r;
    design_file tight = with_box(base, row, diameter);
    tight.enclosure.Ql = given_as(INFINITY, "");
    if (!compute_design(tight, log_grid(5, 1000, 96), r, accept_unusual).ok()) continue;
    double peak = 0;
    for (const design_point& p : r.points) peak = std::max(peak, p.port_velocity * volts / base.voltage);
    if (peak <= base.port_velocity_limit) {
      row.port_diameter = diameter;
      row.port_length = summary_value(r.summary, "port_physical_length") * 1e-3;
      return;
    }
  }
}

// The row's own box, unusual or not: whether it is written is decided
// apart, with a note.
double lossy_f3(const design_file& base, const alignment_row& row) {
  design_result r;
  if (!compute_design(with_box(base, row, row.port_diameter > 0 ? row.port_diameter : 0.1), log_grid(5, 1000, 96), r,
                      true)
           .ok())
    return 0;
  return summary_value(r.summary, "F3");
}

std::string field(double value, double scale = 1) { return value > 0 ? message("%.6g", value * scale) : ""; }

}  // namespace

status compute_alignments(const std::string& path, std::vector<alignment_row>& rows, std::vector<std::string>& notes,
                          std::string& name, bool accept_unusual, std::vector<std::string>* warnings) {
  design_file base;
  RETURN_IF_ERROR(read_design_file(path, base));
  name = base.name;
  const status aligned = align_driver(base, rows, notes, accept_unusual, warnings);
  if (!aligned.ok()) return status::error(path + ": " + aligned.message);
  return status::success();
}

namespace {

// The rows' figures, every one finite: a driver far from any loudspeaker
// can carry a box beyond what a double holds.
status check_rows(const std::vector<alignment_row>& rows) {
  for (const alignment_row& r : rows)
    for (const auto& [what, value] :
         {std::pair<const char*, double>{"Vb", r.vb}, {"fc", r.fc}, {"fb", r.fb}, {"F3", r.f3},
          {"port diameter", r.port_diameter}, {"port length", r.port_length}, {"F3 with losses", r.lossy_f3}})
      if (!std::isfinite(value))
        return status::error(message("the %s alignment's %s overflows: expected a driver a loudspeaker has",
                                     r.name.c_str(), what));
  return status::success();
}

}  // namespace

status align_driver(const design_file& base, std::vector<alignment_row>& rows, std::vector<std::string>& notes,
                    bool accept_unusual, std::vector<std::string>* warnings) {
  driver_parameters d;
  std::vector<std::string> passed;
  RETURN_IF_ERROR(check_driver(base.driver, accept_unusual, d, passed));
  if (warnings) warnings->insert(warnings->end(), passed.begin(), passed.end());
  for (double qtc : closed_qtcs) {
    const closed_alignment c = closed_box_alignment(d.fs, d.qts, d.vas, qtc);
    if (!c.reachable) {
      notes.push_back(message("no closed box of Qtc %g: the driver's Qts is %.3g already", qtc, d.qts));
      continue;
    }
    alignment_row row;
    row.name = "closed";
    row.property = message("second-order high-pass of Q = %g", qtc);
    row.qtc = qtc;
    row.vb = c.vb;
    row.fc = c.fc;
    row.f3 = c.f3;
    row.lossy_f3 = lossy_f3(base, row);
    rows.push_back(row);
  }
  const vented_alignment v = vented_box_alignment(d.fs, d.qts, d.vas);
  if (!v.reachable) {
    notes.push_back("no vented alignment: " + v.note);
    return check_rows(rows);
  }
  alignment_row row;
  row.name = v.name;
  row.property = v.property + (v.name == "C4" ? message(", %.3g dB", v.ripple_db) : "");
  row.vb = v.vb;
  row.fb = v.fb;
  row.f3 = v.f3;
  size_port(base, d, row, accept_unusual);
  if (row.port_diameter == 0)
    notes.push_back(message("%s: no port up to %g mm keeps the air within %g m/s", v.name.c_str(), largest_port * 1e3,
                            base.port_velocity_limit));
  const int ports = base.enclosure.given ? base.enclosure.ports : 1;
  const double air = ports * exact_pi / 4 * row.port_diameter * row.port_diameter * row.port_length;
  if (air > 0.1 * row.vb)
    notes.push_back(message("%s: the port's air, %.4g l, takes %.3g %% of Vb: the box must be %.4g l gross to hold it",
                            v.name.c_str(), air * 1e3, 100 * air / row.vb, (row.vb + air) * 1e3));
  row.lossy_f3 = lossy_f3(base, row);
  rows.push_back(row);
  return check_rows(rows);
}

std::string alignment_table(const std::vector<alignment_row>& rows) {
  std::string text = "alignment,Qtc,Vb[l],fc[Hz],fb[Hz],F3[Hz],port_diameter[mm],port_length[mm]\n";
  for (const alignment_row& r : rows) {
    text += r.name + "," + field(r.qtc) + "," + field(r.vb, 1e3) + "," + field(r.fc) + "," + field(r.fb) + "," +
            field(r.f3) + "," + field(r.port_diameter, 1e3) + "," + field(r.port_length, 1e3) + "\n";
  }
  return text;
}

namespace {

std::string row_file_name(const std::string& name, const alignment_row& r) {
  if (r.name != "closed") return name + "_" + r.name + ".toml";
  std::string q = message("%g", r.qtc);
  q.erase(std::remove(q.begin(), q.end(), '.'), q.end());
  return name + "_closed_q" + q + ".toml";
}

// The driver's file as written, its [enclosure] table replaced by the
// alignment's box (a vented box keeps the file's Ql, ports and port_ends).
std::string design_text(const std::string& path, const alignment_row& r) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream original;
  original << in.rdbuf();
  std::string kept, old_enclosure;
  bool in_enclosure = false;
  std::istringstream lines(original.str());
  bool before_tables = true;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '[') {
      in_enclosure = line.compare(first, 11, "[enclosure]") == 0;
      before_tables = false;
    }
    // The file's opening comment describes its own box, not this one.
    if (before_tables && first != std::string::npos && line[first] == '#') continue;
    (in_enclosure ? old_enclosure : kept) += line + "\n";
  }
  std::string enclosure = "[enclosure]\n";
  enclosure += message("type = \"%s\"\n", r.name == "closed" ? "closed" : "vented");
  enclosure += message("Vb = \"%.4g l\"\n", r.vb * 1e3);
  if (r.name != "closed") {
    enclosure += message("fb = \"%.4g Hz\"\n", r.fb);
    if (r.port_diameter > 0) enclosure += message("port_diameter = \"%g mm\"\n", r.port_diameter * 1e3);
    std::istringstream old(old_enclosure);
    for (std::string line; std::getline(old, line);) {
      const std::size_t first = line.find_first_not_of(" \t");
      if (first == std::string::npos) continue;
      for (const char* key : {"Ql", "ports", "port_ends"}) {
        const std::size_t n = std::string(key).size();
        if (line.compare(first, n, key) == 0 && line.find('=', first) != std::string::npos &&
            line.find_first_not_of(" \t", first + n) == line.find('=', first))
          enclosure += line.substr(first) + "\n";
      }
    }
  }
  while (!kept.empty() && kept.back() == '\n' && kept.size() > 1 && kept[kept.size() - 2] == '\n') kept.pop_back();
  return message("# %s%s: %s; the box written by acoustic_design --align\n", r.name.c_str(),
                 r.name == "closed" ? message(" Qtc %g", r.qtc).c_str() : "", r.property.c_str()) +
         kept + "\n" + enclosure;
}

// What --write writes is worked out first, as acoustic_design would.
status works_out(const std::string& text, const std::string& path, bool accept_unusual) {
  design_file file;
  RETURN_IF_ERROR(parse_design_text(text, path, file));
  design_result r;
  return compute_design(file, {10, 100}, r, accept_unusual);
}

}  // namespace

status run_alignments(const design_options& o, const reporter& report) {
  std::vector<alignment_row> rows;
  std::vector<std::string> notes, warnings;
  std::string name;
  RETURN_IF_ERROR(compute_alignments(o.align_path, rows, notes, name, o.accept_unusual, &warnings));
  for (const std::string& w : warnings) report.warning(o.align_path + ": " + w);
  std::printf("Alignments of %s, from the lossless response (no leak, Le = 0); beside each, F3 of the same box with "
              "the design's leak and Le\n",
              name.c_str());
  for (const alignment_row& r : rows) {
    if (r.name == "closed") {
      std::printf("closed Qtc %-5g Vb %8.4g l  fc %7.4g Hz  F3 %7.4g Hz  (%s; with losses F3 %.4g Hz)\n", r.qtc,
                  r.vb * 1e3, r.fc, r.f3, r.property.c_str(), r.lossy_f3);
    } else {
      std::printf("vented %-5s  Vb %8.4g l  fb %7.4g Hz  F3 %7.4g Hz  port %g mm x %.4g mm  (%s; with losses F3 %.4g Hz)\n",
                  r.name.c_str(), r.vb * 1e3, r.fb, r.f3, r.port_diameter * 1e3, r.port_length * 1e3,
                  r.property.c_str(), r.lossy_f3);
    }
  }
  for (const std::string& note : notes) std::printf("note: %s\n", note.c_str());
  const std::string dir = output_folder(o, o.align_path);
  RETURN_IF_ERROR(ensure_folder(dir));
  std::vector<std::pair<std::string, std::string>> files = {{dir + "/" + name + "_alignments.csv", alignment_table(rows)}};
  if (!o.write_dir.empty()) {
    RETURN_IF_ERROR(ensure_folder(o.write_dir));
    for (const alignment_row& r : rows) {
      const std::string path = o.write_dir + "/" + row_file_name(name, r), text = design_text(o.align_path, r);
      const status runs = works_out(text, path, o.accept_unusual);
      if (runs.ok()) {
        files.emplace_back(path, text);
      } else {
        std::printf("note: %s not written: %s\n", path.c_str(), runs.message.c_str());
      }
    }
  }
  std::vector<std::string> names;
  for (const auto& f : files) names.push_back(f.first);
  const output_set outputs(names);
  RETURN_IF_ERROR(outputs.check_replaceable());
  for (const auto& [path, text] : files) {
    const status written = write_text(output_set::working_name(path), text);
    if (!written.ok()) {
      outputs.discard();
      return written;
    }
  }
  RETURN_IF_ERROR(outputs.commit());
  for (const auto& f : files) std::printf("wrote %s\n", f.first.c_str());
  return status::success();
}
