#include "control/run_outputs.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "control/design_distortion.h"
#include "control/design_files.h"
#include "pictures/compare_picture.h"
#include "pictures/design_picture.h"
#include "pictures/gnuplot_run.h"
#include "pictures/study_picture.h"
#include "pictures/transient_picture.h"
#include "util/message.h"
#include "util/output_set.h"

namespace {

// A folder for the tables a study's pictures are drawn from, removed with it.
struct scratch_folder {
  std::string path;
  scratch_folder() {
    char name[] = "/tmp/acoustic_compare.XXXXXX";
    if (mkdtemp(name)) path = name;
  }
  ~scratch_folder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

struct table_job {
  std::string path;
  std::function<status(const std::string&)> write;  // into the working name given
};

struct picture_job {
  std::string path;
  std::function<status(std::string&)> script;  // drawing into the working name
};

// One line "wrote A, B, C": the tables, then the pictures drawn.
struct wrote_line {
  std::vector<std::string> tables, pictures;
};

design_labels labels_of(const compared_design& d, const std::string& title) {
  design_labels l;
  l.title = title;
  const design_result& r = d.result;
  if (r.driver.xmax > 0) l.xmax_mm = message("%g", r.driver.xmax * 1e3);
  if (r.drive.port >= 0) l.port_limit = message("%g", d.file.port_velocity_limit);
  if (r.drive.limits.radiator_xmax > 0) l.radiator_xmax_mm = message("%g", r.drive.limits.radiator_xmax * 1e3);
  return l;
}

status write_design_table(const std::string& path, const design_result& r) {
  return write_response_table(path, r.points, columns_of(r.drive));
}

summary_figures figures_of(const design_summary& s) {
  summary_figures f;
  for (const summary_row& r : s.rows) f.values.emplace_back(r.quantity, message("%.6g", r.value));
  return f;
}

// The comparison's curves, from tables written into `dir` for the drawn designs.
status compare_curves(const std::vector<compared_design>& designs, const std::vector<std::size_t>& drawn,
                      const std::string& dir, bool transient, bool study, std::vector<compare_curve>& out) {
  for (std::size_t i : drawn) {
    const compared_design& d = designs[i];
    compare_curve c;
    c.name = d.label;
    const design_labels l = labels_of(d, "");
    c.xmax_mm = l.xmax_mm;
    c.port_limit = l.port_limit;
    c.radiator_xmax_mm = l.radiator_xmax_mm;
    c.has_value = study && !d.values.empty();
    c.value = c.has_value ? d.values.front() : 0;
    const std::string table = message("%s/%zu%s.csv", dir.c_str(), i, transient ? "_transient" : "");
    if (transient) {
      RETURN_IF_ERROR(write_transient_table(table, d.transient));
      RETURN_IF_ERROR(read_csv_table(table, transient_table_header, c.table));
    } else {
      RETURN_IF_ERROR(write_design_table(table, d.result));
      RETURN_IF_ERROR(read_csv_table(table, design_table_header, c.table));
    }
    out.push_back(std::move(c));
  }
  return status::success();
}

// What binds at the lowest max SPL, as the summary names it.
std::string lowest_max_spl_limit(const design_result& r) {
  for (const summary_row& row : r.summary.rows)
    if (row.quantity == "lowest_max_SPL_limited_by") return row.unit;
  return "";
}

}  // namespace

std::string picture_title(const compared_design& d, const std::string& title) {
  const highpass_filter& h = d.file.highpass;
  if (h.order == 0) return title;
  std::string filter = message("; high-pass of order %d at %g Hz", h.order, h.frequency);
  if (h.order == 2) filter += message(", Q %g", h.q);
  return title + filter;
}

status write_run_outputs(const design_options& o, const std::vector<compared_design>& designs,
                         const study_axes& study, const reporter& report) {
  std::vector<table_job> tables;
  std::vector<picture_job> pictures;
  std::vector<wrote_line> lines;
  const bool is_study = !study.keys.empty();
  if (!is_study) {
    for (const compared_design& d : designs) {
      const std::string dir = output_folder(o, d.path);
      RETURN_IF_ERROR(ensure_folder(dir));
      const std::string stem = dir + "/" + d.file.name;
      const design_result& r = d.result;
      tables.push_back({stem + ".csv", [&r](const std::string& p) { return write_design_table(p, r); }});
      tables.push_back({stem + "_summary.csv", [&r](const std::string& p) { return write_summary_table(p, r.summary); }});
      const design_labels labels = labels_of(d, picture_title(d, d.title));
      // A flow source's table has none of the loudspeaker's panels.
      if (!columns_of(r.drive).branches.coil) {
        std::printf("note: %s: no picture of a flow source's table\n", d.file.name.c_str());
        lines.push_back({{stem + ".csv", stem + "_summary.csv"}, {}});
        continue;
      }
      pictures.push_back({stem + ".png", [stem, labels](std::string& script) {
                            csv_table t;
                            summary_figures s;
                            RETURN_IF_ERROR(read_csv_table(output_set::working_name(stem + ".csv"), design_table_header, t));
                            RETURN_IF_ERROR(read_summary_figures(output_set::working_name(stem + "_summary.csv"), s));
                            script = design_picture_script(t, s, labels, output_set::working_name(stem + ".png"));
                            return status::success();
                          }});
      lines.push_back({{stem + ".csv", stem + "_summary.csv"}, {stem + ".png"}});
      if (d.has_transient) {
        const std::string t_stem = stem + "_transient";
        const transient_result& t = d.transient;
        tables.push_back({t_stem + ".csv", [&t](const std::string& p) { return write_transient_table(p, t); }});
        pictures.push_back({t_stem + ".png", [t_stem, labels](std::string& script) {
                              csv_table table;
                              RETURN_IF_ERROR(read_csv_table(output_set::working_name(t_stem + ".csv"),
                                                             transient_table_header, table));
                              script = transient_picture_script(table, labels, output_set::working_name(t_stem + ".png"));
                              return status::success();
                            }});
        lines.push_back({{t_stem + ".csv"}, {t_stem + ".png"}});
      }
      if (r.distortion) {
        const distortion_result& dist = *r.distortion;
        wrote_line line{{stem + "_distortion.csv", stem + "_maxspl.csv"}, {stem + "_distortion.png"}};
        tables.push_back({line.tables[0], [&dist](const std::string& p) { return write_distortion_table(p, dist); }});
        tables.push_back({line.tables[1], [&dist](const std::string& p) { return write_maxspl_table(p, dist); }});
        if (!dist.imd.empty()) {
          line.tables.push_back(stem + "_imd.csv");
          tables.push_back({line.tables[2], [&dist](const std::string& p) { return write_imd_table(p, dist); }});
        }
        const std::string png = stem + "_distortion.png";
        pictures.push_back({png, [&dist, png](std::string& script) {
                              script = distortion_picture_script(dist.picture, output_set::working_name(png));
                              return status::success();
                            }});
        lines.push_back(line);
      }
    }
  }
  scratch_folder scratch;
  if (designs.size() >= 2 || is_study) {
    const std::string dir = output_folder(o, o.design_path);
    RETURN_IF_ERROR(ensure_folder(dir));
    const std::string summary = dir + "/compare_summary.csv";
    std::vector<std::string> grid_columns;
    if (study.keys.size() == 2)
      for (std::string key : study.keys) {
        const std::size_t space = key.find(" [");
        if (space != std::string::npos) key.erase(space, 1);
        grid_columns.push_back(key);
      }
    const std::string comparison = comparison_table(designs, grid_columns);
    tables.push_back({summary, [comparison](const std::string& p) { return write_text(p, comparison); }});
    const std::string study_title =
        (study.heading.empty() ? "" : plain_label(study.heading) + "; ") + comparison_title(designs);
    std::string title = study_title;
    const std::vector<std::size_t> drawn = drawn_designs(designs.size());
    if (drawn.size() < designs.size())
      title += message("; %zu of %zu values drawn, evenly spaced", drawn.size(), designs.size());
    const std::string value_label = study.keys.empty() ? "" : study.keys.front();
    const std::string scratch_dir = scratch.path;
    wrote_line line{{summary}, {dir + "/compare.png"}};
    // compare.png, or with `transient` the transients' compare_transient.png.
    const auto comparison_picture = [&designs, drawn, scratch_dir, title, value_label, is_study](bool transient,
                                                                                          const std::string& path) {
      return picture_job{path, [&designs, drawn, scratch_dir, title, value_label, is_study, transient,
                                path](std::string& script) {
                           if (scratch_dir.empty()) return status::error("cannot create a scratch folder in /tmp");
                           std::vector<compare_curve> curves;
                           RETURN_IF_ERROR(compare_curves(designs, drawn, scratch_dir, transient, is_study, curves));
                           const std::string output = output_set::working_name(path);
                           script = transient ? compare_transient_script(curves, title, value_label, output)
                                              : compare_picture_script(curves, title, value_label, output);
                           return status::success();
                         }};
    };
    pictures.push_back(comparison_picture(false, dir + "/compare.png"));
    if (designs.front().has_transient) {
      line.pictures.push_back(dir + "/compare_transient.png");
      pictures.push_back(comparison_picture(true, dir + "/compare_transient.png"));
    }
    if (is_study) {
      line.pictures.push_back(dir + "/study.png");
      std::vector<study_point> points;
      for (const compared_design& d : designs)
        points.push_back({d.values, figures_of(d.result.summary), lowest_max_spl_limit(d.result)});
      const std::vector<std::string> keys = study.keys;
      pictures.push_back({dir + "/study.png", [points, keys, study_title, dir](std::string& script) {
                            script = study_picture_script(keys, points, study_title,
                                                          output_set::working_name(dir + "/study.png"));
                            return status::success();
                          }});
    }
    lines.push_back(line);
  }

  std::vector<std::string> names;
  for (const table_job& t : tables) names.push_back(t.path);
  for (const picture_job& p : pictures) names.push_back(p.path);
  const output_set outputs(names);
  RETURN_IF_ERROR(outputs.check_replaceable());
  outputs.discard();
  for (const table_job& t : tables) {
    const status written = t.write(output_set::working_name(t.path));
    if (!written.ok()) {
      outputs.discard();
      return written;
    }
  }
  status drawn = status::error("--no-picture");
  if (!o.no_picture) {
    std::vector<std::string> scripts, working;
    drawn = status::success();
    for (const picture_job& p : pictures) {
      scripts.emplace_back();
      working.push_back(output_set::working_name(p.path));
      drawn = p.script(scripts.back());
      if (!drawn.ok()) break;
    }
    if (drawn.ok()) drawn = run_gnuplot(scripts, working);
    if (!drawn.ok()) report.warning("no pictures: " + drawn.message);
  }
  if (!drawn.ok()) {
    // An earlier picture would describe another design.
    for (const picture_job& p : pictures) {
      std::remove(output_set::working_name(p.path).c_str());
      std::remove(p.path.c_str());
    }
  }
  const status committed = outputs.commit();
  if (!committed.ok()) {
    outputs.discard();
    return committed;
  }
  for (const wrote_line& l : lines) {
    std::string text;
    for (const std::string& t : l.tables) text += (text.empty() ? "" : ", ") + t;
    if (drawn.ok())
      for (const std::string& p : l.pictures) text += ", " + p;
    std::printf("wrote %s\n", text.c_str());
  }
  return status::success();
}
